// Time zone, date and time.  The Time & Date page fills its combo box from
// setup.ZoneList and its entries from the six fields; on apply it hands the
// typed texts to CheckTimeConf as a TimeForm (a failure names the entry to
// focus and the page to show).
#pragma once

#include <string>

#include "tunewell/TwConfig.h"

namespace tw {

struct TimeForm {
    std::string Year, Month, Day, Hour, Minute, Second;
    std::string Zone;  // text of the combo box
};

enum TimeField {
    TIME_FIELD_NONE,
    TIME_FIELD_YEAR,
    TIME_FIELD_MONTH,
    TIME_FIELD_DAY,
    TIME_FIELD_HOUR,
    TIME_FIELD_MINUTE,
    TIME_FIELD_SECOND,
    TIME_FIELD_ZONE,
};

// Start: zone list, current local time (from `clock`), ZONE of the clock file.
// 0 or the code that was shown.
int InitializeTimeConf(TwSetup& setup, const TwPaths& paths, const TwClock& clock);

int CompareZone(const std::string& a, const std::string& b);

// A zone name of the zone table's form naming a regular file below the
// zoneinfo directory.
bool ValidZoneName(const std::string& zone, const TwPaths& paths);

// One numeric entry: 0 with `out` set, or 1.
int CheckTimeRange(const std::string& entry, std::string& out, int low, int high);

// Validates the page into `setup`; 0 or a class-4 code with `focus` set.
int CheckTimeConf(TwSetup& setup, const TimeForm& form, const TwPaths& paths, int* focus);

// Applies a changed page: clock file, /etc/localtime, the clock.  0, 5 or
// TW_APPLY_FATAL (message shown).
int ReflectionTimeConf(const TwSetup& oldSetup, TwSetup& newSetup, const TwPaths& paths,
                       TwClock& clock);

// Debian has no clock file: writes ZONE from the zone /etc/localtime links to
// when the file is missing.  0, or TW_FAILED.
int EnsureClockFile(const TwPaths& paths);

}  // namespace tw

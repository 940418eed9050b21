#include "tunewell/TwTime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

#include "common/SafeFile.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwTable.h"

namespace tw {

namespace {

bool IsLeap(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysOf(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Replaces `target` (a link or a file) with a copy of `source`: the copy is
// made beside it and renamed over it, so the zone file a link points to is
// never written and a failure leaves the old one.
int PlaceCopyOver(const std::string& source, const std::string& target) {
    std::string data;
    int err = suite::ReadWholeFile(source, data);
    if (err != 0) {
        return err;
    }
    suite::ReplaceOptions options;
    options.followLink = false;
    options.forceMode = 0644;
    return suite::ReplaceFile(target, data, options);
}

std::string TzValue(const std::string& zone, const TwPaths& paths) {
    if (paths.zoneinfoDir == TwPaths().zoneinfoDir) {
        return zone;
    }
    return ":" + paths.zoneinfoDir + zone;
}

}  // namespace

int CompareZone(const std::string& a, const std::string& b) {
    return std::strcmp(a.c_str(), b.c_str());
}

int InitializeTimeConf(TwSetup& setup, const TwPaths& paths, const TwClock& clock) {
    std::string text;
    if (suite::ReadWholeFile(paths.zoneTable, text) != 0) {
        TwReport(TW_FILE_OPEN, paths.zoneTable);
        return TW_FAILED;
    }
    std::vector<std::string> zones;
    bool pastHeader = false;
    for (const std::string& line : TwReadableLines(text)) {
        if (!pastHeader) {
            pastHeader = line.compare(0, 5, "#code") == 0;
            continue;
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::size_t t1 = line.find('\t');
        std::size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string::npos) {
            continue;
        }
        std::size_t t3 = line.find('\t', t2 + 1);
        std::string zone =
            line.substr(t2 + 1, t3 == std::string::npos ? std::string::npos : t3 - t2 - 1);
        if (!zone.empty() && zone.size() <= kTimeZoneMax) {
            zones.push_back(zone);
        }
    }
    if (zones.empty()) {
        TwReport(TW_FILE_OPEN, paths.zoneTable);
        return TW_FAILED;
    }
    std::sort(zones.begin(), zones.end(),
              [](const std::string& a, const std::string& b) { return CompareZone(a, b) < 0; });
    setup.ZoneList = std::move(zones);

    time_t now = clock.now();
    struct tm tm = {};
    localtime_r(&now, &tm);
    const std::pair<std::string*, int> fields[] = {
        {&setup.Year, tm.tm_year + 1900}, {&setup.Month, tm.tm_mon + 1}, {&setup.Day, tm.tm_mday},
        {&setup.Hour, tm.tm_hour},        {&setup.Minute, tm.tm_min},    {&setup.Second, tm.tm_sec},
    };
    for (const auto& [field, value] : fields) {
        // Only the year of a clock millions of years off could outgrow its
        // field: it then stays as it was, and the page check refuses it.
        const std::string digits = std::to_string(value);
        if (digits.size() <= kClockFieldMax) {
            *field = digits;
        }
    }
    setup.TimeReadAt = now;

    return GetConfiguration(paths.clockFile, "ZONE", setup.TimeZone, kTimeZoneMax + 1, true);
}

bool ValidZoneName(const std::string& zone, const TwPaths& paths) {
    if (zone.empty() || zone.size() > kTimeZoneMax || zone[0] == '/' ||
        zone.find("..") != std::string::npos) {
        return false;
    }
    for (char c : zone) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  c == '_' || c == '+' || c == '-' || c == '/';
        if (!ok) {
            return false;
        }
    }
    struct stat st;
    return ::stat((paths.zoneinfoDir + zone).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int CheckTimeRange(const std::string& entry, std::string& out, int low, int high) {
    // Longer than the record's field counts as invalid, as does any non-digit.
    if (entry.empty() || entry.size() > kClockFieldMax) {
        return 1;
    }
    int value = 0;
    for (char c : entry) {
        if (c < '0' || c > '9') {
            return 1;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return 1;
    }
    out = entry;
    return 0;
}

int CheckTimeConf(TwSetup& setup, const TimeForm& form, const TwPaths& paths, int* focus) {
    auto fail = [focus](int field, int code) {
        if (focus != nullptr) {
            *focus = field;
        }
        return code;
    };
    std::string year, month, day, hour, minute, second;
    if (CheckTimeRange(form.Year, year, 1900, 2037) != 0) {
        return fail(TIME_FIELD_YEAR, TW_TIME_BAD_YEAR);
    }
    if (CheckTimeRange(form.Month, month, 1, 12) != 0) {
        return fail(TIME_FIELD_MONTH, TW_TIME_BAD_DATE);
    }
    if (CheckTimeRange(form.Day, day, 1,
                       DaysOf(std::atoi(year.c_str()), std::atoi(month.c_str()))) != 0) {
        return fail(TIME_FIELD_DAY, TW_TIME_BAD_DATE);
    }
    if (CheckTimeRange(form.Hour, hour, 0, 23) != 0) {
        return fail(TIME_FIELD_HOUR, TW_TIME_BAD_TIME);
    }
    if (CheckTimeRange(form.Minute, minute, 0, 59) != 0) {
        return fail(TIME_FIELD_MINUTE, TW_TIME_BAD_TIME);
    }
    if (CheckTimeRange(form.Second, second, 0, 59) != 0) {
        return fail(TIME_FIELD_SECOND, TW_TIME_BAD_TIME);
    }
    // The zone ends up in a file init scripts source as root: names of the
    // zone table's form only.
    if (!ValidZoneName(form.Zone, paths)) {
        return fail(TIME_FIELD_ZONE, TW_TIME_NO_ZONE);
    }
    // The checks above hold every text to its field.
    std::tie(setup.Year, setup.Month, setup.Day, setup.Hour, setup.Minute, setup.Second) =
        std::tie(year, month, day, hour, minute, second);
    setup.TimeZone = form.Zone;
    return 0;
}

int ReflectionTimeConf(const TwSetup& oldSetup, TwSetup& newSetup, const TwPaths& paths,
                       TwClock& clock) {
    if (SameTimePage(oldSetup, newSetup)) {
        return 0;
    }
    const std::string zone = newSetup.TimeZone;
    if (!ValidZoneName(zone, paths)) {
        TwReport(TW_TIME_NO_ZONE);
        return TW_APPLY_FATAL;
    }
    if (SetConfiguration(paths.clockFile, "ZONE", zone, SEP_EQUAL | SEP_QUOTE, true) != 0) {
        return TW_APPLY_FATAL;
    }
    if (PlaceCopyOver(paths.zoneinfoDir + zone, paths.localtime) != 0) {
        TwReport(TW_FILE_WRITE, paths.localtime);
        return TW_APPLY_FATAL;
    }
    ::setenv("TZ", TzValue(zone, paths).c_str(), 1);
    ::tzset();
    // Untouched date and time fields: only the zone changed, and the absolute
    // time stays (the hardware clock is set from the system clock after).
    if (SameClockFields(oldSetup, newSetup)) {
        return TW_CHANGED;
    }

    struct tm tm = {};
    tm.tm_year = std::atoi(newSetup.Year.c_str()) - 1900;
    tm.tm_mon = std::atoi(newSetup.Month.c_str()) - 1;
    tm.tm_mday = std::atoi(newSetup.Day.c_str());
    tm.tm_hour = std::atoi(newSetup.Hour.c_str());
    tm.tm_min = std::atoi(newSetup.Minute.c_str());
    tm.tm_sec = std::atoi(newSetup.Second.c_str());
    tm.tm_isdst = -1;  // the zone's rules decide, so summer dates come out right
    errno = 0;
    time_t target = ::mktime(&tm);
    if (target == static_cast<time_t>(-1) && errno != 0) {
        TwReport(TW_TIME_SET_FAILED);
        return TW_APPLY_FATAL;
    }
    if (clock.set(target) != 0) {
        TwReport(TW_TIME_SET_FAILED);
        return TW_APPLY_FATAL;
    }
    // The fields were the wall time in the new zone at `target`.
    newSetup.TimeReadAt = target;
    return TW_CHANGED;
}

int EnsureClockFile(const TwPaths& paths) {
    struct stat st;
    if (::stat(paths.clockFile.c_str(), &st) == 0) {
        return 0;
    }
    std::string zone;
    char link[4096] = {};
    ssize_t n = ::readlink(paths.localtime.c_str(), link, sizeof link - 1);
    if (n > 0) {
        std::string target(link, static_cast<std::size_t>(n));
        std::size_t at = target.find("zoneinfo/");
        if (at != std::string::npos) {
            zone = target.substr(at + 9);
        }
    }
    if (!ValidZoneName(zone, paths)) {
        zone = "Etc/UTC";
    }
    std::size_t slash = paths.clockFile.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::string dir = paths.clockFile.substr(0, slash);
        if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            return TW_FAILED;
        }
    }
    return SetConfiguration(paths.clockFile, "ZONE", zone, SEP_EQUAL | SEP_QUOTE, false);
}

}  // namespace tw

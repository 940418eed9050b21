// Time zone, date and time: the page's checks, zone names, the clock file,
// /etc/localtime, and the clock set through a fake clock.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwTime.h"

namespace {

TEST(TwTimeCheck, DatesTimesAndZones) {
    TempDir dir;
    tw::TwPaths paths = twtest::MakeSystem(dir.path());
    struct Case {
        tw::TimeForm form;
        int code;
        int field;
    } cases[] = {
        {{"2000", "2", "29", "7", "0", "0", "Asia/Tokyo"}, 0, tw::TIME_FIELD_NONE},
        {{"2004", "02", "29", "07", "59", "59", "Asia/Tokyo"}, 0, tw::TIME_FIELD_NONE},
        {{"1900", "2", "29", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_DATE,
         tw::TIME_FIELD_DAY},
        {{"2001", "2", "29", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_DATE,
         tw::TIME_FIELD_DAY},
        {{"2038", "1", "1", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_YEAR,
         tw::TIME_FIELD_YEAR},
        {{"1899", "1", "1", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_YEAR,
         tw::TIME_FIELD_YEAR},
        {{"2001", "13", "1", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_DATE,
         tw::TIME_FIELD_MONTH},
        {{"2001", "4", "31", "0", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_DATE,
         tw::TIME_FIELD_DAY},
        {{"2001", "4", "30", "7a", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_TIME,
         tw::TIME_FIELD_HOUR},
        {{"2001", "4", "30", "24", "0", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_TIME,
         tw::TIME_FIELD_HOUR},
        {{"2001", "4", "30", "1", "60", "0", "Asia/Tokyo"},
         tw::TW_TIME_BAD_TIME,
         tw::TIME_FIELD_MINUTE},
        {{"2001", "4", "30", "1", "0", "", "Asia/Tokyo"},
         tw::TW_TIME_BAD_TIME,
         tw::TIME_FIELD_SECOND},
        {{"2001", "4", "30", "1", "0", "0", "Asia/Nowhere"},
         tw::TW_TIME_NO_ZONE,
         tw::TIME_FIELD_ZONE},
        {{"2001", "4", "30", "1", "0", "0", "../../../tmp/$(touch x)"},
         tw::TW_TIME_NO_ZONE,
         tw::TIME_FIELD_ZONE},
        {{"2001", "4", "30", "1", "0", "0", "Asia/../Asia/Tokyo"},
         tw::TW_TIME_NO_ZONE,
         tw::TIME_FIELD_ZONE},
        {{"2001", "4", "30", "1", "0", "0", dir / "zoneinfo/Asia/Tokyo"},
         tw::TW_TIME_NO_ZONE,
         tw::TIME_FIELD_ZONE},
        {{"2001", "4", "30", "1", "0", "0", "Asia"}, tw::TW_TIME_NO_ZONE, tw::TIME_FIELD_ZONE},
        {{"2001", "4", "30", "1", "0", "0", "Asia/Tokyo\"; x"},
         tw::TW_TIME_NO_ZONE,
         tw::TIME_FIELD_ZONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form.Year + "-" + c.form.Month + "-" + c.form.Day + " " + c.form.Hour + " " +
                     c.form.Zone);
        tw::TwSetup setup;
        int field = tw::TIME_FIELD_NONE;
        EXPECT_EQ(tw::CheckTimeConf(setup, c.form, paths, &field), c.code);
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(setup.TimeZone, c.code == 0 ? c.form.Zone : "");
        EXPECT_EQ(setup.Hour, c.code == 0 ? c.form.Hour : "");
    }
}

TEST(TwTimeRead, ZoneListFieldsAndZone) {
    TempDir dir;
    tw::TwPaths paths = twtest::MakeSystem(dir.path());
    twtest::TzGuard tz;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    twtest::FakeClock clock(951782400 + 3600 * 13 + 60 * 5 + 9);  // 2000-02-29 13:05:09 UTC
    twtest::MessageRecorder rec;
    tw::TwSetup setup;
    ASSERT_EQ(tw::InitializeTimeConf(setup, paths, clock), 0);
    EXPECT_EQ(setup.ZoneList,
              (std::vector<std::string>{"America/New_York", "Asia/Tokyo", "Europe/Berlin"}));
    EXPECT_EQ(setup.Year, "2000");
    EXPECT_EQ(setup.Month, "2");
    EXPECT_EQ(setup.Day, "29");
    EXPECT_EQ(setup.Hour, "13");
    EXPECT_EQ(setup.Minute, "5");
    EXPECT_EQ(setup.Second, "9");
    EXPECT_EQ(setup.TimeZone, "Etc/UTC");
    EXPECT_TRUE(rec.messages.empty());

    WriteFile(paths.clockFile, "# no zone\n");
    EXPECT_NE(tw::InitializeTimeConf(setup, paths, clock), 0);
    EXPECT_EQ(rec.Codes(), std::vector<int>{tw::TW_FILE_NO_VALUE});
    ::unlink(paths.zoneTable.c_str());
    EXPECT_NE(tw::InitializeTimeConf(setup, paths, clock), 0);
    EXPECT_EQ(rec.messages.back(), std::make_pair(tw::TW_FILE_OPEN, paths.zoneTable));
}

struct TimeApply {
    TempDir dir;
    tw::TwPaths paths;
    twtest::TzGuard tz;
    tw::TwSetup oldSetup, newSetup;

    TimeApply() {
        paths = twtest::MakeSystem(dir.path());
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        // /etc/localtime as Debian has it: a link into the zone files.
        ::symlink((paths.zoneinfoDir + "Etc/UTC").c_str(), paths.localtime.c_str());
    }
    void Read(twtest::FakeClock& clock) {
        ASSERT_EQ(tw::InitializeTimeConf(oldSetup, paths, clock), 0);
        newSetup = oldSetup;
    }
};

TEST(TwTimeApply, SummerDateInTheNewZoneAndTheLinkTargetUntouched) {
    TimeApply t;
    twtest::FakeClock clock;
    t.Read(clock);
    const std::string utcBytes = ReadFile(t.paths.zoneinfoDir + "Etc/UTC");
    twtest::MessageRecorder rec;
    int field = 0;
    ASSERT_EQ(tw::CheckTimeConf(t.newSetup, {"2024", "7", "1", "12", "0", "0", "Europe/Berlin"},
                                t.paths, &field),
              0);
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), tw::TW_CHANGED);
    // 12:00 summer time in Berlin is 10:00 UTC.
    EXPECT_EQ(clock.sets, std::vector<time_t>{1719828000});
    EXPECT_EQ(ReadFile(t.paths.clockFile), "ZONE=\"Europe/Berlin\"\n");
    struct stat st;
    ASSERT_EQ(::lstat(t.paths.localtime.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(t.paths.localtime), ReadFile(t.paths.zoneinfoDir + "Europe/Berlin"));
    EXPECT_EQ(ReadFile(t.paths.zoneinfoDir + "Etc/UTC"), utcBytes);
    EXPECT_TRUE(rec.messages.empty());

    // Unchanged page: nothing written, clock left alone.
    t.oldSetup = t.newSetup;
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), 0);
    EXPECT_EQ(clock.sets.size(), 1u);
}

// Moving from one zone to another with the shown time untouched must not
// move the clock by the zones' difference: only the zone files change.
TEST(TwTimeApply, ZoneOnlyChangeLeavesTheClockAlone) {
    TimeApply t;
    twtest::FakeClock clock;
    t.Read(clock);
    clock.Advance(600);
    t.newSetup.TimeZone = "Asia/Tokyo";
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), tw::TW_CHANGED);
    EXPECT_TRUE(clock.sets.empty());
    EXPECT_EQ(ReadFile(t.paths.clockFile), "ZONE=\"Asia/Tokyo\"\n");
    EXPECT_EQ(ReadFile(t.paths.localtime), ReadFile(t.paths.zoneinfoDir + "Asia/Tokyo"));

    // After "Update", an edited hour is wall time in the zone now in force.
    t.oldSetup = t.newSetup;
    t.newSetup.Hour = "9";
    t.newSetup.Minute = "0";
    t.newSetup.Second = "0";
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), tw::TW_CHANGED);
    ASSERT_EQ(clock.sets.size(), 1u);
    struct tm utc = {};
    const time_t set = clock.sets[0];
    ::gmtime_r(&set, &utc);
    EXPECT_EQ(utc.tm_hour, 0);
}

TEST(TwTimeApply, FailuresAreShownAndStop) {
    TimeApply t;
    twtest::FakeClock clock;
    t.Read(clock);
    twtest::MessageRecorder rec;
    t.newSetup.Hour = "5";
    clock.failWith = EPERM;
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), tw::TW_APPLY_FATAL);
    EXPECT_EQ(rec.Codes(), std::vector<int>{tw::TW_TIME_SET_FAILED});
    EXPECT_EQ(tw::TwMessageString(tw::TW_TIME_SET_FAILED, ""), "Failed to set the system clock.");

    // /etc/localtime cannot be replaced: shown, the clock is not set.
    clock.failWith = 0;
    t.paths.localtime = t.dir / "no/such/dir/localtime";
    EXPECT_EQ(tw::ReflectionTimeConf(t.oldSetup, t.newSetup, t.paths, clock), tw::TW_APPLY_FATAL);
    EXPECT_EQ(rec.messages.back(), std::make_pair(tw::TW_FILE_WRITE, t.paths.localtime));
    EXPECT_TRUE(clock.sets.empty());
}

TEST(TwTimeSetup, MissingClockFileIsMadeFromTheLocaltimeLink) {
    TimeApply t;
    ::unlink(t.paths.clockFile.c_str());
    ::rmdir((t.dir / "etc/sysconfig").c_str());
    ::unlink(t.paths.localtime.c_str());
    ::symlink((t.paths.zoneinfoDir + "Asia/Tokyo").c_str(), t.paths.localtime.c_str());
    EXPECT_EQ(tw::EnsureClockFile(t.paths), 0);
    EXPECT_EQ(ReadFile(t.paths.clockFile), "ZONE=\"Asia/Tokyo\"\n");
    WriteFile(t.paths.clockFile, "ZONE=\"Europe/Berlin\"\n");
    EXPECT_EQ(tw::EnsureClockFile(t.paths), 0);
    EXPECT_EQ(ReadFile(t.paths.clockFile), "ZONE=\"Europe/Berlin\"\n");
}

}  // namespace

// Tool configuration and the apply process: wycfg.dat, the configuration
// directory, the length limits of the records' text fields, change masks,
// the script digit, the order of the apply steps and failures that must not
// be reported as success.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwConfig.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"
#include "tunewell/TwTime.h"

namespace {

TEST(TwConfigFile, WycfgValuesAndDefaults) {
    const int lan = tw::NET_LAN, off = tw::NET_DISABLED, wireless = tw::NET_WIRELESS;
    const int modem = tw::DIAL_MODEM;
    struct Case {
        const char* text;  // nullptr: no file
        int networkType;
        int dialupDevice;
        const char* modemSpeed;
    } cases[] = {
        {nullptr, lan, modem, "115200"},
        {"NETWORK=disable\nNETWORK_DEVICE=wirelesslan\n", off, modem, "115200"},
        {"NETWORK_DEVICE=LAN\n", off, modem, "115200"},
        {"NETWORK_DEVICE=wirelesslan\nNETWORK=enable\nDIALUP=pdc\n", wireless, tw::DIAL_PDC,
         "115200"},
        {"DIALUP=phs\nMODEM_SPEED=57600\n", lan, tw::DIAL_PHS, "57600"},
        {"DIALUP=PHS\nMODEM_SPEED=123456789012345678901234567890123\n", lan, modem, "115200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(none)");
        TempDir dir;
        if (c.text) {
            WriteFile(dir / "wycfg.dat", c.text);
        }
        tw::WYConfig config;
        ASSERT_EQ(tw::SetConfigDir(config, dir.path(), nullptr), 0);
        tw::TwSetup setup;
        twtest::MessageRecorder rec;
        tw::InitializeWYConfig(config, setup);
        EXPECT_TRUE(rec.messages.empty());
        EXPECT_EQ(setup.NetworkType, c.networkType);
        EXPECT_EQ(setup.DialupDevice, c.dialupDevice);
        EXPECT_EQ(config.ModemSpeed, c.modemSpeed);
        EXPECT_EQ(config.ModemDevice, "/dev/ttyS14");
        EXPECT_EQ(config.PhsDevice, "/dev/ttyS0");
        EXPECT_EQ(config.NetworkScript, "");
    }
}

// Every text field a reader fills takes a value of exactly its limit whole;
// one byte more counts as missing, as any over-long value read does: the
// field gets its default, or stays as it was (empty).
TEST(TwReaders, ValueAtTheFieldLimitReadsWholeAndOneByteMoreCountsAsMissing) {
    using Wy = tw::WYConfig;
    using Net = tw::NetworkConf;
    using Dial = tw::DialupConf;
    struct Read {
        tw::WYConfig config;
        tw::TwSetup setup;
    };
    struct Reader {
        std::string where;  // for the trace
        std::function<std::string(const std::string& value)> read;
    };
    const std::string chat = "dialup/modem/chat_script";
    const std::string connect = "CONNECT '\\d\\c' \\\n";
    // `value` between `before` and `after` in `file` of a tree whose modem
    // has a chat script, read as at start.
    auto inTree = [&](const std::string& file, const std::string& before, const std::string& after,
                      std::function<std::string(const Read&)> field) {
        return Reader{file + " " + before, [=](const std::string& value) {
                          TempDir dir;
                          testutil::MakeDirs(dir / "dialup/modem");
                          WriteFile(dir / chat, connect);
                          testutil::MakeDirs((dir / file).substr(0, (dir / file).rfind('/')));
                          WriteFile(dir / file, before + value + after);
                          Read read{twtest::MakeConfig(dir.path()), {}};
                          tw::InitializeNetworkConf(read.config, read.setup);
                          tw::InitializeDialupConf(read.config, read.setup);
                          return field(read);
                      }};
    };
    auto wycfg = [&](const std::string& key, std::string Wy::*field) {
        return inTree("wycfg.dat", key, "", [field](const Read& r) { return r.config.*field; });
    };
    auto lan = [&](const std::string& file, const std::string& key, std::string Net::*field) {
        return inTree("lan/" + file, key, "",
                      [field](const Read& r) { return r.setup.Lan.*field; });
    };
    auto wireless = [&](const std::string& key, std::string Net::*field) {
        return inTree("wirelesslan/melco/wireless.opts", key, "",
                      [field](const Read& r) { return r.setup.WirelessLan.*field; });
    };
    auto modem = [&](const std::string& file, const std::string& before, const std::string& after,
                     std::string Dial::*field) {
        return inTree(file, before, after, [field](const Read& r) { return r.setup.Modem.*field; });
    };
    // The Time & Date page as read at start from the clock file, the zone
    // table and a clock at the first of January of `year`.
    auto atStart = [](const std::string& zone, const std::string& tableZone, int year) {
        TempDir dir;
        tw::TwPaths paths = twtest::MakeSystem(dir.path());
        WriteFile(paths.clockFile, "ZONE=\"" + zone + "\"\n");
        WriteFile(paths.zoneTable, ReadFile(paths.zoneTable) + "ZZ\t+0+0\t" + tableZone + "\n");
        struct tm start = {};
        start.tm_year = year - 1900;
        start.tm_mday = 1;
        twtest::FakeClock clock(::timegm(&start));
        tw::TwSetup setup;
        tw::InitializeTimeConf(setup, paths, clock);
        return setup;
    };
    using Make = std::function<std::string(std::size_t)>;  // a value of n bytes
    const Make letters = [](std::size_t n) { return std::string(n, 'a'); };
    const Make digits = [](std::size_t n) { return std::string(n, '1'); };
    // Fifteen bytes are the longest address; one more is none.
    const Make address = [](std::size_t n) { return "192.168.100.200" + std::string(n - 15, '0'); };
    const Make hexKey = [](std::size_t n) { return "0x" + std::string(n - 2, 'f'); };
    const Make atCommand = [](std::size_t n) { return "AT" + std::string(n - 2, 'X'); };
    const std::string login = connect + "\"ogin: \" ";
    const std::string password = connect + "\"ogin: \" u \\\n\"assword: \" ";
    // The file holds a hexadecimal key without its "0x".
    const Reader hexKeyRead{"hexadecimal KEY", [&](const std::string& v) {
                                return wireless("KEY=", &Net::CipherKey).read(v.substr(2));
                            }};
    const Reader clockZone{"clock ZONE",
                           [&](auto& v) { return atStart(v, "Etc/UTC", 2000).TimeZone; }};
    // Sorted, a zone of small letters comes last in the list.
    const Reader tableZone{"zone table",
                           [&](auto& v) { return atStart("Etc/UTC", v, 2000).ZoneList.back(); }};
    const Reader clockYear{
        "clock year", [&](auto& v) { return atStart("Etc/UTC", "Etc/UTC", std::stoi(v)).Year; }};
    struct Case {
        std::size_t limit;
        Make make;
        Reader reader;
        const char* missing;
    } cases[] = {
        {tw::kDevicePathMax, letters, wycfg("MODEM_DEVICE=", &Wy::ModemDevice), "/dev/ttyS14"},
        {tw::kDevicePathMax, letters, wycfg("PDC_DEVICE=", &Wy::PdcDevice), "/dev/ttyS0"},
        {tw::kSpeedMax, digits, wycfg("PHS_SPEED=", &Wy::PhsSpeed), "115200"},
        {tw::kHostNameMax, letters, lan("network", "HOSTNAME=", &Net::HostName), "localhost"},
        {tw::kHostNameMax, letters, lan("resolv.conf", "domain ", &Net::DomainName), "localdomain"},
        {tw::kAddressMax, address, lan("ifcfg-eth0", "IPADDR=", &Net::IpAddress), "0.0.0.0"},
        {tw::kEssidMax, letters, wireless("ESSID=", &Net::Essid), ""},
        {tw::kCipherKeyMax, letters, wireless("KEY=s:", &Net::CipherKey), ""},
        {tw::kPhoneNumberMax, digits, modem(chat, "'ATDT", "' \\\n" + connect, &Dial::PhoneNumber),
         ""},
        {tw::kAtCommandMax, atCommand,
         modem(chat, "'' 'AT&F' OK-AT-OK \\\n'", "' OK-AT-OK \\\n'ATDT03' \\\n" + connect,
               &Dial::AtCommand),
         ""},
        {tw::kAccountMax, letters, modem(chat, login, " \\\n\"assword: \" p\n", &Dial::Account),
         ""},
        {tw::kAccountMax, letters, modem(chat, password, "\n", &Dial::Password), ""},
        {tw::kAccountMax, letters, modem("dialup/modem/chap-secrets", "", " * p\n", &Dial::Account),
         ""},
        {tw::kAccountMax, letters, modem("dialup/modem/pap-secrets", "u * ", "\n", &Dial::Password),
         ""},
        {tw::kCipherKeyMax, hexKey, hexKeyRead, ""},
        {tw::kAddressMax, address,
         inTree("lan/resolv.conf", "nameserver ", "",
                [](const Read& r) { return r.setup.Lan.NameServer[0]; }),
         ""},
        {tw::kTimeZoneMax, letters, clockZone, ""},
        {tw::kTimeZoneMax, letters, tableZone, "Europe/Berlin"},
        {tw::kClockFieldMax, digits, clockYear, ""},
    };
    twtest::TzGuard tz;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    twtest::MessageRecorder rec;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reader.where);
        const std::string atLimit = c.make(c.limit);
        ASSERT_EQ(atLimit.size(), c.limit);
        EXPECT_EQ(c.reader.read(atLimit), atLimit);
        EXPECT_EQ(c.reader.read(c.make(c.limit + 1)), c.missing);
    }
}

TEST(TwConfigFile, ConfigDirAndWycfgWrite) {
    TempDir dir;
    tw::WYConfig config;
    EXPECT_EQ(tw::SetConfigDir(config, "", "C"), tw::TW_NO_WYCFG);
    EXPECT_EQ(tw::SetConfigDir(config, "/" + std::string(2046, 'x'), "C"), tw::TW_NO_WYCFG);
    ASSERT_EQ(tw::SetConfigDir(config, dir / "cfg", "ja_JP.eucJP"), 0);
    EXPECT_EQ(config.ConfigDir, dir / "cfg/");
    EXPECT_EQ(config.Japanese, 1);
    struct stat st;
    ASSERT_EQ(::stat((dir / "cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(tw::SetConfigDir(config, dir / "cfg/", "ja_JP.UTF-8"), 0);
    EXPECT_EQ(config.Japanese, 0);

    WriteFile(dir / "cfg/wycfg.dat", "MODEM_DEVICE=/dev/ttyS3\nDIALUP=modem\n");
    tw::TwSetup setup;
    setup.NetworkType = tw::NET_DISABLED;
    setup.DialupDevice = tw::DIAL_PHS;
    EXPECT_EQ(tw::ReflectionWYConfig(config, setup), 0);
    EXPECT_EQ(ReadFile(dir / "cfg/wycfg.dat"),
              "MODEM_DEVICE=/dev/ttyS3\nDIALUP=phs\nNETWORK=disable\nNETWORK_DEVICE=\n");
    setup.NetworkType = tw::NET_WIRELESS;
    setup.DialupDevice = 7;
    EXPECT_EQ(tw::ReflectionWYConfig(config, setup), 0);
    EXPECT_EQ(ReadFile(dir / "cfg/wycfg.dat"),
              "MODEM_DEVICE=/dev/ttyS3\nDIALUP=phs\nNETWORK=enable\nNETWORK_DEVICE=wirelesslan\n");
}

// A tree with recording scripts: every step appends a line to the log.
struct ApplyTree {
    TempDir dir;
    tw::WYConfig config;
    tw::TwPaths paths;
    std::string log;

    ApplyTree() {
        log = dir / "log";
        paths = twtest::MakeSystem(dir / "sys");
        WriteFile(dir / "net.sh", "#!/bin/sh\necho \"net $*\" >> " + log + "\n", 0755);
        WriteFile(dir / "dial.sh", "#!/bin/sh\necho dial >> " + log + "\n", 0755);
        WriteFile(paths.hwclock, "#!/bin/sh\necho \"hwclock $*\" >> " + log + "\n", 0755);
        testutil::MakeDirs(dir / "cfg");
        WriteFile(dir / "cfg/wycfg.dat", "NETWORK_SCRIPT=" + (dir / "net.sh") +
                                             "\nDIALUP_SCRIPT=" + (dir / "dial.sh") + "\n");
        config = twtest::MakeConfig(dir / "cfg");
    }
    int Run(int mask, int oldType, int newType, std::string& text) {
        tw::ApplyProcess process;
        EXPECT_EQ(tw::ExecConfigure(mask, config, oldType, newType, paths, process),
                  tw::TW_APPLY_STARTED);
        int code = -1;
        EXPECT_TRUE(
            testutil::WaitFor([&] { return tw::CheckApplyProcess(process, code, text) == 1; }));
        return code;
    }
};

// Steps run in mask order, each waiting for the one before (the first is
// slow), the network script gets its digit, a missing script is skipped; the
// first step that fails, or whose program cannot be executed, is named and
// no later step runs.
TEST(TwApply, StepsRunInOrderAndTheFirstFailingOneEndsTheApply) {
    const std::string slow = "#!/bin/sh\nsleep 0.3\necho \"net $*\" >> \"$LOG\"\n";
    const std::string fails = "#!/bin/sh\necho \"net $*\" >> \"$LOG\"\nexit 1\n";
    const int run = tw::TW_FILE_RUN_FAILED;
    struct Case {
        std::string net;  // the network script; empty: as the tree has it
        int mode;
        const char* removed;  // under the tree; empty: nothing
        int mask, oldType, newType, code;
        const char* failed;  // the program named, under the tree
        const char* log;
    } cases[] = {
        {slow, 0755, "", 7, tw::NET_WIRELESS, tw::NET_DISABLED, 0, "",
         "net 3\ndial\nhwclock --utc --systohc\n"},
        {"", 0755, "", 2, 0, 0, 0, "", "dial\n"},
        {"", 0755, "net.sh", 5, 0, 1, 0, "", "hwclock --utc --systohc\n"},
        {fails, 0755, "", 7, tw::NET_LAN, tw::NET_DISABLED, run, "net.sh", "net 4\n"},
        {slow, 0644, "", 7, tw::NET_LAN, tw::NET_DISABLED, run, "net.sh", ""},
        // A failing clock command without output still names the program alone.
        {"", 0755, "sys/hwclock", 4, 0, 0, run, "sys/hwclock", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        ApplyTree t;
        ::setenv("LOG", t.log.c_str(), 1);
        if (!c.net.empty()) {
            WriteFile(t.dir / "net.sh", c.net, c.mode);
        }
        if (*c.removed) {
            ::unlink((t.dir / c.removed).c_str());
        }
        std::string text;
        EXPECT_EQ(t.Run(c.mask, c.oldType, c.newType, text), c.code);
        EXPECT_EQ(c.code ? text : "", c.code ? t.dir / c.failed : "");
        EXPECT_EQ(testutil::Exists(t.log) ? ReadFile(t.log) : "", c.log);
        ::unsetenv("LOG");
    }
}

// A failed step names its program and the first lines of its error output,
// and the tree goes back to the old record, so that it again says what the
// system has (a window that quits then leaves no disagreement behind).
TEST(TwApply, FailedStepShowsItsReasonAndTheTreeGoesBack) {
    ApplyTree t;
    WriteFile(t.dir / "dial.sh",
              "#!/bin/sh\necho dial >> " + t.log +
                  "\nfor i in 1 2 3 4 5 6; do echo \"dial: reason $i\" >&2; done\nexit 3\n",
              0755);
    twtest::FakeClock clock;
    twtest::MessageRecorder rec;
    tw::TwSetup oldSetup, newSetup;
    tw::InitializeWYConfig(t.config, oldSetup);
    tw::InitializeDialupConf(t.config, oldSetup);
    newSetup = oldSetup;
    newSetup.DialupDevice = tw::DIAL_PHS;
    newSetup.Phs.PhoneNumber = "0312";
    newSetup.Phs.AuthType = tw::AUTH_PAP;
    newSetup.Phs.Account = "u";
    newSetup.Phs.Password = "p";
    const int mask = tw::ReflectionConfigure(t.config, oldSetup, newSetup, t.paths, clock);
    ASSERT_EQ(mask, 2);
    std::string text;
    EXPECT_EQ(t.Run(mask, 0, 0, text), tw::TW_FILE_RUN_FAILED);
    EXPECT_EQ(text, t.dir / "dial.sh" +
                        "\ndial: reason 1\ndial: reason 2\ndial: reason 3\ndial: reason 4");
    EXPECT_EQ(tw::TwMessageString(tw::TW_FILE_RUN_FAILED, text),
              "Following program failed.\n" + text);

    ASSERT_EQ(tw::RestoreConfigure(t.config, newSetup, oldSetup, t.paths), 0);
    EXPECT_TRUE(rec.messages.empty());
    tw::TwSetup back;
    tw::InitializeWYConfig(t.config, back);
    tw::InitializeDialupConf(t.config, back);
    EXPECT_EQ(back.DialupDevice, tw::DIAL_MODEM);
    EXPECT_TRUE(back.Phs == oldSetup.Phs);
    EXPECT_FALSE(testutil::Exists(t.dir / "cfg/dialup/phs/pap-secrets"));
}

// The window waits for its own apply process only: another child that ends
// first is neither taken for it nor collected.
TEST(TwApply, WaitsForExactlyTheApplyProcess) {
    ApplyTree t;
    WriteFile(t.dir / "net.sh", "#!/bin/sh\nsleep 0.3\necho \"net $*\" >> " + t.log + "\n", 0755);
    pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        ::_exit(0);
    }
    tw::ApplyProcess process;
    ASSERT_EQ(tw::ExecConfigure(1, t.config, 0, 1, t.paths, process), tw::TW_APPLY_STARTED);
    ::usleep(100000);  // the other child has ended by now
    int code = -1;
    std::string text;
    EXPECT_EQ(tw::CheckApplyProcess(process, code, text), 0);
    EXPECT_EQ(tw::WaitApplyProcess(process, code, text), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(t.log), "net 2\n");
    int status = 0;
    EXPECT_EQ(::waitpid(other, &status, 0), other);  // still ours to collect
}

// The whole apply as the window runs it: write, start, and after "Update"
// nothing more to do.
TEST(TwApply, ReflectionConfigureMasksAndUpdate) {
    ApplyTree t;
    twtest::FakeClock clock;
    twtest::MessageRecorder rec;
    tw::TwSetup oldSetup, newSetup;
    tw::InitializeWYConfig(t.config, oldSetup);
    ASSERT_EQ(tw::InitializeTimeConf(oldSetup, t.paths, clock), 0);
    oldSetup.NetworkType = tw::NET_WIRELESS;
    newSetup = oldSetup;
    newSetup.NetworkType = tw::NET_DISABLED;
    newSetup.Pdc.DialType = 1;
    int mask = tw::ReflectionConfigure(t.config, oldSetup, newSetup, t.paths, clock);
    EXPECT_EQ(mask, 3);
    EXPECT_TRUE(rec.messages.empty());
    std::string text;
    EXPECT_EQ(t.Run(mask, oldSetup.NetworkType, newSetup.NetworkType, text), 0);
    EXPECT_EQ(ReadFile(t.log), "net 3\ndial\n");
    EXPECT_TRUE(clock.sets.empty());

    oldSetup = newSetup;
    EXPECT_EQ(tw::ReflectionConfigure(t.config, oldSetup, newSetup, t.paths, clock), 0);
    EXPECT_TRUE(tw::SameSetup(oldSetup, newSetup));
}

// Another Tunewell holding the tree (the apply gives up after the time
// limit), or a wycfg.dat that cannot be written, stops the apply with its
// message and nothing written.
TEST(TwApply, HeldTreeOrUnwritableWycfgStopsTheApplyWithItsMessage) {
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "tree held" : "wycfg.dat a directory");
        ApplyTree t;
        const std::string before = ReadFile(t.dir / "cfg/wycfg.dat");
        std::optional<tw::TwTreeLock> lock;
        if (held) {
            ASSERT_TRUE(lock.emplace(t.config.ConfigDir).locked());
        } else {
            ::unlink((t.dir / "cfg/wycfg.dat").c_str());
            testutil::MakeDirs(t.dir / "cfg/wycfg.dat");
        }
        // The lock is per process: the apply runs in a child.
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            twtest::FakeClock clock;
            twtest::MessageRecorder rec;
            tw::TwSetup oldSetup, newSetup;
            newSetup.NetworkType = tw::NET_DISABLED;
            const int rc = tw::ReflectionConfigure(t.config, oldSetup, newSetup, t.paths, clock);
            // The read of an unusable file already says what is wrong.
            const int code = held ? tw::TW_FILE_BUSY : tw::TW_FILE_OPEN;
            ::_exit(rc == tw::TW_APPLY_FATAL && rec.Codes() == std::vector<int>{code} ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (held) {
            EXPECT_EQ(ReadFile(t.dir / "cfg/wycfg.dat"), before);
        }
    }
}

}  // namespace

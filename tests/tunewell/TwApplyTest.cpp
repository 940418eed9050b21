// The start-up and apply sequences without a window: what is shown, made
// insensitive, waited for and quit, in order, and what the tree and the
// records hold afterwards.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwApply.h"
#include "tunewell/TwTable.h"

namespace {

// Plays the window: logs every call and every message in one sequence.
class ScriptedUi : public tw::TwApplyUi {
  public:
    ScriptedUi() {
        previous_ = tw::SetTwMessageHandler([this](int code, const std::string& text, int) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
            calls.push_back(std::string("message ") + hex);
            lastText = text;
            return 0;
        });
    }
    ~ScriptedUi() override { tw::SetTwMessageHandler(previous_); }
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    void FocusTimeField(int field) override { calls.push_back("focus " + std::to_string(field)); }
    void SetSensitive(bool sensitive) override {
        calls.push_back(sensitive ? "sensitive" : "insensitive");
    }
    int WaitForApply(tw::ApplyProcess& process, int& code, std::string& text) override {
        calls.push_back("wait");
        tw::WaitApplyProcess(process, code, text);
        return noWindow ? tw::TW_APPLY_FATAL : 0;
    }
    void Quit() override { calls.push_back("quit"); }

    std::vector<std::string> calls;
    std::string lastText;
    bool noWindow = false;

  private:
    tw::TwMessageHandler previous_;
};

// A configured tree whose network script logs its argument, read at start.
struct StartedTree {
    TempDir dir;
    tw::WYConfig config{};
    tw::TwSetup oldSetup = twtest::ClearedSetup();
    tw::TwSetup newSetup = twtest::ClearedSetup();
    tw::TwPaths paths = twtest::MakeSystem(dir / "sys");
    twtest::FakeClock clock;

    StartedTree() {
        WriteFile(dir / "net.sh", "#!/bin/sh\necho \"net $*\" >> " + Log() + "\n", 0755);
        WriteFile(paths.hwclock, "#!/bin/sh\n", 0755);
        testutil::MakeDirs(dir / "cfg");
        WriteFile(dir / "cfg/wycfg.dat", "NETWORK_SCRIPT=" + (dir / "net.sh") + "\n");
    }
    tw::TwSession Session() { return tw::TwSession{config, oldSetup, newSetup, paths, clock}; }
    std::string Log() const { return dir / "log"; }
    std::string Ran() const { return testutil::Exists(Log()) ? ReadFile(Log()) : ""; }
    // The time page as the window shows it for the new record.
    tw::TimeForm Form() const {
        return tw::TimeForm{newSetup.Year,   newSetup.Month,  newSetup.Day,     newSetup.Hour,
                            newSetup.Minute, newSetup.Second, newSetup.TimeZone};
    }
};

TEST(TwStart, EachFailingStepEndsTheStartWithItsMessage) {
    struct Case {
        const char* what;
        bool wycfgSet;
        bool zoneTable;
        int status;
        std::vector<std::string> calls;
    } cases[] = {
        {"no WYCFG", false, true, 1, {"message 01010003"}},
        {"no zone table", true, false, 1, {"message 05010000"}},
        {"everything read", true, true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartedTree run;
        if (!c.zoneTable) {
            ::unlink(run.paths.zoneTable.c_str());
        }
        ScriptedUi ui;
        const std::string wycfg = run.dir / "cfg";
        EXPECT_EQ(tw::LoadSettings(run.Session(), c.wycfgSet ? wycfg.c_str() : nullptr, "C"),
                  c.status);
        EXPECT_EQ(ui.calls, c.calls);
        if (c.status == 0) {
            EXPECT_STREQ(run.config.NetworkScript, (run.dir / "net.sh").c_str());
            EXPECT_STREQ(run.oldSetup.TimeZone, "Etc/UTC");
            EXPECT_TRUE(tw::SameSetup(run.oldSetup, run.newSetup));
        }
    }
}

TEST(TwApplySequence, EachWayAnApplyEndsIsShownInOrder) {
    enum Change { kNone, kBadYear, kDisable };
    struct Case {
        const char* what;
        Change change;
        int stay;
        const char* script;  // the network script's body after the log line
        bool brokenWycfg;    // wycfg.dat cannot be written
        bool noWindow;       // the wait window cannot be shown
        tw::ApplyOutcome outcome;
        std::vector<std::string> calls;
        const char* ran;
        bool oldIsNew;  // the old record has become the new one
    } cases[] = {
        {"bad year",
         kBadYear,
         tw::kApplyAndStay,
         "",
         false,
         false,
         tw::ApplyOutcome::kTimeRefused,
         {"focus 1", "message 04000000", "focus 1"},
         "",
         false},
        {"nothing changed, Quit",
         kNone,
         tw::kApplyAndQuit,
         "",
         false,
         false,
         tw::ApplyOutcome::kUnchanged,
         {"quit"},
         "",
         true},
        {"nothing changed, Update",
         kNone,
         tw::kApplyAndStay,
         "",
         false,
         false,
         tw::ApplyOutcome::kUnchanged,
         {},
         "",
         true},
        {"write fails",
         kDisable,
         tw::kApplyAndQuit,
         "",
         true,
         false,
         tw::ApplyOutcome::kWriteFailed,
         {"insensitive", "message 05010000", "sensitive"},
         "",
         false},
        {"script fails",
         kDisable,
         tw::kApplyAndStay,
         "echo 'no link' >&2\nexit 3\n",
         false,
         false,
         tw::ApplyOutcome::kStepFailed,
         {"insensitive", "wait", "sensitive", "message 05010005"},
         "net 4\n",
         false},
        {"no wait window",
         kDisable,
         tw::kApplyAndStay,
         "",
         false,
         true,
         tw::ApplyOutcome::kNoWaitWindow,
         {"insensitive", "wait", "sensitive"},
         "net 4\n",
         false},
        {"applied, Update",
         kDisable,
         tw::kApplyAndStay,
         "",
         false,
         false,
         tw::ApplyOutcome::kApplied,
         {"insensitive", "wait", "sensitive", "message 0F000000"},
         "net 4\n",
         true},
        {"applied, Quit",
         kDisable,
         tw::kApplyAndQuit,
         "",
         false,
         false,
         tw::ApplyOutcome::kApplied,
         {"insensitive", "wait", "sensitive", "message 0F000000", "quit"},
         "net 4\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartedTree run;
        WriteFile(run.dir / "net.sh",
                  "#!/bin/sh\necho \"net $*\" >> " + run.Log() + "\n" + c.script, 0755);
        const std::string wycfg = run.dir / "cfg";
        ASSERT_EQ(tw::LoadSettings(run.Session(), wycfg.c_str(), "C"), 0);
        const std::string wycfgBefore = ReadFile(run.dir / "cfg/wycfg.dat");
        if (c.brokenWycfg) {
            ::unlink((run.dir / "cfg/wycfg.dat").c_str());
            testutil::MakeDirs(run.dir / "cfg/wycfg.dat");
        }
        tw::TimeForm form = run.Form();
        if (c.change == kBadYear) {
            form.Year = "2038";
            run.newSetup.NetworkType = tw::NET_DISABLED;
        }
        if (c.change == kDisable) {
            run.newSetup.NetworkType = tw::NET_DISABLED;
        }
        ScriptedUi ui;
        ui.noWindow = c.noWindow;
        EXPECT_EQ(tw::ApplySettings(run.Session(), c.stay, form, ui), c.outcome);
        EXPECT_EQ(ui.calls, c.calls);
        EXPECT_EQ(run.Ran(), c.ran);
        EXPECT_EQ(tw::SameSetup(run.oldSetup, run.newSetup), c.oldIsNew);
        if (c.outcome == tw::ApplyOutcome::kStepFailed) {
            // Named with its reason, and the tree says again what the system has.
            EXPECT_EQ(ui.lastText, run.dir / "net.sh" + "\nno link");
            EXPECT_EQ(ReadFile(run.dir / "cfg/wycfg.dat").find("NETWORK=disable"),
                      std::string::npos);
            EXPECT_EQ(run.oldSetup.NetworkType, tw::NET_LAN);
        }
        if (c.outcome == tw::ApplyOutcome::kTimeRefused) {
            EXPECT_EQ(ReadFile(run.dir / "cfg/wycfg.dat"), wycfgBefore);
        }
    }
}

}  // namespace

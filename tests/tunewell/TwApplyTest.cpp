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
    std::string Joined() const {
        std::string all;
        for (const std::string& call : calls) {
            all += (all.empty() ? "" : ", ") + call;
        }
        return all;
    }

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
    tw::TwSetup oldSetup;
    tw::TwSetup newSetup;
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
};

TEST(TwStart, EachFailingStepEndsTheStartWithItsMessage) {
    struct Case {
        const char* what;
        bool wycfgSet;
        bool zoneTable;
        int status;
        const char* calls;
    } cases[] = {
        {"no WYCFG", false, true, 1, "message 01010003"},
        {"no zone table", true, false, 1, "message 05010000"},
        {"everything read", true, true, 0, ""},
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
        EXPECT_EQ(ui.Joined(), c.calls);
        if (c.status == 0) {
            EXPECT_EQ(run.config.NetworkScript, run.dir / "net.sh");
            EXPECT_EQ(run.oldSetup.TimeZone, "Etc/UTC");
            EXPECT_TRUE(tw::SameSetup(run.oldSetup, run.newSetup));
        }
    }
}

TEST(TwApplySequence, EachWayAnApplyEndsIsShownInOrder) {
    // What the run meets; every case but kNoChange disables the network.
    enum Trouble { kNone, kNoChange, kBadYear, kUnwritable, kScriptFails, kNoWindow };
    using Outcome = tw::ApplyOutcome;
    const int quit = tw::kApplyAndQuit;
    const int stay = tw::kApplyAndStay;
    // The window's calls, joined by ", ".
    struct Case {
        Trouble trouble;
        int button;
        Outcome outcome;
        const char* calls;
        bool oldIsNew;  // the old record has become the new one
    } cases[] = {
        {kBadYear, stay, Outcome::kTimeRefused, "focus 1, message 04000000, focus 1", false},
        {kNoChange, quit, Outcome::kUnchanged, "quit", true},
        {kNoChange, stay, Outcome::kUnchanged, "", true},
        {kUnwritable, quit, Outcome::kWriteFailed, "insensitive, message 05010000, sensitive",
         false},
        {kScriptFails, stay, Outcome::kStepFailed, "insensitive, wait, sensitive, message 05010005",
         false},
        {kNoWindow, stay, Outcome::kNoWaitWindow, "insensitive, wait, sensitive", false},
        {kNone, stay, Outcome::kApplied, "insensitive, wait, sensitive, message 0F000000", true},
        {kNone, quit, Outcome::kApplied, "insensitive, wait, sensitive, message 0F000000, quit",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "trouble " << c.trouble << ", button " << c.button);
        StartedTree run;
        if (c.trouble == kScriptFails) {
            const std::string script = run.dir / "net.sh";
            WriteFile(script, ReadFile(script) + "echo 'no link' >&2\nexit 3\n", 0755);
        }
        const std::string wycfg = run.dir / "cfg";
        ASSERT_EQ(tw::LoadSettings(run.Session(), wycfg.c_str(), "C"), 0);
        const std::string wycfgBefore = ReadFile(run.dir / "cfg/wycfg.dat");
        if (c.trouble == kUnwritable) {
            ::unlink((run.dir / "cfg/wycfg.dat").c_str());
            testutil::MakeDirs(run.dir / "cfg/wycfg.dat");
        }
        // The time page as the window shows it for the new record.
        const tw::TwSetup& shown = run.newSetup;
        tw::TimeForm form{shown.Year,   shown.Month,  shown.Day,     shown.Hour,
                          shown.Minute, shown.Second, shown.TimeZone};
        if (c.trouble == kBadYear) {
            form.Year = "2038";
        }
        if (c.trouble != kNoChange) {
            run.newSetup.NetworkType = tw::NET_DISABLED;
        }
        ScriptedUi ui;
        ui.noWindow = c.trouble == kNoWindow;
        EXPECT_EQ(tw::ApplySettings(run.Session(), c.button, form, ui), c.outcome);
        EXPECT_EQ(ui.Joined(), c.calls);
        // The script runs exactly when it is waited for.
        EXPECT_EQ(run.Ran(),
                  std::string(c.calls).find("wait") != std::string::npos ? "net 4\n" : "");
        EXPECT_EQ(tw::SameSetup(run.oldSetup, run.newSetup), c.oldIsNew);
        if (c.outcome == Outcome::kStepFailed) {
            // Named with its reason, and the tree says again what the system has.
            EXPECT_EQ(ui.lastText, run.dir / "net.sh" + "\nno link");
            EXPECT_EQ(ReadFile(run.dir / "cfg/wycfg.dat").find("NETWORK=disable"),
                      std::string::npos);
            EXPECT_EQ(run.oldSetup.NetworkType, tw::NET_LAN);
        }
        if (c.outcome == Outcome::kTimeRefused) {
            EXPECT_EQ(ReadFile(run.dir / "cfg/wycfg.dat"), wycfgBefore);
        }
    }
}

}  // namespace

// The dialer's windows under the virtual X server, run in this process with
// its paths pointed at a temporary tree and a fake daemon: a shell script
// that starts a process named "chat", brings a ppp0 line into a fake
// /proc/net/dev and traps SIGINT.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <regex>

#include "GuiDriverSupport.h"
#include "ProcTreeSupport.h"
#include "TestUtil.h"
#include "ringout/RoCallbacks.h"
#include "ringout/RoControl.h"

namespace {

using rotest::LabelMatches;
using rotest::Scenario;
using rotest::SendDeleteTo;
using testutil::TempDir;
using testutil::WriteFile;

const char kIdle[] = "Inter-|   Receive\n face |bytes\n  ppp0: 0 0 0 0 0 0 0 0 0 0 0 0\n";
const char kBusy[] = "Inter-|   Receive\n face |bytes\n  ppp0: 1800 14 0 0 0 0 0 0 620 9 0 0\n";

class RingoutWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        chat_ = rotest::MakeNamedSleep(dir_ / "bin", "chat");
        options_ = rotest::OptionsIn(dir_);
        WriteFile(options_.paths.options, "/dev/ttyS14 115200\nlock\n");
        WriteFile(options_.paths.chatScript, "#!/bin/sh\n", 0755);
    }
    // Whatever the fake daemon left running was started by this test.
    void TearDown() override { rotest::EndGroup(rotest::PidFromFile(dir_ / "pppd.pid")); }
    // The fake daemon: `dial` runs after the pid is noted and SIGINT is
    // trapped (`hangUp` runs then, and it leaves a short-lived "chat"
    // behind, as a hang-up script would); then it idles until told to stop.
    void FakeDaemon(const std::string& dial, const std::string& hangUp = "") {
        WriteFile(options_.paths.pppd,
                  "#!/bin/sh\necho $$ > " + (dir_ / "pppd.pid") + "\necho \"$@\" > " +
                      (dir_ / "args") + "\ntrap 'echo int >> " + (dir_ / "int") + "; " + hangUp +
                      chat_ + " 20 & exit 0' INT\n" + dial + "\nwhile :; do sleep 0.05; [ -e " +
                      (dir_ / "hangup") + " ] && exit 1; done\n",
                  0755);
    }
    // Dials for a moment, then the link comes up idle and carries traffic.
    void ConnectingDaemon(const std::string& hangUp = "") {
        FakeDaemon(chat_ + " 1\nprintf '" + std::string(kIdle) + "' > " + options_.paths.netDev +
                       "\nsleep 0.6\nprintf '" + kBusy + "' > " + options_.paths.netDev,
                   hangUp);
    }
    pid_t DaemonPid() { return std::atoi(testutil::ReadFile(dir_ / "pppd.pid").c_str()); }
    int Run(Scenario& scenario) {
        scenario.Start();
        const int status = ro::RingoutMain(options_);
        EXPECT_TRUE(scenario.Done()) << "the program ended before the scenario did";
        return status;
    }

    TempDir dir_;
    std::string chat_;
    ro::RingoutOptions options_;
};

TEST_F(RingoutWindows, StartWindowNamesTheDeviceOfTheOptions) {
    struct Case {
        const char* options;
        const char* text;
    };
    const Case cases[] = {
        {"/dev/ttyS14 115200\n", "Start Connection by MODEM."},
        {"lock\n# DeviceName PHS\n", "Start Connection by PHS."},
        {"lock\n# DeviceName PDC\n", "Start Connection by PDC."},
    };
    for (const Case& c : cases) {
        WriteFile(options_.paths.options, c.options);
        Scenario scenario;
        scenario.Click("Ringout", "Cancel", [&](Gtk::Window* window) {
            EXPECT_EQ(c.text, rotest::LabelText(window));
            EXPECT_NE(nullptr, rotest::ButtonNamed(window, "Setting..."));
            Gtk::Button* start = rotest::ButtonNamed(window, "Start");
            ASSERT_NE(nullptr, start);
            EXPECT_TRUE(start->is_focus());
            EXPECT_TRUE(start->has_default());
            rotest::MaybeScreenshot("Ringout", "Start", "ringout-start");
        });
        EXPECT_EQ(0, Run(scenario));
    }
}

TEST_F(RingoutWindows, ConnectionComesUpCountsAndIsStoppedAfterTheQuestion) {
    ConnectingDaemon();
    bool sawWait = false;
    Scenario scenario;
    scenario.Click("Ringout", "Start")
        .Then(
            "the wait window", [&] { return rotest::FindWindow("Connecting...") != nullptr; },
            [&] {
                sawWait = true;
                rotest::MaybeScreenshot("Connecting...", "", "ringout-wait");
            })
        .Then("the time counts", LabelMatches("Ringout", "Stop ", "00:00:0[1-9] Connect"),
              [] { rotest::MaybeScreenshot("Ringout", "Stop ", "ringout-connected", 0); })
        .Click("Ringout", "Stop ")
        // Cancel keeps the line up.
        .Click("System Closed", "Cancel",
               [](Gtk::Window* window) {
                   EXPECT_EQ("Do you wish to disconnect PPP connection?",
                             rotest::LabelText(window));
                   Gtk::Button* cancel = rotest::ButtonNamed(window, "Cancel");
                   EXPECT_TRUE(cancel->has_default());
                   EXPECT_NE(nullptr, rotest::ButtonNamed(window, "OK"));
               })
        .Then("still connected", LabelMatches("Ringout", "Stop ", "00:00:[0-9]{2} Connect"),
              nullptr)
        .Click("Ringout", "Stop ")
        .Click("System Closed", "OK")
        .Then("stopped", LabelMatches("Ringout", "Connect ", "00:00:[0-9]{2} Stop"),
              [this] {
                  EXPECT_FALSE(rotest::Alive(DaemonPid()));
                  EXPECT_EQ("int\n", testutil::ReadFile(dir_ / "int"));
                  ro::RoPaths real;
                  EXPECT_EQ(ro::CHAT_NONE, ro::CheckChatProcess(DaemonPid(), real));
                  SendDeleteTo("Ringout");
              })
        .Click("System Closed", "OK", [](Gtk::Window* window) {
            EXPECT_EQ("Do you wish to close?", rotest::LabelText(window));
        });
    EXPECT_EQ(0, Run(scenario));
    EXPECT_TRUE(sawWait);
    EXPECT_EQ("-detach\n", testutil::ReadFile(dir_ / "args"));
}

// A dial-up that cannot go on says why, and OK returns to the start window:
// the daemon gave up, or without a process table the wait cannot go on (the
// daemon is then stopped).
TEST_F(RingoutWindows, FailedDialupSaysWhyAndReturnsToTheStartWindow) {
    struct Case {
        const char* title;
        const char* text;
        bool noProcessTable;
    };
    const Case cases[] = {
        {"Connection Failed",
         "Failed to dialup the host.  If the line is busy\nPlease try again later.", false},
        {"Memory Error", "Not enough memory to continue.\nPlease close unnecessary applications.",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        if (c.noProcessTable) {
            ConnectingDaemon();
            options_.paths.procRoot = dir_ / "no-proc";
        } else {
            FakeDaemon(chat_ + " 0.3\nexit 1");
        }
        Scenario scenario;
        // The daemon that was still dialling is stopped while the message is up.
        scenario.Click("Ringout", "Start")
            .Then(
                "the daemon has ended",
                [&] {
                    return rotest::FindWindow(c.title) != nullptr && !rotest::Alive(DaemonPid());
                },
                nullptr)
            .Click(c.title, "OK",
                   [&](Gtk::Window* window) {
                       EXPECT_EQ(c.text, rotest::LabelText(window));
                       rotest::MaybeScreenshot(
                           c.title, "OK", c.noProcessTable ? "ringout-memory" : "ringout-failed");
                   })
            .Click("Ringout", "Cancel");
        EXPECT_EQ(0, Run(scenario));
    }
    // Only the daemon that was still dialling was interrupted.
    EXPECT_EQ("int\n", testutil::ReadFile(dir_ / "int"));
}

// The longest time the loop that runs went without a tick, from Begin on.
class Heartbeat {
  public:
    void Begin() {
        last_ = std::chrono::steady_clock::now();
        beat_ = Glib::signal_timeout().connect(
            [this] {
                const auto now = std::chrono::steady_clock::now();
                longest_ = std::max(longest_, now - last_);
                last_ = now;
                return true;
            },
            50);
    }
    std::chrono::milliseconds Longest() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(longest_);
    }
    ~Heartbeat() { beat_.disconnect(); }

  private:
    std::chrono::steady_clock::time_point last_;
    std::chrono::steady_clock::duration longest_{};
    sigc::connection beat_;
};

// A daemon whose hang-up takes longer than a window may freeze: the window
// answers all along, shows the final time at once and offers "Connect "
// only once the daemon has ended by itself.
TEST_F(RingoutWindows, StopLetsTheDaemonHangUpWhileTheWindowKeepsAnswering) {
    ConnectingDaemon("sleep 6; echo done > " + (dir_ / "hungup") + "; ");
    Heartbeat heartbeat;
    Scenario scenario;
    scenario.Click("Ringout", "Start")
        .Then("connected", LabelMatches("Ringout", "Stop ", "00:00:0[1-9] Connect"), nullptr)
        .Click("Ringout", "Stop ")
        .Click("System Closed", "OK", [&](Gtk::Window*) { heartbeat.Begin(); })
        .Then(
            "hanging up",
            [] {
                Gtk::Window* window = rotest::WindowWith("Ringout", "Stop ");
                return window != nullptr &&
                       !rotest::ButtonNamed(window, "Stop ")->get_sensitive() &&
                       std::regex_match(rotest::LabelText(window),
                                        std::regex("00:00:[0-9]{2} Stop"));
            },
            [this] { EXPECT_TRUE(rotest::Alive(DaemonPid())); })
        .Then(
            "hung up",
            [] {
                Gtk::Window* window = rotest::WindowWith("Ringout", "Connect ");
                return window != nullptr &&
                       rotest::ButtonNamed(window, "Connect ")->get_sensitive();
            },
            [&] {
                EXPECT_FALSE(rotest::Alive(DaemonPid()));
                EXPECT_TRUE(testutil::Exists(dir_ / "hungup")) << "killed during its hang-up";
                EXPECT_LT(heartbeat.Longest(), std::chrono::milliseconds(2000))
                    << "the window froze";
                SendDeleteTo("Ringout");
            })
        .Click("System Closed", "OK");
    EXPECT_EQ(0, Run(scenario));
    EXPECT_EQ("int\n", testutil::ReadFile(dir_ / "int"));
}

// A dial that does not get anywhere can be given up: Escape or the window
// manager's close asks first; Cancel waits on, OK stops the daemon and
// brings back the start window, whose Start waits for the daemon's end.
TEST_F(RingoutWindows, ClosingTheWaitAsksAndOkStopsTheDaemon) {
    struct Case {
        const char* what;
        std::function<void(Gtk::Window*)> close;
    };
    const Case cases[] = {
        {"Escape", [](Gtk::Window* window) { rotest::SendKey(window, GDK_KEY_Escape); }},
        {"window manager", [](Gtk::Window* window) { rotest::SendDelete(window); }},
    };
    const auto closeWait = [](const Case& c) {
        Gtk::Window* wait = rotest::FindWindow("Connecting...");
        ASSERT_NE(nullptr, wait);
        c.close(wait);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink((dir_ / "int").c_str());
        FakeDaemon("", "sleep 1; ");
        Scenario scenario;
        scenario.Click("Ringout", "Start")
            .Then(
                "waiting", [] { return rotest::FindWindow("Connecting...") != nullptr; },
                [&] { closeWait(c); })
            .Click("System Closed", "Cancel",
                   [](Gtk::Window* window) {
                       EXPECT_EQ("Do you wish to disconnect PPP connection?",
                                 rotest::LabelText(window));
                   })
            .Then(
                "still waiting",
                [] {
                    return rotest::FindWindow("System Closed") == nullptr &&
                           rotest::FindWindow("Connecting...") != nullptr;
                },
                [&] {
                    EXPECT_TRUE(rotest::Alive(DaemonPid()));
                    closeWait(c);
                })
            .Click("System Closed", "OK")
            .Then(
                "start window while the daemon hangs up",
                [] { return rotest::WindowWith("Ringout", "Start") != nullptr; },
                [] {
                    Gtk::Window* window = rotest::WindowWith("Ringout", "Start");
                    EXPECT_FALSE(rotest::ButtonNamed(window, "Start")->get_sensitive());
                    EXPECT_EQ(nullptr, rotest::FindWindow("Connecting..."));
                })
            .Then(
                "start again once it has ended",
                [] {
                    Gtk::Window* window = rotest::WindowWith("Ringout", "Start");
                    return window != nullptr &&
                           rotest::ButtonNamed(window, "Start")->get_sensitive();
                },
                [this] {
                    EXPECT_FALSE(rotest::Alive(DaemonPid()));
                    rotest::ButtonNamed(rotest::WindowWith("Ringout", "Start"), "Cancel")
                        ->clicked();
                });
        EXPECT_EQ(0, Run(scenario));
        EXPECT_EQ("int\n", testutil::ReadFile(dir_ / "int"));
    }
}

TEST_F(RingoutWindows, DaemonEndingWhileConnectedIsReportedAndConnectOpensANewStart) {
    ConnectingDaemon();
    Scenario scenario;
    scenario.Click("Ringout", "Start")
        .Then("connected", LabelMatches("Ringout", "Stop ", "00:00:0[1-9] Connect"),
              [this] { WriteFile(dir_ / "hangup", ""); })
        .Click("PPP Interrupted", "OK",
               [](Gtk::Window* window) {
                   EXPECT_EQ("PPP connection is disconnected.", rotest::LabelText(window));
               })
        .Click("Ringout", "Connect ",
               [](Gtk::Window* window) {
                   EXPECT_TRUE(std::regex_match(rotest::LabelText(window),
                                                std::regex("00:00:[0-9]{2} Stop")));
               })
        .Click("Ringout", "Cancel", [](Gtk::Window* window) {
            EXPECT_EQ("Start Connection by MODEM.", rotest::LabelText(window));
        });
    EXPECT_EQ(0, Run(scenario));
}

TEST_F(RingoutWindows, ClosingWhileConnectedAsksToDisconnectAndEnds) {
    ConnectingDaemon();
    Scenario scenario;
    scenario.Click("Ringout", "Start")
        .Then("connected", LabelMatches("Ringout", "Stop ", "00:00:0[1-9] Connect"),
              [this] { SendDeleteTo("Ringout"); })
        // Closing the question itself counts as "no".
        .Then(
            "question", [] { return rotest::WindowWith("System Closed", "OK") != nullptr; },
            [] { rotest::SendDelete(rotest::WindowWith("System Closed", "OK")); })
        .Then("still up", LabelMatches("Ringout", "Stop ", "00:00:[0-9]{2} Connect"),
              [this] { SendDeleteTo("Ringout"); })
        .Click("System Closed", "OK", [](Gtk::Window* window) {
            EXPECT_EQ("Do you wish to disconnect PPP connection?", rotest::LabelText(window));
        });
    EXPECT_EQ(0, Run(scenario));
    EXPECT_FALSE(rotest::Alive(DaemonPid()));
    EXPECT_TRUE(testutil::Exists(dir_ / "int"));
}

TEST_F(RingoutWindows, SettingRunsTheToolAndRereadsTheDevice) {
    WriteFile(options_.paths.tunewell,
              "#!/bin/sh\necho \"$@\" > " + (dir_ / "twargs") +
                  "\nsleep 0.5\nprintf '# DeviceName PDC\\n' > " + options_.paths.options + "\n",
              0755);
    Scenario scenario;
    scenario.Click("Ringout", "Setting...")
        .Then(
            "tool running",
            [] {
                Gtk::Window* window = rotest::WindowWith("Ringout", "Start");
                return window && !rotest::ButtonNamed(window, "Start")->get_sensitive() &&
                       !rotest::ButtonNamed(window, "Setting...")->get_sensitive();
            },
            nullptr)
        .Then("device reread", LabelMatches("Ringout", "Start", "Start Connection by PDC\\."), [] {
            Gtk::Window* window = rotest::WindowWith("Ringout", "Start");
            EXPECT_TRUE(rotest::ButtonNamed(window, "Start")->get_sensitive());
            EXPECT_TRUE(rotest::ButtonNamed(window, "Setting...")->get_sensitive());
            rotest::ButtonNamed(window, "Cancel")->clicked();
        });
    EXPECT_EQ(0, Run(scenario));
    EXPECT_EQ("--dialuponly\n", testutil::ReadFile(dir_ / "twargs"));
}

// Messages that end the program: each shows its title and text, and the
// program ends with a failure once it is closed.
TEST_F(RingoutWindows, FatalMessagesEndTheProgram) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* title;
        const char* text;
        bool startWindow;  // shown from the start window's loop
    };
    const std::vector<Case> cases = {
        {"no options", [this] { ::unlink(options_.paths.options.c_str()); },
         "Configuration File Error", "Cannot find /etc/ppp/options file.", false},
        {"no chat script", [this] { ::unlink(options_.paths.chatScript.c_str()); },
         "Configuration File Error", "Cannot find /etc/ppp/chat_script file.", false},
        {"not root", [this] { options_.becomeRoot = [] { return false; }; },
         "Error occurred while starting", "Failed to obtain root authorities.", false},
        {"second copy",
         [this] { rotest::AddProcess(options_.instanceProcRoot, 4242, "Ringout", 'S', 1, 4242); },
         "Error occurred while starting", "Dialup Connection Tool is already started.", false},
        {"no tool", [] {}, "Error occurred while starting", "Failed to start Configuration Tools.",
         true},
        {"no daemon", [] {}, "Error occurred while starting",
         "Failed to start PPP Connection Program.", true},
    };
    int round = 0;
    for (const Case& c : cases) {
        SetUp();
        options_.instanceProcRoot = dir_ / ("instances" + std::to_string(++round));
        testutil::MakeDirs(options_.instanceProcRoot);
        c.arrange();
        Scenario scenario;
        if (c.startWindow) {
            scenario.Click("Ringout", std::string(c.what) == "no tool" ? "Setting..." : "Start");
        }
        scenario.Click(c.title, "OK", [&](Gtk::Window* window) {
            EXPECT_EQ(c.text, rotest::LabelText(window)) << c.what;
            EXPECT_EQ(nullptr, rotest::ButtonNamed(window, "Cancel")) << c.what;
        });
        EXPECT_EQ(1, Run(scenario)) << c.what;
        EXPECT_EQ(nullptr, rotest::FindWindow("Ringout")) << c.what;
    }
}

}  // namespace

// The dialer's widget-free core against scripted files, process tables,
// clocks and windows (its connection flow), and against real helper
// processes where signals matter.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>

#include "ProcTreeSupport.h"
#include "TestUtil.h"
#include "ringout/RoControl.h"
#include "ringout/RoTable.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

// A /proc/net/dev line of a link that has carried packets.
constexpr const char* kTraffic = "  ppp0: 0 0 0 0 0 0 0 0 310 4\n";

ro::RoPaths PathsIn(const TempDir& dir) {
    ro::RoPaths paths;
    paths.options = dir / "options";
    paths.chatScript = dir / "chat_script";
    paths.pppd = dir / "pppd";
    paths.tunewell = dir / "Tunewell";
    paths.procRoot = dir / "proc";
    paths.netDev = dir / "netdev";
    return paths;
}

// Scripted kill/waitpid/clock: records every call, ends children on demand.
struct FakeSystem {
    std::set<pid_t> ended;
    std::vector<std::pair<pid_t, int>> kills;
    std::vector<std::pair<pid_t, int>> waits;
    std::time_t now = 1000;
    std::int64_t ms = 0;

    ro::RoSystem Make() {
        ro::RoSystem sys;
        sys.kill = [this](pid_t pid, int signo) {
            kills.emplace_back(pid, signo);
            return 0;
        };
        sys.waitpid = [this](pid_t pid, int options) -> pid_t {
            waits.emplace_back(pid, options);
            return ended.count(pid) ? pid : 0;
        };
        sys.now = [this] { return now; };
        sys.monotonicMs = [this] { return ms; };
        sys.sleepMs = [](int) {};
        return sys;
    }
};

TEST(RingoutConfig, DeviceNameAndCodeForEachOptionsFileAndEachUnusableOne) {
    struct Case {
        const char* options;  // null: no options file
        bool chatScript;
        std::uint32_t code;
        const char* device;
    };
    const Case cases[] = {
        {"/dev/ttyS14 115200\n# DeviceName PHS\n", true, 0, "MODEM"},
        {"lock\n# DeviceName PHS\ncrtscts\n", true, 0, "PHS"},
        {"/dev/ttyS1\n# DeviceName PDC\n", true, 0, "PDC"},
        {"# DeviceName ISDN\n", true, 0, "MODEM"},
        // A label with nothing after it is read no further than its line.
        {"lock\n# DeviceName\nPHS\n", true, 0, "MODEM"},
        // Options that do not name the device are the modem's.
        {"lock\nnoauth", true, 0, "MODEM"},
        {nullptr, true, ro::MSG_NO_OPTIONS, ""},
        {"/dev/ttyS14\n", false, ro::MSG_NO_CHAT_SCRIPT, ""},
        {"", true, ro::MSG_OPTIONS_READ_FAILED, ""},
        // A socket exists but cannot be opened, even by root; a directory
        // opens but cannot be read.
        {"<socket>", true, ro::MSG_OPTIONS_OPEN_FAILED, ""},
        {"<directory>", true, ro::MSG_OPTIONS_READ_FAILED, ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const ro::RoPaths paths = PathsIn(dir);
        const std::string options = c.options != nullptr ? c.options : "";
        int sock = -1;
        if (options == "<socket>") {
            sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", paths.options.c_str());
            ASSERT_EQ(0, ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
        } else if (options == "<directory>") {
            testutil::MakeDirs(paths.options);
        } else if (c.options != nullptr) {
            WriteFile(paths.options, c.options);
        }
        if (c.chatScript) {
            WriteFile(paths.chatScript, "#!/bin/sh\n", 0755);
        }
        SCOPED_TRACE(c.options != nullptr ? c.options : "(none)");
        std::string name = "stale";
        EXPECT_EQ(c.code, ro::CheckDialupConfiguration(paths, name));
        EXPECT_EQ(c.device, name);
        if (sock >= 0) {
            ::close(sock);
        }
    }
}

// The code's four fields, one case of each shape (the texts themselves are
// checked where the windows show them).
TEST(RingoutMessages, CodesSelectIconTextTitleAndEnd) {
    struct Case {
        std::uint32_t code;
        const char* title;
        const char* text;
        int icon;
        bool end;
    };
    const Case cases[] = {
        {0x204000F0, "Error occurred while starting", "Dialup Connection Tool is already started.",
         0, true},
        {0x10500100, "Connection Failed",
         "Failed to dialup the host.  If the line is busy\nPlease try again later.", 0, false},
        {0x00200061, "PPP Interrupted", "PPP connection is disconnected.", 1, false},
        {0x00300072, "System Closed", "Do you wish to disconnect PPP connection?", 2, false},
    };
    for (const Case& c : cases) {
        const ro::MessageParts parts = ro::DecodeMessage(c.code);
        EXPECT_STREQ(c.title, parts.title) << std::hex << c.code;
        EXPECT_STREQ(c.text, parts.text) << std::hex << c.code;
        EXPECT_EQ(c.icon, parts.icon) << std::hex << c.code;
        EXPECT_EQ(c.end, parts.endProgram) << std::hex << c.code;
    }
    // Indexes past the tables name nothing rather than reading past them.
    EXPECT_EQ(nullptr, ro::DecodeMessage(0x00000110).text);
    EXPECT_EQ(nullptr, ro::DecodeMessage(0x00600000).title);
}

TEST(RingoutLink, TrafficIsReadFromTheFieldsOfThePppLine) {
    const std::string header =
        "Inter-|   Receive                            |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes\n"
        "    lo:    1200      12    0    0    0     0          0         0     1200\n";
    struct Case {
        std::string text;
        ro::PppLink link;
    };
    const Case cases[] = {
        {header, ro::PppLink::kMissing},
        {header + "  eth0: 5000 40 0 0 0 0 0 0 300 3 0 0\n", ro::PppLink::kMissing},
        {header + "  ppp0:       0       0    0    0    0     0 0 0 0 0 0 0\n", ro::PppLink::kIdle},
        // Short lines: nothing after the colon, or the line ends the file.
        {header + "  ppp0:\n", ro::PppLink::kIdle},
        {header + "ppp0:", ro::PppLink::kIdle},
        {header + "  ppp0:       0       0    0    0    0     0 0 0 56 2 0 0\n",
         ro::PppLink::kTraffic},
        // A two-digit unit shifts the counters; they are still found.
        {header + " ppp12:     740       9    0    0    0     0 0 0 0 0 0 0\n",
         ro::PppLink::kTraffic},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.link, ro::ReadPppLink(c.text)) << c.text;
    }
}

TEST(RingoutChat, OnlyLiveChatProcessesOfTheDaemonAreItsDiallers) {
    const pid_t daemon = 300;
    const std::vector<ro::ProcEntry> table = {
        {300, 1, 300, "pppd", 'S'},
        {301, 300, 300, "chat", 'S'},  // its child
        {302, 310, 302, "chat", 'S'},  // grandchild in a group of its own
        {310, 300, 310, "sh", 'S'},
        {303, 1, 300, "chat", 'S'},     // orphaned, still in the daemon's group
        {304, 300, 300, "chatd", 'S'},  // a name that only begins with "chat"
        {305, 300, 300, "cha", 'S'},
        {306, 300, 300, "chat", 'Z'},  // already ended
        {307, 1, 307, "chat", 'S'},    // someone else's
        {308, 309, 308, "chat", 'S'},  // a loop in the parent links ends the walk
        {309, 308, 309, "x", 'S'},
    };
    std::vector<pid_t> found = ro::FindChatProcesses(daemon, table);
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<pid_t>{301, 302, 303}), found);
    for (pid_t none : {0, -1}) {
        EXPECT_TRUE(ro::FindChatProcesses(none, table).empty());
    }
}

TEST(RingoutChat, AnUnreadableEntryIsSkippedNotTheEndOfTheScan) {
    TempDir dir;
    const std::string proc = dir / "proc";
    for (pid_t pid = 10; pid < 20; ++pid) {
        // Entries without a readable status: no file, or a directory.
        testutil::MakeDirs(proc + "/" + std::to_string(pid) + (pid % 2 ? "/status" : ""));
    }
    rotest::AddProcess(proc, 40, "pppd", 'S', 1, 40);
    rotest::AddProcess(proc, 41, "chat", 'S', 40, 40);
    // Without its stat line the status file still names it and its parent.
    ::unlink((proc + "/41/stat").c_str());
    testutil::MakeDirs(proc + "/self");
    ro::RoPaths paths = PathsIn(dir);
    std::vector<ro::ProcEntry> table;
    ASSERT_TRUE(ro::ReadProcessTable(proc, table));
    EXPECT_EQ(2u, table.size());
    EXPECT_EQ(ro::CHAT_RUNNING, ro::CheckChatProcess(40, paths));
    EXPECT_EQ(ro::CHAT_NONE, ro::CheckChatProcess(-1, paths));
    paths.procRoot = dir / "missing";
    EXPECT_EQ(ro::CHAT_NO_PROC, ro::CheckChatProcess(40, paths));
}

TEST(RingoutClock, ElapsedTimeAndAClockSetBack) {
    ro::RingoutState st;
    st.ConnectTime = 50000;
    ro::UpdateConnectTime(st, 50000 + 3725);
    EXPECT_EQ("01:02:05 Connect", ro::FormatConnectTime(st, "Connect"));
    ro::UpdateConnectTime(st, 50000 + 100 * 3600 + 59);
    EXPECT_EQ("100:00:59 Stop", ro::FormatConnectTime(st, "Stop"));
    // Set back: start again from zero and count from there.
    ro::UpdateConnectTime(st, 40000);
    EXPECT_EQ("00:00:00 Connect", ro::FormatConnectTime(st, "Connect"));
    ro::UpdateConnectTime(st, 40007);
    EXPECT_EQ("00:00:07 Connect", ro::FormatConnectTime(st, "Connect"));
}

// The windows as a script for the connection flow: what was shown, which
// timers run, and the answers the questions get.  The wait window polls
// while its timer runs, as the real one's loop does.
class FakeView : public ro::RingoutView {
  public:
    explicit FakeView(ro::RingoutState& st) : st_(&st) {}
    int ShowMessage(std::uint32_t code) override {
        messages.push_back(code);
        int answer = ro::MSG_ANSWER_CANCEL;
        if (!answers.empty()) {
            answer = answers.front();
            answers.erase(answers.begin());
        }
        if (whileAsked) {
            auto act = std::move(whileAsked);
            whileAsked = nullptr;
            act();
        }
        return answer;
    }
    int RunWait() override {
        if (!canBuildWait) {
            return ro::CONNECT_MACHINE_FAILURE;
        }
        StartTimer(ro::RoTimer::kWaitPoll);
        waitShown = true;
        for (int step = 0; waitShown && step < 50; ++step) {
            if (beforePoll) {
                beforePoll(step);
            }
            if (Runs(ro::RoTimer::kWaitPoll) && !ro::PollWait(*st_, *this)) {
                EXPECT_FALSE(Runs(ro::RoTimer::kWaitPoll)) << "a poll that ended left its timer";
            }
        }
        StopTimer(ro::RoTimer::kWaitPoll);
        return st_->WaitResult;
    }
    void EndWait() override { waitShown = false; }
    void StartTimer(ro::RoTimer timer) override { running.insert(timer); }
    void StopTimer(ro::RoTimer timer) override { running.erase(timer); }
    void ShowTime(const std::string& text) override { time = text; }
    void ShowDevice(const std::string& name) override { device = name; }
    void ShowButtons(const ro::ButtonLook& look) override { buttons = look; }
    bool Runs(ro::RoTimer timer) const { return running.count(timer) != 0; }

    std::vector<std::uint32_t> messages;
    std::vector<int> answers;
    std::function<void()> whileAsked;
    std::function<void(int)> beforePoll;
    bool canBuildWait = true;
    bool waitShown = false;
    std::set<ro::RoTimer> running;
    std::string time = "unset";
    std::string device = "unset";
    ro::ButtonLook buttons;

  private:
    ro::RingoutState* st_;
};

// The flow on a scripted system: daemon 4000, its dialler 4001 when a test
// adds it, the tool 5000.
class RingoutFlow : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    // A fresh record, system, windows and process table: one case of a table.
    void Reset() {
        st = ro::RingoutState{};
        view = FakeView(st);
        fake = FakeSystem{};
        starts.clear();
        daemonPid = 4000;
        toolPid = 5000;
        st.Paths = PathsIn(dir);
        const std::string round = std::to_string(++rounds);
        st.Paths.procRoot = dir / ("proc" + round);
        st.Paths.netDev = dir / ("netdev" + round);
        st.System = fake.Make();
        st.System.start = [this](const std::string& path, const std::string& argument,
                                 const suite::LaunchOptions& options) {
            starts.push_back({path, argument, options.newProcessGroup, options.deathSignal});
            return path == st.Paths.pppd ? daemonPid : toolPid;
        };
        rotest::AddProcess(st.Paths.procRoot, 4000, "pppd", 'S', 1, 4000);
    }
    int Check() { return ro::CheckConnectNetwork(st, st.Paths, st.System); }
    // One poll's result and the phase it leaves the wait in.
    using Poll = std::pair<int, int>;
    Poll CheckPhase() { return {Check(), st.Phase}; }
    void AddChat(pid_t pid, char state = 'S') {
        rotest::AddProcess(st.Paths.procRoot, pid, "chat", state, 4000, 4000);
    }
    // The wait sees the dialler run at its second poll and end at its third;
    // `after` acts from the third poll on.
    void DialsThen(std::function<void(int)> after) {
        view.beforePoll = [this, after](int step) {
            if (step == 1) {
                AddChat(4001);
            } else if (step >= 2) {
                AddChat(4001, 'Z');
                after(step);
            }
        };
    }
    struct Start {
        std::string path;
        std::string argument;
        bool ownGroup;
        int deathSignal;
        bool operator==(const Start&) const = default;
    };
    TempDir dir;
    FakeSystem fake;
    ro::RingoutState st;
    FakeView view{st};
    std::vector<Start> starts;
    pid_t daemonPid = 4000;
    pid_t toolPid = 5000;
    int rounds = 0;
};

TEST_F(RingoutFlow, NoSignalEverGoesToPidZeroOrBelow) {
    EXPECT_EQ(-1, ro::SignalProcess(st.System, 0, SIGINT));
    EXPECT_EQ(-1, ro::SignalProcess(st.System, -1, SIGKILL));
    // A fresh record has no daemon: stopping it signals nothing.
    EXPECT_EQ(-1, st.PppdPid);
    ro::StopDaemon(st, st.Paths, st.System);
    st.PppdPid = 0;
    ro::StopDaemon(st, st.Paths, st.System);
    EXPECT_EQ(0, ro::KillChat(0, st.Paths, st.System));
    EXPECT_TRUE(fake.kills.empty());
    EXPECT_TRUE(fake.waits.empty());
}

// The wait for a daemon the dialer started, on the scripted process table.
TEST_F(RingoutFlow, WaitFollowsChatThenTrafficWithoutBlocking) {
    st.PppdPid = 4000;
    const std::string proc = st.Paths.procRoot;
    rotest::AddProcess(proc, 1, "init", 'S', 0, 1);
    rotest::AddProcess(proc, 4000, "pppd", 'S', 77, 4000);
    // Someone else's dialler is not ours to follow.
    rotest::AddProcess(proc, 5000, "chat", 'S', 1, 5000);

    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 0), CheckPhase());
    rotest::AddProcess(proc, 4001, "chat", 'S', 4000, 4000);
    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 1), CheckPhase());
    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 1), CheckPhase());
    // A finished dialler that its parent has not collected has ended.
    rotest::AddProcess(proc, 4001, "chat", 'Z', 4000, 4000);
    fake.now = 2000;
    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 2), CheckPhase());
    EXPECT_EQ(2000, st.ConnectTime);
    // No interface yet, then an idle one: keep waiting, never blocking.
    EXPECT_EQ(ro::CONNECT_PENDING, Check());
    WriteFile(st.Paths.netDev, "  ppp0: 0 0 0 0 0 0 0 0 0 0\n");
    EXPECT_EQ(ro::CONNECT_PENDING, Check());
    WriteFile(st.Paths.netDev, kTraffic);
    EXPECT_EQ(ro::CONNECT_OK, Check());
    // Non-blocking waits only, for the daemon only: the window's poll never stalls.
    EXPECT_EQ((decltype(fake.waits)(fake.waits.size(), {4000, WNOHANG})), fake.waits);
    EXPECT_TRUE(fake.kills.empty());
}

TEST_F(RingoutFlow, DaemonEndOrMissingProcDecidesTheAttempt) {
    // Phase 0: the daemon gave up before dialling.
    st.PppdPid = 4000;
    fake.ended = {4000};
    EXPECT_EQ(ro::CONNECT_DIALUP_FAILED, Check());
    EXPECT_EQ(-1, st.PppdPid);
    // Phase 2 with no interface: the daemon's end, not a blocking wait.
    st.PppdPid = 4000;
    st.Phase = 2;
    fake.ended.clear();
    EXPECT_EQ(ro::CONNECT_PENDING, Check());
    fake.ended = {4000};
    EXPECT_EQ(ro::CONNECT_DIALUP_FAILED, Check());
    // A dialler that came and went between two polls: the link's traffic
    // shows it; an idle interface alone does not.
    st.PppdPid = 4000;
    st.Phase = 0;
    fake.ended.clear();
    fake.now = 3000;
    WriteFile(st.Paths.netDev, "  ppp0: 0 0 0 0 0 0 0 0 0 0\n");
    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 0), CheckPhase());
    WriteFile(st.Paths.netDev, "  ppp0: 0 0 0 0 0 0 0 0 64 1\n");
    EXPECT_EQ(Poll(ro::CONNECT_PENDING, 2), CheckPhase());
    EXPECT_EQ(3000, st.ConnectTime);
    // No process table at all is a failure of the machine.
    for (int phase : {0, 1}) {
        ro::RoPaths gone = st.Paths;
        gone.procRoot = dir / "no-proc";
        st.Phase = phase;
        st.PppdPid = 4000;
        EXPECT_EQ(ro::CONNECT_MACHINE_FAILURE, ro::CheckConnectNetwork(st, gone, st.System));
    }
}

// Stopping never waits in the window's loop: each step looks once, and the
// daemon gets its whole hang-up before SIGKILL; once it has ended, the
// diallers it left go too.
TEST_F(RingoutFlow, StopStepsNeverBlockAndKillOnlyAfterTheHangUpGrace) {
    // pppd's own hang-up sends terminate requests for about 10 s.
    EXPECT_GE(ro::RoSystem().stopGraceMs, 10000);
    struct Case {
        const char* what;
        std::int64_t endsAtMs;  // when the daemon ends by itself
        bool killed;
    };
    const Case cases[] = {
        {"hangs up in time", 11900, false},
        {"never ends by itself", 1'000'000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        AddChat(4001);
        st.PppdPid = 4000;
        ro::BeginStop(st, st.Paths, st.System);
        EXPECT_EQ(-1, st.PppdPid);
        EXPECT_EQ((std::vector<std::pair<pid_t, int>>{{4000, SIGINT}}), fake.kills);
        bool done = false;
        for (fake.ms = 0; !done && fake.ms < 20000; fake.ms += 100) {
            if (fake.ms >= c.endsAtMs || (c.killed && fake.kills.size() > 1)) {
                fake.ended = {4000};
            }
            done = ro::ContinueStop(st, st.Paths, st.System);
        }
        EXPECT_TRUE(done);
        if (c.killed) {
            EXPECT_GT(fake.ms, 12000) << "killed before the grace was over";
        }
        EXPECT_EQ(-1, st.Stopping.pid);
        // Non-blocking waits only, for the daemon only: the window's loop never stalls.
        EXPECT_EQ((decltype(fake.waits)(fake.waits.size(), {4000, WNOHANG})), fake.waits);
        std::vector<std::pair<pid_t, int>> expected{{4000, SIGINT}};
        if (c.killed) {
            expected.emplace_back(4000, SIGKILL);
        }
        expected.emplace_back(4001, SIGKILL);  // its dialler, once it has ended
        EXPECT_EQ(expected, fake.kills);
        // Nothing left to stop.
        EXPECT_TRUE(ro::ContinueStop(st, st.Paths, st.System));
    }
}

// Every way a dial ends: its result, its one message, what was stopped or
// killed, and where the flow stands afterwards.
TEST_F(RingoutFlow, EachWayADialEndsGivesItsResultMessageAndMode) {
    using Kills = std::vector<std::pair<pid_t, int>>;
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int result;
        std::vector<std::uint32_t> messages;
        Kills kills;
        ro::DialerMode mode;
    };
    constexpr auto kStart = ro::DialerMode::kStart;
    constexpr int kFailed = ro::CONNECT_MACHINE_FAILURE;
    const std::vector<std::uint32_t> noMemory{ro::MSG_NO_MEMORY};
    const Kills stopped{{4000, SIGINT}};
    const Case cases[] = {
        {"daemon cannot start", [this] { daemonPid = -1; }, kFailed, {ro::MSG_PPPD_START_FAILED},
         {}, kStart},
        {"link carries traffic",
         [this] { DialsThen([this](int) { WriteFile(st.Paths.netDev, kTraffic); }); },
         ro::CONNECT_OK, {}, {}, ro::DialerMode::kConnected},
        // The dialler it left behind goes with it.
        {"daemon gives up",
         [this] {
             DialsThen([this](int step) {
                 if (step == 4) {
                     rotest::AddProcess(st.Paths.procRoot, 4002, "chat", 'S', 1, 4000);
                     fake.ended = {4000};
                 }
             });
         },
         ro::CONNECT_DIALUP_FAILED, {ro::MSG_DIALUP_FAILED}, {{4002, SIGKILL}}, kStart},
        // Without a process table the wait cannot go on: the daemon is stopped.
        {"no process table", [this] { st.Paths.procRoot = dir / "no-proc"; }, kFailed, noMemory,
         stopped, kStart},
        {"no wait window", [this] { view.canBuildWait = false; }, kFailed, noMemory, stopped,
         kStart},
        {"wait that never decides", [] {}, kFailed, noMemory, stopped, kStart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        c.arrange();
        EXPECT_EQ(c.result, ro::ExecPPPD(st, view));
        EXPECT_EQ(c.messages, view.messages);
        EXPECT_EQ(c.kills, fake.kills);
        EXPECT_EQ(c.mode, st.Mode);
        EXPECT_FALSE(view.Runs(ro::RoTimer::kWaitPoll));
        // A daemon being stopped is followed, and nothing new starts meanwhile.
        const bool stopping = !c.kills.empty() && c.kills.front().second == SIGINT;
        EXPECT_EQ(stopping, view.Runs(ro::RoTimer::kStopWatch));
        EXPECT_EQ(!stopping, view.buttons.start);
        ASSERT_EQ(1u, starts.size());
        EXPECT_EQ((Start{st.Paths.pppd, "-detach", true, SIGTERM}), starts[0]);
    }
}

// Giving the dial up asks first; the attempt is not decided behind the
// question's back, Cancel waits on, OK stops the daemon, and a program that
// ends meanwhile gives the dial up without stopping twice.
TEST_F(RingoutFlow, ClosingTheWaitAsksAndOnlyOkGivesTheDialUp) {
    struct Case {
        const char* what;
        int answer;
        bool endsWhileAsked;
        int result;
        bool stopBegun;
    };
    const Case cases[] = {
        {"cancel", ro::MSG_ANSWER_CANCEL, false, ro::CONNECT_OK, false},
        {"closed question", ro::MSG_ANSWER_NONE, false, ro::CONNECT_OK, false},
        {"ok", ro::MSG_ANSWER_OK, false, ro::CONNECT_CANCELLED, true},
        {"program ends", ro::MSG_ANSWER_OK, true, ro::CONNECT_CANCELLED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        bool pollStoppedWhileAsked = false;
        int questions = 0;
        view.beforePoll = [&](int step) {
            if (step == 3) {
                WriteFile(st.Paths.netDev, kTraffic);
            }
            if (step != 1) {
                return;
            }
            view.answers = {c.answer};
            view.whileAsked = [&] {
                ++questions;
                pollStoppedWhileAsked = !view.Runs(ro::RoTimer::kWaitPoll);
                // Traffic now must not decide the attempt while the question is up.
                WriteFile(st.Paths.netDev, kTraffic);
                EXPECT_EQ(ro::CONNECT_PENDING, st.WaitResult);
                ro::CancelWait(st, view);  // a second close: no second question
                if (c.endsWhileAsked) {
                    ro::GiveUpWait(st, view);
                }
                ::unlink(st.Paths.netDev.c_str());
            };
            ro::CancelWait(st, view);
        };
        EXPECT_EQ(c.result, ro::ExecPPPD(st, view));
        EXPECT_EQ(1, questions);
        EXPECT_TRUE(pollStoppedWhileAsked);
        EXPECT_EQ((std::vector<std::uint32_t>{ro::MSG_ASK_DISCONNECT}), view.messages);
        EXPECT_EQ(c.stopBegun, !fake.kills.empty());
        EXPECT_EQ(c.stopBegun, view.Runs(ro::RoTimer::kStopWatch));
        EXPECT_FALSE(view.Runs(ro::RoTimer::kWaitPoll));
    }
}

// The daemon's end while connected stops the clock, shows the time the link
// lasted, takes its dialler and says so; Connect is offered at once.
TEST_F(RingoutFlow, DaemonEndWhileConnectedStopsTheClockAndReports) {
    AddChat(4001);
    st.Mode = ro::DialerMode::kConnected;
    st.PppdPid = 4000;
    st.ConnectTime = fake.now;
    view.StartTimer(ro::RoTimer::kClock);
    fake.now += 3725;
    EXPECT_TRUE(ro::CheckPPPDProcess(st, view));
    EXPECT_EQ("01:02:05 Connect", view.time);
    EXPECT_TRUE(view.messages.empty());

    fake.ended = {4000};
    fake.now += 10;
    EXPECT_FALSE(ro::CheckPPPDProcess(st, view));
    EXPECT_FALSE(view.Runs(ro::RoTimer::kClock));
    EXPECT_EQ("01:02:05 Stop", view.time);
    EXPECT_EQ(0u, st.Hours + st.Minutes + st.Seconds);
    EXPECT_EQ(ro::DialerMode::kDisconnected, st.Mode);
    EXPECT_EQ(-1, st.PppdPid);
    EXPECT_EQ((std::vector<std::pair<pid_t, int>>{{4001, SIGKILL}}), fake.kills);
    EXPECT_EQ((std::vector<std::uint32_t>{ro::MSG_DISCONNECTED}), view.messages);
    EXPECT_EQ(ro::ConnectButtonLook::kConnect, view.buttons.connect);
}

// The connection window's button and close ask only while connected; a
// daemon that ends while the question is up is not stopped again, and no new
// start comes while the last daemon hangs up.
TEST_F(RingoutFlow, ConnectionWindowAsksWhileConnectedAndWaitsForTheHangUp) {
    struct Case {
        const char* what;
        bool close;  // the window manager's close, else the button
        ro::DialerMode mode;
        bool stopping;
        int answer;
        bool endsWhileAsked;
        std::uint32_t question;  // 0: none
        bool acts;               // a new start, or the program's end
        bool disconnects;
    };
    constexpr auto kOn = ro::DialerMode::kConnected, kOff = ro::DialerMode::kDisconnected;
    constexpr int kOk = ro::MSG_ANSWER_OK;
    constexpr std::uint32_t kAsk = ro::MSG_ASK_DISCONNECT;
    const Case cases[] = {
        {"stop, ok", false, kOn, false, kOk, false, kAsk, false, true},
        {"stop, cancel", false, kOn, false, ro::MSG_ANSWER_CANCEL, false, kAsk, false, false},
        {"stop, daemon ended meanwhile", false, kOn, false, kOk, true, kAsk, false, false},
        {"connect", false, kOff, false, 0, false, 0, true, false},
        {"connect while hanging up", false, kOff, true, 0, false, 0, false, false},
        {"close connected, ok", true, kOn, false, kOk, false, kAsk, true, true},
        {"close connected, closed question", true, kOn, false, ro::MSG_ANSWER_NONE, false, kAsk,
         false, false},
        {"close disconnected, ok", true, kOff, false, kOk, false, ro::MSG_ASK_CLOSE, true, false},
        {"close disconnected, cancel", true, kOff, false, ro::MSG_ANSWER_CANCEL, false,
         ro::MSG_ASK_CLOSE, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        st.Mode = c.mode;
        st.PppdPid = c.mode == ro::DialerMode::kConnected ? 4000 : -1;
        st.Stopping.pid = c.stopping ? 3000 : -1;
        st.Hours = 1;
        view.StartTimer(ro::RoTimer::kClock);
        view.answers = {c.answer};
        if (c.endsWhileAsked) {
            view.whileAsked = [&] {
                fake.ended = {4000};
                EXPECT_FALSE(ro::CheckPPPDProcess(st, view));
            };
        }
        const bool acted = c.close ? ro::CloseConnectWindow(st, view)
                                   : ro::PressConnectButton(st, view);
        EXPECT_EQ(c.acts, acted);
        if (c.question == 0) {
            EXPECT_TRUE(view.messages.empty());
        } else {
            ASSERT_FALSE(view.messages.empty());
            EXPECT_EQ(c.question, view.messages.front());
        }
        const bool interrupted = std::count(fake.kills.begin(), fake.kills.end(),
                                            std::make_pair(pid_t{4000}, SIGINT)) == 1;
        EXPECT_EQ(c.disconnects, interrupted);
        // The time the link lasted is shown once, whoever ended it.
        if (c.disconnects || c.endsWhileAsked) {
            EXPECT_EQ("01:00:00 Stop", view.time);
        }
        if (c.disconnects) {
            EXPECT_EQ(ro::DialerMode::kDisconnected, st.Mode);
            EXPECT_FALSE(view.Runs(ro::RoTimer::kClock));
            EXPECT_TRUE(view.Runs(ro::RoTimer::kStopWatch));
            EXPECT_EQ(ro::ConnectButtonLook::kHeld, view.buttons.connect);
            // Held until the stop watch has seen the daemon's end.
            EXPECT_TRUE(ro::CheckStopProcess(st, view));
            fake.ended = {4000};
            EXPECT_FALSE(ro::CheckStopProcess(st, view));
            EXPECT_FALSE(view.Runs(ro::RoTimer::kStopWatch));
            EXPECT_EQ((ro::ButtonLook{true, true, ro::ConnectButtonLook::kConnect}), view.buttons);
        }
    }
}

// A stop under way holds Start and the connection window's Connect until
// the daemon has ended; the tool holds both start-window buttons.
TEST(RingoutButtons, ButtonsFollowTheStopTheToolAndTheConnection) {
    using Look = ro::ConnectButtonLook;
    struct Case {
        ro::DialerMode mode;
        bool stopping;
        bool configuring;
        ro::ButtonLook look;
    };
    const Case cases[] = {
        {ro::DialerMode::kStart, false, false, {true, true, Look::kAsItIs}},
        {ro::DialerMode::kStart, true, false, {false, true, Look::kAsItIs}},
        {ro::DialerMode::kStart, false, true, {false, false, Look::kAsItIs}},
        {ro::DialerMode::kConnected, false, false, {true, true, Look::kAsItIs}},
        {ro::DialerMode::kDisconnected, true, false, {false, true, Look::kHeld}},
        {ro::DialerMode::kDisconnected, false, false, {true, true, Look::kConnect}},
    };
    for (const Case& c : cases) {
        ro::RingoutState state;
        state.Mode = c.mode;
        state.Stopping.pid = c.stopping ? 3000 : -1;
        state.ConfigPid = c.configuring ? 5000 : -1;
        EXPECT_EQ(c.look, ro::DecideButtons(state))
            << static_cast<int>(c.mode) << c.stopping << c.configuring;
    }
}

// The tool runs with its dial-up option while both start-window buttons
// wait; its end shows the device it configured.  A tool that cannot start
// says so.
TEST_F(RingoutFlow, SettingRunsTheToolAndShowsTheDeviceItLeft) {
    toolPid = -1;
    ro::StartSetting(st, view);
    EXPECT_EQ((std::vector<std::uint32_t>{ro::MSG_CONFIG_START_FAILED}), view.messages);
    EXPECT_EQ(-1, st.ConfigPid);
    EXPECT_FALSE(view.Runs(ro::RoTimer::kToolWatch));

    toolPid = 5000;
    view.messages.clear();
    WriteFile(st.Paths.options, "lock\n");
    WriteFile(st.Paths.chatScript, "#!/bin/sh\n");
    ro::StartSetting(st, view);
    EXPECT_EQ((Start{st.Paths.tunewell, "--dialuponly", false, 0}), starts.back());
    EXPECT_EQ((ro::ButtonLook{false, false, ro::ConnectButtonLook::kAsItIs}), view.buttons);
    EXPECT_TRUE(view.Runs(ro::RoTimer::kToolWatch));
    EXPECT_TRUE(ro::CheckTwSetupProcess(st, view));
    EXPECT_EQ("unset", view.device);
    WriteFile(st.Paths.options, "lock\n# DeviceName PDC\n");
    fake.ended = {5000};
    EXPECT_FALSE(ro::CheckTwSetupProcess(st, view));
    EXPECT_FALSE(view.Runs(ro::RoTimer::kToolWatch));
    EXPECT_EQ("PDC", view.device);
    EXPECT_EQ((ro::ButtonLook{true, true, ro::ConnectButtonLook::kAsItIs}), view.buttons);
    EXPECT_TRUE(view.messages.empty());
}

// A real daemon stand-in: a shell that starts diallers and takes its time.
class RingoutProcesses : public ::testing::Test {
  protected:
    void TearDown() override {
        for (pid_t pid : started_) {
            rotest::EndChild(pid);
        }
    }
    pid_t Start(const std::string& script, bool ownGroup) {
        WriteFile(dir_ / "daemon", "#!/bin/sh\n" + script, 0755);
        std::vector<std::string> warnings;
        suite::LaunchOptions options;
        options.newProcessGroup = ownGroup;
        const pid_t pid = suite::ExecProcessLogged(
            (dir_ / "daemon").c_str(), "-detach",
            [&](const std::string& w) { warnings.push_back(w); }, options);
        EXPECT_GT(pid, 0);
        EXPECT_TRUE(warnings.empty());
        started_.push_back(pid);
        return pid;
    }
    TempDir dir_;
    std::vector<pid_t> started_;
};

TEST_F(RingoutProcesses, StopDaemonWaitsBoundedThenKillsAndTakesItsLastChat) {
    const std::string chat = rotest::MakeNamedSleep(dir_ / "bin", "chat");
    ro::RoPaths paths = PathsIn(dir_);
    paths.procRoot = "/proc";
    ro::RoSystem sys;
    sys.stopGraceMs = 300;
    struct Case {
        const char* name;
        std::string script;
    };
    // One daemon ends on SIGINT after leaving a dialler behind; the other
    // ignores SIGINT and must be killed once the grace time is over.
    const Case cases[] = {
        // The daemon leaves only once its last dialler runs as "chat", so the
        // test does not race the shell's fork against the sweep.
        {"obeys", "trap '" + chat +
                      " 30 & C=$!; while [ \"$(cat /proc/$C/comm)\" != chat ]; do sleep 0.01; "
                      "done; echo int > " +
                      (dir_ / "int") + "; exit 0' INT\n" + "setsid " + chat + " 30 &\necho $! > " +
                      (dir_ / "ready") + "\nwhile :; do sleep 0.05; done\n"},
        {"ignores", "trap '' INT\necho > " + (dir_ / "ready") + "\nwhile :; do sleep 0.05; done\n"},
    };
    for (const Case& c : cases) {
        ::unlink((dir_ / "ready").c_str());
        ro::RingoutState st;
        st.PppdPid = Start(c.script, true);
        const pid_t daemon = st.PppdPid;
        ASSERT_TRUE(testutil::WaitFor([&] { return testutil::Exists(dir_ / "ready"); }));
        // The dialler that left the daemon's group, once it runs as "chat".
        const pid_t own = rotest::PidFromFile(dir_ / "ready");
        if (own > 0) {
            ASSERT_TRUE(testutil::WaitFor([&] {
                return testutil::ReadFile("/proc/" + std::to_string(own) + "/comm") == "chat\n";
            }));
        }
        const auto before = std::chrono::steady_clock::now();
        ro::StopDaemon(st, paths, sys);
        const auto took = std::chrono::steady_clock::now() - before;
        EXPECT_EQ(-1, st.PppdPid) << c.name;
        EXPECT_FALSE(rotest::Alive(daemon)) << c.name;
        EXPECT_LT(took, std::chrono::seconds(3)) << c.name;
        EXPECT_EQ(ro::CHAT_NONE, ro::CheckChatProcess(daemon, paths)) << c.name;
        if (own > 0) {
            EXPECT_TRUE(testutil::WaitFor([&] { return !rotest::Alive(own); })) << c.name;
            if (rotest::Alive(own)) {
                ::kill(own, SIGKILL);  // this test's own dialler, left by a fault
            }
        }
        // Reaped: it is no longer our child.
        EXPECT_EQ(-1, ::waitpid(daemon, nullptr, WNOHANG)) << c.name;
    }
    EXPECT_TRUE(testutil::Exists(dir_ / "int"));
}

}  // namespace

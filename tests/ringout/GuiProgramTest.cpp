// The installed program itself, in a private mount (and network) namespace
// whose /etc/ppp and /usr/sbin/pppd are the test's: its windows are found
// and answered through the X server, as a person would, from this process.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "GuiDriver.h"
#include "ProcTreeSupport.h"
#include "TestUtil.h"
#include "ringout/RoControl.h"

// Xlib after the toolkit's C++ headers: its macros clash with theirs.
#include "GuiXWindows.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

using guitest::XWin;

// The program's windows, and real pointer input on them.
class XProbe : public guitest::XProbe {
  public:
    bool CanClick() const { return pointer_.ok(); }
    // A left click at (dx, dy) inside `w`, once the other program saw the pointer come.
    void Click(const XWin& w, int dx, int dy) {
        pointer_.Move(w.x + dx, w.y + dy, 80);
        pointer_.Button(true);
        pointer_.Button(false);
    }

  private:
    guitest::FakePointer pointer_;
};

// Runs the built program in a namespace prepared by a script; ends it, and
// the fake daemon's group, on every way out.
class Program : public guitest::Program {
  public:
    Program(const TempDir& dir, const std::string& setup, bool withFiles)
        : guitest::Program(
              "unshare -m -n --propagation private sh " + Script(dir, setup, withFiles), dir),
          dir_(dir) {}
    ~Program() {
        Stop();
        rotest::EndGroup(rotest::PidFromFile(dir_ / "pppd.pid"));
    }
    // The exit status, or -1 when it does not end in time.
    int Wait(int seconds = 10) { return guitest::Program::Wait(seconds * 1000); }

  private:
    static std::string Script(const TempDir& dir, const std::string& setup, bool withFiles) {
        const std::string script = dir / ("run" + std::to_string(++count_) + ".sh");
        WriteFile(script, "set -u\nmount -t tmpfs none /etc/ppp || exit 90\n" +
                              std::string(withFiles ? "printf '# DeviceName PHS\\n' > "
                                                      "/etc/ppp/options\nprintf '#!/bin/sh\\n' > "
                                                      "/etc/ppp/chat_script\n"
                                                    : "") +
                              setup + "exec capsh --drop=cap_sys_time -- -c 'exec " +
                              testutil::BuildBinDir() + "/Ringout'\n");
        return script;
    }
    const TempDir& dir_;
    static inline int count_ = 0;
};

class RingoutProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testutil::CanUnshareMounts() || ::access("/usr/bin/unshare", X_OK) != 0) {
            GTEST_SKIP() << "no private mount namespaces here";
        }
    }
    TempDir dir_;
    XProbe x_;
};

TEST(RingoutVersion, BannerIsTwoLinesAndNeedsNoDisplay) {
    guitest::ExpectVersionBanner(testutil::BuildBinDir() + "/Ringout",
                                 "Ringout  Version 1.02 2001/03/26\n");
}

TEST_F(RingoutProgram, MissingOptionsShowsTheConfigurationErrorAndEnds) {
    Program program(dir_, "", false);
    const auto message = x_.WaitFor(program.pid(), "Configuration File Error");
    ASSERT_TRUE(message) << program.Err();
    EXPECT_FALSE(x_.Find(program.pid(), "Ringout"));
    x_.Close(*message);
    EXPECT_EQ(1, program.Wait());
}

TEST_F(RingoutProgram, SecondCopySaysSoAndTheFirstRunsOn) {
    Program first(dir_, "", true);
    const auto start = x_.WaitFor(first.pid(), "Ringout");
    ASSERT_TRUE(start) << first.Err();
    Program second(dir_, "", true);
    const auto message = x_.WaitFor(second.pid(), "Error occurred while starting");
    ASSERT_TRUE(message) << second.Err();
    EXPECT_FALSE(x_.Find(second.pid(), "Ringout"));
    x_.Close(*message);
    EXPECT_EQ(1, second.Wait());
    EXPECT_EQ(-1, first.Wait(0));
    x_.Close(*start);
    EXPECT_EQ(0, first.Wait());
}

// The whole connection by pointer: the fake daemon dials with a "chat",
// then renames the namespace's loopback to ppp0 and sends over it.
TEST_F(RingoutProgram, ConnectionByPointerComesUpAndIsStopped) {
    if (!x_.CanClick()) {
        GTEST_SKIP() << "no X test extension";
    }
    const std::string chat = rotest::MakeNamedSleep(dir_ / "bin", "chat");
    WriteFile(dir_ / "pppd",
              "#!/bin/bash\necho $$ > " + (dir_ / "pppd.pid") + "\ntrap 'echo int >> " +
                  (dir_ / "int") + "; exit 0' INT\n" + chat +
                  " 1\nip link set dev lo name ppp0 && ip link set ppp0 up || exit 1\n"
                  "while :; do echo x 2>/dev/null > /dev/udp/127.0.0.1/9; sleep 0.1; done\n",
              0755);
    Program program(dir_, "mount --bind " + (dir_ / "pppd") + " /usr/sbin/pppd || exit 91\n", true);
    const auto start = x_.WaitFor(program.pid(), "Ringout", 340);
    ASSERT_TRUE(start) << program.Err();
    x_.Click(*start, 60 + 48, 100 + 20);  // "Start"
    const auto connection = x_.WaitFor(program.pid(), "Ringout", 200);
    ASSERT_TRUE(connection);
    EXPECT_EQ(0, connection->x);
    EXPECT_EQ(43, connection->y);
    ASSERT_TRUE(testutil::Exists(dir_ / "pppd.pid"));
    const pid_t daemon = rotest::PidFromFile(dir_ / "pppd.pid");
    EXPECT_TRUE(rotest::Alive(daemon));
    x_.Click(*connection, 160, 18);  // "Stop "
    const auto question = x_.WaitFor(program.pid(), "System Closed");
    ASSERT_TRUE(question);
    x_.Click(*question, 315 + 37, 72 + 16);  // "OK"
    EXPECT_TRUE(testutil::WaitFor([&] { return !rotest::Alive(daemon); }));
    EXPECT_EQ("int\n", testutil::ReadFile(dir_ / "int"));
    // Closing now asks "Do you wish to close?"; OK ends the program.
    ASSERT_TRUE(testutil::WaitFor([&] { return !x_.Find(program.pid(), "System Closed"); }));
    x_.Close(*connection);
    const auto close = x_.WaitFor(program.pid(), "System Closed");
    ASSERT_TRUE(close);
    x_.Click(*close, 315 + 37, 72 + 16);
    EXPECT_EQ(0, program.Wait());
}

// A virtual X server of one test's own, so that the test may end it.  Its
// display number is this test's alone: in the test's own process namespace a
// server would take another test's live server for a stale one and take over
// its display (see the session tests).
class PrivateX {
  public:
    PrivateX() {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", ":181", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // It names its display once it listens.
        std::string number;
        char c;
        while (pid_ > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    ~PrivateX() { End(); }
    PrivateX(const PrivateX&) = delete;
    PrivateX& operator=(const PrivateX&) = delete;
    const std::string& display() const { return display_; }
    void End() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // What an X client command prints on this display.
    std::string Run(const TempDir& dir, const std::string& command) const {
        testutil::Shell("DISPLAY=" + display_ + " " + command + " > '" + (dir / "x.out") +
                        "' 2>/dev/null");
        return testutil::ReadFile(dir / "x.out");
    }
    // Whether a shown window is titled (wholly) `title`, `width` wide unless 0.
    bool Shows(const TempDir& dir, const std::string& title, int width = 0) const {
        const std::string out =
            Run(dir, "xdotool search --onlyvisible --name '^" + title + "$' getwindowgeometry %@");
        return out.find(width == 0 ? "Geometry: " : "Geometry: " + std::to_string(width) + "x") !=
               std::string::npos;
    }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

bool Available(const char* program) {
    return testutil::Shell(std::string("command -v ") + program + " >/dev/null 2>&1") == 0;
}

// However Ringout ends, the daemon it started does not outlive it: a signal
// that asks it to end disconnects as its own Stop does (SIGINT to the
// daemon); an end it cannot see (its display gone, SIGKILL) reaches the
// daemon as SIGTERM.  While connected, and while still dialling (a modal
// window's loop runs then).
TEST_F(RingoutProgram, DaemonIsStoppedHoweverTheProgramEnds) {
    if (!Available("Xvfb") || !Available("xdotool") || !Available("ip")) {
        GTEST_SKIP() << "needs Xvfb, xdotool and ip";
    }
    enum class End { kSignal, kDisplay };
    struct Case {
        const char* what;
        End end;
        int signo;
        bool connected;
        const char* daemonGot;
    };
    const Case cases[] = {
        {"SIGTERM while connected", End::kSignal, SIGTERM, true, "int\n"},
        {"SIGHUP while dialling", End::kSignal, SIGHUP, false, "int\n"},
        {"SIGINT while connected", End::kSignal, SIGINT, true, "int\n"},
        {"display gone while connected", End::kDisplay, 0, true, "term\n"},
        {"SIGKILL while dialling", End::kSignal, SIGKILL, false, "term\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        PrivateX x;
        ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
        const std::string chat = rotest::MakeNamedSleep(dir / "bin", "chat");
        // Connected: dials with a "chat", renames the namespace's loopback to
        // ppp0 and sends over it.  Dialling: never gets anywhere.
        const std::string dial =
            c.connected ? chat +
                              " 1\nip link set dev lo name ppp0 && ip link set ppp0 up || exit 1\n"
                              "while :; do echo x 2>/dev/null > /dev/udp/127.0.0.1/9; sleep "
                              "0.1; done\n"
                        : "while :; do sleep 0.1; done\n";
        WriteFile(dir / "pppd",
                  "#!/bin/bash\necho $$ > " + (dir / "pppd.pid") + "\ntrap 'echo int >> " +
                      (dir / "got") + "; exit 0' INT\ntrap 'echo term >> " + (dir / "got") +
                      "; exit 0' TERM\n" + dial,
                  0755);
        Program program(dir,
                        "export DISPLAY=" + x.display() + "\nmount --bind " + (dir / "pppd") +
                            " /usr/sbin/pppd || exit 91\n",
                        true);
        ASSERT_TRUE(testutil::WaitFor([&] { return x.Shows(dir, "Ringout", 340); },
                                      std::chrono::seconds(20)))
            << program.Err();
        const char* stage = c.connected ? "Ringout" : "Connecting\\.\\.\\.";
        const int width = c.connected ? 200 : 0;
        // A click that came before the window listened is given again.
        bool reached = false;
        for (int attempt = 0; attempt < 3 && !reached; ++attempt) {
            x.Run(dir,
                  "xdotool search --onlyvisible --name '^Ringout$' "
                  "mousemove --window %1 108 120 click 1");
            reached = testutil::WaitFor([&] { return x.Shows(dir, stage, width); },
                                        std::chrono::seconds(10));
        }
        ASSERT_TRUE(reached) << program.Err();
        const pid_t daemon = rotest::PidFromFile(dir / "pppd.pid");
        ASSERT_TRUE(rotest::Alive(daemon));

        if (c.end == End::kDisplay) {
            x.End();
        } else {
            ASSERT_EQ(0, ::kill(program.pid(), c.signo));
        }
        EXPECT_NE(-1, program.Wait(20)) << "Ringout did not end";
        EXPECT_TRUE(
            testutil::WaitFor([&] { return !rotest::Alive(daemon); }, std::chrono::seconds(20)))
            << "the daemon outlived Ringout";
        EXPECT_EQ(c.daemonGot, testutil::Exists(dir / "got") ? testutil::ReadFile(dir / "got")
                                                             : std::string("nothing"));
    }
}

}  // namespace

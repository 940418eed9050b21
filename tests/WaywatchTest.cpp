#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PrivateMountScript.h"
#include "TestUtil.h"
#include "waywatch/WwCheckProc.h"

using namespace std::chrono_literals;
using testutil::TempDir;

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

std::string RunCapture(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[256];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    int st = ::pclose(p);
    *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

TEST(Waywatch, VersionPrintsBannerAndOneNotice) {
    int status = -1;
    std::string out = RunCapture(testutil::BuildBinDir() + "/Waywatch --version", &status);
    EXPECT_EQ(0, status);
    std::vector<std::string> lines = LinesOf(out);
    ASSERT_EQ(2u, lines.size()) << out;
    EXPECT_EQ("Monitoring Waymark  Version 1.00 2000/12/05", lines[0]);
    EXPECT_FALSE(lines[1].empty());
}

// A fresh directory for the launcher, a configuration naming it there, and
// the state of its runs.
class WaywatchLauncher : public ::testing::Test {
  protected:
    WaywatchLauncher() { config.launcherPath = dir / "Waymark"; }

    // A launcher that records each start and then runs until killed, or ends
    // at once when `quick`; restarts are paced `pace` apart.
    void WriteLauncher(bool quick, std::chrono::milliseconds pace) {
        testutil::WriteFile(config.launcherPath,
                            "#!/bin/sh\necho $$ >> \"" + (dir / "starts") + "\"\n" +
                                (quick ? std::string("exit 3\n") : std::string("exec sleep 60\n")),
                            0755);
        config.minRestartInterval = pace;
    }

    std::vector<std::string> Starts() const { return LinesOf(testutil::ReadFile(dir / "starts")); }

    TempDir dir;
    waywatch::WaywatchConfig config;
    waywatch::LauncherState state;
};

TEST_F(WaywatchLauncher, RestartsTheLauncherWhenItEnds) {
    WriteLauncher(false, 200ms);
    ASSERT_GT(waywatch::StartLauncher(state, config), 0);
    ASSERT_TRUE(testutil::WaitFor([&] { return Starts().size() == 1; }));
    const pid_t first = state.pid;

    // Whatever ends it (here a kill), a new launcher follows.
    std::this_thread::sleep_for(250ms);
    ::kill(first, SIGKILL);
    EXPECT_EQ(0, waywatch::CheckProcess(state, config));
    EXPECT_NE(first, state.pid);
    EXPECT_GT(state.pid, 0);
    EXPECT_TRUE(testutil::WaitFor([&] { return Starts().size() == 2; }));

    // Another child ending leaves the launcher alone.
    pid_t other = ::fork();
    if (other == 0)
        ::_exit(0);
    const pid_t launcher = state.pid;
    EXPECT_EQ(0, waywatch::CheckProcess(state, config));
    EXPECT_EQ(launcher, state.pid);

    // With the program file gone, the restart fails and the loop ends.
    ::unlink(config.launcherPath.c_str());
    ::kill(state.pid, SIGTERM);
    EXPECT_EQ(1, waywatch::CheckProcess(state, config));
}

TEST_F(WaywatchLauncher, LauncherThatEndsAtOnceIsPacedNotSpun) {
    WriteLauncher(true, 300ms);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_GT(waywatch::StartLauncher(state, config), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0, waywatch::CheckProcess(state, config));
    }
    const auto took = std::chrono::steady_clock::now() - begin;
    // Three restarts at least 300 ms apart each.
    EXPECT_GE(took, 900ms);
    ::kill(state.pid, SIGKILL);
    ::waitpid(state.pid, nullptr, 0);
}

TEST_F(WaywatchLauncher, IgnoredChildSignalOrNoChildLeftStillRestarts) {
    config.minRestartInterval = 10ms;
    // The launcher removes itself at its third start, so Waywatch ends then.
    const std::string starts = dir / "starts";
    testutil::WriteFile(config.launcherPath,
                        "#!/bin/sh\necho $$ >> '" + starts + "'\n[ $(wc -l < '" + starts +
                            "') -ge 3 ] && rm \"$0\"\nexit 0\n",
                        0755);
    const pid_t child = ::fork();
    if (child == 0) {
        // SIGCHLD ignored, as a parent may hand it on across exec.
        ::signal(SIGCHLD, SIG_IGN);
        char name[] = "Waywatch";
        char* argv[] = {name, nullptr};
        _exit(waywatch::WaywatchMain(1, argv, config, stdout));
    }
    const bool ended =
        testutil::WaitFor([&] { return ::waitpid(child, nullptr, WNOHANG) == child; }, 10s);
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_TRUE(ended) << "Waywatch spun instead of restarting";
    EXPECT_EQ(3u, Starts().size());

    // wait() finding no child at all: the launcher is taken as gone.
    testutil::WriteFile(config.launcherPath, "#!/bin/sh\nexec sleep 60\n", 0755);
    state.pid = 1;  // not a child of ours
    EXPECT_EQ(0, waywatch::CheckProcess(state, config));
    EXPECT_GT(state.pid, 1);
    ::kill(state.pid, SIGKILL);
    ::waitpid(state.pid, nullptr, 0);
}

TEST_F(WaywatchLauncher, MissingLauncherEndsAtStart) {
    char name[] = "Waywatch";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(0, waywatch::WaywatchMain(1, argv, config, stdout));
}

// The real program, with its fixed launcher path, in a private mount
// namespace whose /usr/local/bin holds a fake launcher.
TEST(Waywatch, RealProgramKeepsLauncherAndLeavesASecondCopySilent) {
    testutil::ExpectInstalledProgramPasses("Waywatch", R"SH(
cat > /usr/local/bin/Waymark <<EOL
#!/bin/sh
echo \$\$ >> "$D/starts"
exec sleep 60
EOL
chmod 755 /usr/local/bin/Waymark
count() { [ -f "$D/starts" ] && wc -l < "$D/starts" || echo 0; }
waitfor() { i=0; while [ $i -lt 500 ]; do eval "$1" && return 0; sleep 0.02; i=$((i+1)); done; return 1; }
/usr/local/bin/Waywatch &
W=$!
# On every way out: no Waywatch and no launcher of this test stays behind.
trap 'kill -9 $W 2>/dev/null; [ -f "$D/starts" ] && kill -9 $(cat "$D/starts") 2>/dev/null; true' EXIT
waitfor '[ $(count) -ge 1 ]' || { echo "launcher never started"; exit 1; }
sleep 1.2
# A second copy ends at once, silently, and starts nothing.
out=$(timeout 10 /usr/local/bin/Waywatch 2>&1); rc=$?
[ $rc -eq 0 ] || { echo "second copy status $rc"; exit 2; }
[ -z "$out" ] || { echo "second copy printed: $out"; exit 3; }
[ $(count) -eq 1 ] || { echo "second copy started a launcher"; exit 4; }
kill -0 $W || { echo "first copy died"; exit 5; }
# Ending the launcher brings a new one up.
kill -9 $(tail -n 1 "$D/starts")
waitfor '[ $(count) -ge 2 ]' || { echo "no restart"; exit 6; }
# Launcher program gone: the next end makes Waywatch exit.
rm /usr/local/bin/Waymark
kill -9 $(tail -n 1 "$D/starts")
waitfor '! kill -0 $W 2>/dev/null' || { echo "Waywatch did not exit"; kill $W; exit 7; }
wait $W; rc=$?
[ $rc -eq 0 ] || { echo "exit status $rc"; exit 8; }
exit 0
)SH");
}

}  // namespace

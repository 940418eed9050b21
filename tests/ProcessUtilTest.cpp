#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"
#include "common/ProcessUtil.h"

using suite::GetStatus;
using testutil::TempDir;

namespace {

// Both readers of a field: the buffer form and the string form the scans use.
TEST(GetStatus, ReadsValuesAndRespectsLimits) {
    struct Case {
        const char* label;
        const char* text;
        const char* value;  // null: the label is missing
    };
    const Case cases[] = {
        {"State:", "Name:\tx\nState:\tS (sleeping)\nPid:\t1\n", "S (sleeping)"},
        // Blanks and tabs after the label are skipped, the rest of the line kept.
        {"Name:", "Name: \t two words \nX", "two words "},
        // Label straight followed by the newline: found, empty value.
        {"State:", "State:\nName:\tx\n", ""},
        {"State:", "Name:\tx\n", nullptr},
        // Not anchored: the first occurrence anywhere counts.
        {"Name:", "XName:\tfirst\nName:\tsecond\n", "first"},
        // A value at the very end of the text, with no newline.
        {"Name:", "Name:\tlast", "last"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char value[255] = {};
        EXPECT_EQ(c.value ? 0 : 1, GetStatus(c.label, c.text, value, sizeof value));
        const std::optional<std::string> field = suite::StatusField(c.text, c.label);
        ASSERT_EQ(c.value != nullptr, field.has_value());
        if (c.value != nullptr) {
            EXPECT_STREQ(c.value, value);
            EXPECT_EQ(c.value, *field);
        }
    }
    // A long value is cut to the buffer size minus one.
    const std::string text = "Name:\t" + std::string(300, 'a') + "\n";
    std::vector<char> value(256, '#');  // one guard byte past the 255
    std::memset(value.data(), 0, 255);
    EXPECT_EQ(0, GetStatus("Name:", text.c_str(), value.data(), 255));
    EXPECT_EQ(254u, std::strlen(value.data()));
    EXPECT_EQ('#', value[255]);
    EXPECT_EQ(254u, suite::StatusField(text, "Name:", 255)->size());
}

// A fake process table.
class FakeProc {
  public:
    void Add(const std::string& entry, const std::string& name, const std::string& state,
             uid_t uid = ::getuid()) {
        const std::string u = std::to_string(uid);
        AddRaw(entry, "Name:\t" + name + "\nUmask:\t0022\nState:\t" + state + "\nTgid:\t" + entry +
                          "\nUid:\t" + u + "\t" + u + "\t0\t0\n");
    }
    void AddRaw(const std::string& entry, const std::string& text) {
        testutil::MakeDirs(dir_ / entry);
        testutil::WriteFile(dir_ / (entry + "/status"), text);
    }
    suite::ProcPaths paths() const { return {dir_.path()}; }

  private:
    TempDir dir_;
};

TEST(ProcessScan, FindsLiveInstancesByPrefixAndSkipsZombies) {
    FakeProc proc;
    proc.Add("120", "Waymark", "Z (zombie)");
    EXPECT_EQ(0, suite::CheckDoubleStartup("Waymark", proc.paths()));

    proc.Add("121", "bash", "S (sleeping)");
    proc.Add("122", "Waymark2", "T (stopped)");
    EXPECT_EQ(122, suite::CheckDoubleStartup("Waymark", proc.paths()));
    // Prefix over the sought name only: a shorter name does not match.
    EXPECT_EQ(0, suite::CheckDoubleStartup("Waymark22", proc.paths()));
    EXPECT_EQ(0, suite::CheckWebProcess("", proc.paths()));
    EXPECT_EQ(0, suite::CheckDoubleStartup("Waymark", {"/nonexistent/proc"}));
    // The rummage form looks for the netscape name, zombies excluded.
    proc.Add("160", "netscape-bin", "Z (zombie)");
    EXPECT_EQ(0, suite::CheckWebProcessRummage("netscape", proc.paths()));
    proc.Add("161", "netscape-bin", "S (sleeping)");
    EXPECT_EQ(161, suite::CheckWebProcessRummage("netscape", proc.paths()));
}

TEST(ProcessScan, SkipsOwnProcessAndBrokenEntries) {
    FakeProc proc;
    const std::string self = std::to_string(::getpid());
    proc.Add(self, "Ringout", "R (running)");
    proc.Add("abc", "Ringout", "S (sleeping)");          // not a process
    proc.AddRaw("130", "");                              // empty file
    proc.AddRaw("131", "Name:\tRingout\n");              // no State:
    proc.AddRaw("132", "State:\tS (sleeping)\n");        // no Name:
    testutil::MakeDirs(proc.paths().procRoot + "/133");  // no status file
    const std::string uid = "Uid:\t" + std::to_string(::getuid()) + "\n";
    // Only the first 2048 bytes of the status text are read.
    proc.AddRaw("134", "State:\tS\n" + uid + std::string(2100, 'x') + "\nName:\tRingout\n");
    EXPECT_EQ(0, suite::CheckDoubleStartup("Ringout", proc.paths()));
    // The scan goes in process-ID order, so a live instance above every
    // skipped entry is found only when none of them ends the scan early.
    proc.AddRaw("9999999", "State:\tS\nName:\tRingout\n" + uid + std::string(3000, 'x'));
    EXPECT_EQ(9999999, suite::CheckDoubleStartup("Ringout", proc.paths()));
    // The launcher's browser scan does not skip its own process.
    EXPECT_EQ(::getpid(), suite::CheckWebProcess("Ringout", proc.paths()));
}

// Any user could otherwise keep a program from starting (or catch another
// user's browser requests) by running a program of the same name.
TEST(ProcessScan, OnlyTheCallersRealUserCounts) {
    const uid_t other = ::getuid() == 65534 ? 65533 : 65534;
    struct Case {
        const char* status;
        bool counts;
    } cases[] = {
        {"Name:\tWaymark\nState:\tS\nUid:\t%o\t%o\t%o\t%o\n", false},
        {"Name:\tWaymark\nState:\tS\nUid:\t%o\t%u\t%u\t%u\n", false},  // set-user-ID to us
        {"Name:\tWaymark\nState:\tS\nUid:\t%u\t%o\t%o\t%o\n", true},   // ours, running as other
        {"Name:\tWaymark\nState:\tS\n", false},                        // no Uid line
        {"Name:\tWaymark\nState:\tS\nUid:\tx%u\n", false},
    };
    for (const Case& c : cases) {
        std::string text = c.status;
        for (std::size_t at; (at = text.find('%')) != std::string::npos;)
            text.replace(at, 2, std::to_string(text[at + 1] == 'o' ? other : ::getuid()));
        SCOPED_TRACE(text);
        FakeProc proc;
        proc.AddRaw("170", text);
        const int expected = c.counts ? 170 : 0;
        EXPECT_EQ(expected, suite::CheckDoubleStartup("Waymark", proc.paths()));
        EXPECT_EQ(expected, suite::CheckWebProcess("Waymark", proc.paths()));
    }
    FakeProc proc;
    proc.Add("171", "netscape", "S (sleeping)", other);
    EXPECT_EQ(0, suite::CheckWebProcessRummage("netscape", proc.paths()));
}

TEST(ProcessScan, RealProcFindsAChildByName) {
    // Our own child, exec'd under a distinctive name.
    TempDir dir;
    const std::string prog = dir / "Zqxsleeper";
    ASSERT_EQ(0, ::symlink("/bin/sleep", prog.c_str()));
    const pid_t child = suite::Launch(prog, {prog, "30"}, {}).pid;
    ASSERT_GT(child, 0);
    EXPECT_TRUE(testutil::WaitFor([&] { return suite::CheckWebProcess("Zqxsleeper") == child; }));
    ::kill(child, SIGKILL);
    // Once it is a zombie it no longer counts.
    EXPECT_TRUE(testutil::WaitFor([&] { return suite::CheckWebProcess("Zqxsleeper") == 0; }));
    ::waitpid(child, nullptr, 0);
}

// A fake program that records its arguments, one per line.
std::string MakeRecorder(const TempDir& dir, const std::string& name) {
    const std::string path = dir / name;
    testutil::WriteFile(path,
                        "#!/bin/sh\n: > \"" + path +
                            ".tmp\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" + path +
                            ".tmp\"; done\nmv \"" + path + ".tmp\" \"" + path + ".args\"\n",
                        0755);
    return path;
}

// The recorded arguments, removed once read so the next start records anew.
std::string WaitArgs(const std::string& recorder) {
    const std::string file = recorder + ".args";
    if (!testutil::WaitFor([&] { return testutil::Exists(file); }))
        return "<none>";
    const std::string args = testutil::ReadFile(file);
    ::unlink(file.c_str());
    return args;
}

int ExitStatusOf(pid_t pid) {  // -1 unless collected after a normal exit
    int status = 0;
    const bool exited = suite::WaitChild(pid, &status) == pid && WIFEXITED(status);
    return exited ? WEXITSTATUS(status) : -1;
}

void ExpectNothingToCollect(pid_t pid = -1) {
    errno = 0;
    EXPECT_EQ(-1, ::waitpid(pid, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

TEST(ExecProcess, DetachedFormPassesItsOptionalArgument) {
    TempDir dir;
    const std::string rec = MakeRecorder(dir, "prog");
    for (const char* arg : {"one", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(arg ? arg : "(none)");
        const std::string expected = arg ? std::string(arg) + "\n" : "";
        EXPECT_EQ(0, ExitStatusOf(suite::ExecProcessDetached(rec.c_str(), arg)));
        EXPECT_EQ(expected, WaitArgs(rec));
    }
    EXPECT_EQ(-1, suite::ExecProcessDetached("", nullptr));
    EXPECT_EQ(-1, suite::ExecProcessDetached((dir / "missing").c_str(), nullptr));
    // A failed exec ends the child with status zero.
    testutil::WriteFile(dir / "data", "not a program", 0644);
    EXPECT_EQ(0, ExitStatusOf(suite::ExecProcessDetached((dir / "data").c_str(), "x")));
}

TEST(ExecProcess, LoggedFormWarnsAndCountsAFailedExecAsAFailedStart) {
    TempDir dir;
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };
    EXPECT_EQ(-1, suite::ExecProcessLogged("", nullptr, warn));  // and warns of nothing
    EXPECT_EQ(-1, suite::ExecProcessLogged("/no/such/pppd", nullptr, warn));
    testutil::WriteFile(dir / "noexec", "#!/bin/sh\n", 0644);
    EXPECT_EQ(-1, suite::ExecProcessLogged((dir / "noexec").c_str(), nullptr, warn));
    EXPECT_EQ((std::vector<std::string>{"/no/such/pppd search Failed.", "Create process failed."}),
              warnings);
    ExpectNothingToCollect();

    // The daemon's start: its one argument, in a group of its own.
    const std::string daemon = MakeRecorder(dir, "daemon");
    suite::LaunchOptions options;
    options.newProcessGroup = true;
    const pid_t pid = suite::ExecProcessLogged(daemon.c_str(), "-detach", warn, options);
    EXPECT_EQ("-detach\n", WaitArgs(daemon));
    EXPECT_EQ(pid, ::getpgid(pid));  // not yet collected
    EXPECT_EQ(0, ExitStatusOf(pid));
    EXPECT_EQ(2u, warnings.size());  // a good start warns of nothing
}

bool HasZombieChild() {
    DIR* d = ::opendir("/proc");
    bool found = false;
    const std::string ppid = "PPid:\t" + std::to_string(::getpid()) + "\n";
    while (struct dirent* e = ::readdir(d)) {
        std::string text = testutil::ReadFile(std::string("/proc/") + e->d_name + "/status");
        found |=
            text.find(ppid) != std::string::npos && text.find("State:\tZ") != std::string::npos;
    }
    ::closedir(d);
    return found;
}

// The file manager's browser-aware form: the browser gets the remote form
// when one runs, else a local page; another program gets its argument as it
// is, none when null.  Nothing is left to collect.
TEST(ExecProcess, DoubleForkHandsTheBrowserItsFormAndLeavesNoZombie) {
    TempDir dir;
    const std::string browser = MakeRecorder(dir, "browser");
    const std::string app = MakeRecorder(dir, "app");
    bool fatal = false;
    struct Case {
        bool browser;  // else another program
        const char* argument;
        bool running;  // a browser is running
        const char* expected;
    };
    const Case cases[] = {
        {true, "/home/u/page.htm", false, "file:/home/u/page.htm\n"},
        {true, "/home/u/page.htm", true, "-remote\nopenURL(/home/u/page.htm)\n"},
        {false, "/home/u/a.txt", true, "/home/u/a.txt\n"},
        {false, nullptr, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        FakeProc proc;
        if (c.running)
            proc.Add("300", "firefox-esr", "S (sleeping)");
        const suite::BrowserSettings settings{browser, "firefox", proc.paths()};
        const std::string& prog = c.browser ? browser : app;
        const pid_t pid = suite::ExecProcessDoubleFork(prog.c_str(), c.argument, settings,
                                                       [&] { fatal = true; });
        ASSERT_GT(pid, 0);
        EXPECT_EQ(c.expected, WaitArgs(prog));
        ExpectNothingToCollect(pid);  // already collected
    }
    EXPECT_FALSE(fatal);
    EXPECT_FALSE(HasZombieChild());
}

// Collecting is for exactly the child named: another finished child stays
// for its own owner, and a pid that would mean "any child" is refused.
TEST(Launch, CollectChildTakesOnlyThatChildAndNeverBlocks) {
    const auto start = [](int code) {  // code < 0: runs until killed
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(code < 0 ? ::pause() : code);
        return pid;
    };
    const pid_t quick = start(3), other = start(4), slow = start(-1);
    EXPECT_EQ(0, suite::CollectChild(slow));
    for (pid_t any : {0, -1}) {
        errno = 0;
        EXPECT_EQ(-1, suite::CollectChild(any));
        EXPECT_EQ(ECHILD, errno);
    }
    int status = 0;
    ASSERT_TRUE(testutil::WaitFor([&] { return suite::CollectChild(quick, &status) == quick; }));
    EXPECT_EQ(3, WEXITSTATUS(status));
    EXPECT_EQ(-1, suite::CollectChild(quick));  // gone: not ours any more
    ::kill(slow, SIGKILL);
    EXPECT_EQ(slow, suite::WaitChild(slow));
    // The other one was never taken.
    EXPECT_EQ(4, ExitStatusOf(other));
}

// A started program begins as one started afresh, whatever this process
// ignores, blocks or holds open, and its output can be captured.
TEST(Launch, ChildStartsWithDefaultSignalsNoInheritedDescriptorsAndCapturedOutput) {
    TempDir dir;
    const int leaked = ::open("/dev/null", O_RDONLY);  // not close-on-exec
    ASSERT_GE(leaked, 3);
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(out, 0);
    const sighandler_t oldPipe = ::signal(SIGPIPE, SIG_IGN);
    sigset_t usr1, oldMask;
    ::sigemptyset(&usr1);
    ::sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);

    suite::LaunchOptions options;
    options.stdoutFd = options.stderrFd = out;
    const std::string script = "grep -E '^Sig(Ign|Blk)' /proc/self/status; test -e /proc/$$/fd/" +
                               std::to_string(leaked) + " && echo leaked; echo err >&2";
    const suite::LaunchResult started = suite::Launch("/bin/sh", {"sh", "-c", script}, options);

    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::signal(SIGPIPE, oldPipe);
    ::close(leaked);
    ::close(out);
    EXPECT_EQ(suite::LaunchFailure::kNone, started.failure);
    EXPECT_EQ(started.pid, suite::WaitChild(started.pid));
    EXPECT_EQ("SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\nerr\n",
              testutil::ReadFile(dir / "out"));
}

// Why a start failed reaches the caller; the child it made has ended with
// the status asked for, in the caller's hands to collect.
TEST(Launch, ExecFailureIsReportedWithItsErrno) {
    TempDir dir;
    testutil::WriteFile(dir / "data", "not a program", 0644);
    struct Case {
        std::string file;
        bool searchPath;
        int error;
        bool detach;  // leaves nothing to collect
    };
    const Case cases[] = {
        {dir / "missing", false, ENOENT, false},
        {dir / "data", false, EACCES, false},
        {"no-such-program-anywhere", true, ENOENT, false},
        {dir / "missing", false, ENOENT, true},
        {"true", true, 0, false},  // searched for in PATH, found
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        suite::LaunchOptions options;
        options.searchPath = c.searchPath;
        options.detach = c.detach;
        options.execFailureStatus = 127;
        const suite::LaunchResult started = suite::Launch(c.file, {c.file}, options);
        EXPECT_EQ(c.error ? suite::LaunchFailure::kNoExec : suite::LaunchFailure::kNone,
                  started.failure);
        EXPECT_EQ(c.error, started.error);
        if (c.detach) {
            ExpectNothingToCollect();
            continue;
        }
        EXPECT_EQ(c.error ? 127 : 0, ExitStatusOf(started.pid));
    }
}

// A detached start leaves nothing to collect, its program not our child.
TEST(Launch, DetachedStartLeavesNoChild) {
    TempDir dir;
    suite::LaunchOptions options;
    options.detach = true;
    const std::string mark = dir / "ran";
    const suite::LaunchResult started =
        suite::Launch("/bin/sh", {"sh", "-c", "sleep 0.2; echo $PPID > '" + mark + "'"}, options);
    EXPECT_EQ(suite::LaunchFailure::kNone, started.failure);
    ASSERT_GT(started.pid, 0);
    ExpectNothingToCollect();
    ASSERT_TRUE(testutil::WaitFor([&] { return testutil::Exists(mark); }));
    EXPECT_NE(std::to_string(::getpid()) + "\n", testutil::ReadFile(mark));
}

// A child asked to end with this process does, even when this process is
// killed; an unarmed one lives on.
TEST(Launch, DeathSignalEndsTheChildWithItsParent) {
    for (int deathSignal : {SIGTERM, 0}) {
        SCOPED_TRACE(deathSignal);
        int pids[2];
        ASSERT_EQ(0, ::pipe(pids));
        const pid_t parent = ::fork();
        if (parent == 0) {
            suite::LaunchOptions options;
            options.deathSignal = deathSignal;
            const pid_t child = suite::Launch("/bin/sleep", {"sleep", "30"}, options).pid;
            ::_exit(::write(pids[1], &child, sizeof child) == sizeof child ? ::pause() : 1);
        }
        ::close(pids[1]);
        pid_t child = -1;
        ASSERT_EQ(static_cast<ssize_t>(sizeof child), ::read(pids[0], &child, sizeof child));
        ::close(pids[0]);
        ASSERT_GT(child, 0);
        ::kill(parent, SIGKILL);
        suite::WaitChild(parent);
        const auto ended = [&] {
            const std::string stat = testutil::ReadFile("/proc/" + std::to_string(child) + "/stat");
            const std::size_t close = stat.rfind(')');
            return close == std::string::npos || stat[close + 2] == 'Z';
        };
        if (deathSignal != 0) {
            EXPECT_TRUE(testutil::WaitFor(ended));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            EXPECT_FALSE(ended());
            ::kill(child, SIGKILL);
        }
    }
}

}  // namespace

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <fcntl.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <string>
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
        char value[255];
        std::memset(value, 0, sizeof value);
        EXPECT_EQ(c.value ? 0 : 1, GetStatus(c.label, c.text, value, sizeof value));
        const std::optional<std::string> field = suite::StatusField(c.text, c.label);
        ASSERT_EQ(c.value != nullptr, field.has_value());
        if (c.value != nullptr) {
            EXPECT_STREQ(c.value, value);
            EXPECT_EQ(c.value, *field);
        }
    }
}

TEST(GetStatus, LongValueIsCutToBufferSizeMinusOne) {
    std::string text = "Name:\t" + std::string(300, 'a') + "\n";
    std::vector<char> value(256, '#');  // one guard byte past the 255
    std::memset(value.data(), 0, 255);
    EXPECT_EQ(0, GetStatus("Name:", text.c_str(), value.data(), 255));
    EXPECT_EQ(254u, std::strlen(value.data()));
    EXPECT_EQ('#', value[255]);

    std::vector<char> big(512, 0);
    std::string longer = "Name:\t" + std::string(600, 'b') + "\n";
    EXPECT_EQ(0, GetStatus("Name:", longer.c_str(), big.data(), big.size()));
    EXPECT_EQ(511u, std::strlen(big.data()));
    EXPECT_EQ(511u, suite::StatusField(longer, "Name:", 512)->size());
}

// A fake process table.
class FakeProc {
  public:
    void AddOwned(const std::string& entry, const std::string& name, const std::string& state,
                  uid_t uid) {
        testutil::MakeDirs(dir_ / entry);
        std::string text;
        if (!name.empty())
            text += "Name:\t" + name + "\n";
        text += "Umask:\t0022\n";
        if (!state.empty())
            text += "State:\t" + state + "\n";
        text += "Tgid:\t" + entry + "\n";
        text += "Uid:\t" + std::to_string(uid) + "\t" + std::to_string(uid) + "\t0\t0\n";
        testutil::WriteFile(dir_ / (entry + "/status"), text);
    }
    void Add(const std::string& entry, const std::string& name, const std::string& state) {
        AddOwned(entry, name, state, ::getuid());
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
    EXPECT_EQ(0, suite::CheckDoubleStartup("Ringout", proc.paths()));
    // The scan goes in process-ID order, so a live instance above every
    // skipped entry is found only when none of them ends the scan early.
    proc.Add("9999999", "Ringout", "S (sleeping)");
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
        {"Name:\tWaymark\nState:\tS\n", false},                            // no Uid line
        {"Name:\tWaymark\nState:\tS\nUid:\tx%u\n", false},
    };
    for (const Case& c : cases) {
        std::string text = c.status;
        for (std::size_t at; (at = text.find("%o")) != std::string::npos;) {
            text.replace(at, 2, std::to_string(other));
        }
        for (std::size_t at; (at = text.find("%u")) != std::string::npos;) {
            text.replace(at, 2, std::to_string(::getuid()));
        }
        SCOPED_TRACE(text);
        FakeProc proc;
        proc.AddRaw("170", text);
        const int expected = c.counts ? 170 : 0;
        EXPECT_EQ(expected, suite::CheckDoubleStartup("Waymark", proc.paths()));
        EXPECT_EQ(expected, suite::CheckWebProcess("Waymark", proc.paths()));
    }
    FakeProc proc;
    proc.AddOwned("171", "netscape", "S (sleeping)", other);
    EXPECT_EQ(0, suite::CheckWebProcessRummage(proc.paths()));
}

TEST(ProcessScan, MissingProcOrEmptyNameMeansNone) {
    EXPECT_EQ(0, suite::CheckDoubleStartup("Waymark", {"/nonexistent/proc"}));
    FakeProc proc;
    proc.Add("140", "mozilla", "S (sleeping)");
    EXPECT_EQ(0, suite::CheckWebProcess("", proc.paths()));
}

TEST(ProcessScan, StatusTextIsLimitedTo2048Bytes) {
    FakeProc proc;
    // The Name: line beyond the first 2048 bytes is not seen.
    proc.AddRaw("150", "State:\tS\nUid:\t" + std::to_string(::getuid()) + "\n" +
                           std::string(2100, 'x') + "\nName:\tWaywatch\n");
    EXPECT_EQ(0, suite::CheckDoubleStartup("Waywatch", proc.paths()));
    proc.AddRaw("151", "State:\tS\nName:\tWaywatch\nUid:\t" + std::to_string(::getuid()) + "\n" +
                           std::string(3000, 'x'));
    EXPECT_EQ(151, suite::CheckDoubleStartup("Waywatch", proc.paths()));
}

TEST(ProcessScan, RummageFormLooksForNetscapeNameFirst) {
    FakeProc proc;
    proc.Add("160", "netscape-bin", "Z (zombie)");
    EXPECT_EQ(0, suite::CheckWebProcessRummage(proc.paths()));
    proc.Add("161", "netscape-bin", "S (sleeping)");
    EXPECT_EQ(161, suite::CheckWebProcessRummage(proc.paths()));
}

TEST(ProcessScan, RealProcFindsAChildByName) {
    // Our own child, exec'd under a distinctive name.
    TempDir dir;
    const std::string prog = dir / "Zqxsleeper";
    ASSERT_EQ(0, ::symlink("/bin/sleep", prog.c_str()));
    pid_t child = ::fork();
    if (child == 0) {
        ::execl(prog.c_str(), prog.c_str(), "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
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

std::string WaitArgs(const std::string& recorder) {
    const std::string file = recorder + ".args";
    if (!testutil::WaitFor([&] { return testutil::Exists(file); }))
        return "<none>";
    return testutil::ReadFile(file);
}

int ExitStatusOf(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2000;
}

TEST(ExecProcess, DetachedStartsWithOptionalArgument) {
    TempDir dir;
    const std::string rec = MakeRecorder(dir, "prog");
    pid_t pid = suite::ExecProcessDetached(rec.c_str(), "one");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(0, ExitStatusOf(pid));
    EXPECT_EQ("one\n", WaitArgs(rec));

    ::unlink((rec + ".args").c_str());
    pid = suite::ExecProcessDetached(rec.c_str(), nullptr);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(0, ExitStatusOf(pid));
    EXPECT_EQ("", WaitArgs(rec));

    EXPECT_EQ(-1, suite::ExecProcessDetached("", nullptr));
    EXPECT_EQ(-1, suite::ExecProcessDetached((dir / "missing").c_str(), nullptr));
}

TEST(ExecProcess, FailedExecEndsChildWithStatusZero) {
    TempDir dir;
    const std::string notExec = dir / "data";
    testutil::WriteFile(notExec, "not a program", 0644);
    pid_t pid = suite::ExecProcessDetached(notExec.c_str(), "x");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(0, ExitStatusOf(pid));
}

TEST(ExecProcess, LoggedFormWarnsAndCountsAFailedExecAsAFailedStart) {
    TempDir dir;
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };
    EXPECT_EQ(-1, suite::ExecProcessLogged("", nullptr, warn));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(-1, suite::ExecProcessLogged("/no/such/pppd", nullptr, warn));
    testutil::WriteFile(dir / "noexec", "#!/bin/sh\n", 0644);
    EXPECT_EQ(-1, suite::ExecProcessLogged((dir / "noexec").c_str(), nullptr, warn));
    EXPECT_EQ((std::vector<std::string>{"/no/such/pppd search Failed.", "Create process failed."}),
              warnings);
    // Nothing is left to collect after the failed exec.
    errno = 0;
    EXPECT_EQ(-1, ::waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);

    // The daemon's start: its one argument, in a group of its own.
    testutil::WriteFile(dir / "daemon",
                        "#!/bin/sh\necho \"$@\" > " + (dir / "args") + "\nexec sleep 30\n", 0755);
    suite::LaunchOptions options;
    options.newProcessGroup = true;
    const pid_t pid = suite::ExecProcessLogged((dir / "daemon").c_str(), "-detach", warn, options);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(testutil::WaitFor([&] { return testutil::Exists(dir / "args"); }));
    EXPECT_EQ("-detach\n", testutil::ReadFile(dir / "args"));
    EXPECT_EQ(pid, ::getpgid(pid));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(pid, suite::WaitChild(pid));
    EXPECT_EQ(2u, warnings.size());
}

TEST(ExecProcess, WaitFormBlocksUntilChildEnds) {
    TempDir dir;
    const std::string rec = MakeRecorder(dir, "apply");
    EXPECT_EQ(0, suite::ExecProcessWait("", nullptr));
    EXPECT_EQ(-1, suite::ExecProcessWait((dir / "missing").c_str(), nullptr));
    pid_t r = suite::ExecProcessWait(rec.c_str(), "arg");
    EXPECT_GT(r, 0);
    // The child has finished by the time the call returns.
    EXPECT_TRUE(testutil::Exists(rec + ".args"));
    EXPECT_EQ("arg\n", testutil::ReadFile(rec + ".args"));
}

bool HasZombieChild() {
    DIR* d = ::opendir("/proc");
    bool found = false;
    const std::string ppid = "PPid:\t" + std::to_string(::getpid()) + "\n";
    while (struct dirent* e = ::readdir(d)) {
        std::string text = testutil::ReadFile(std::string("/proc/") + e->d_name + "/status");
        if (text.find(ppid) != std::string::npos && text.find("State:\tZ") != std::string::npos) {
            found = true;
        }
    }
    ::closedir(d);
    return found;
}

TEST(ExecProcess, DoubleForkLeavesNoZombieAndUsesBrowserForms) {
    TempDir dir;
    FakeProc proc;
    const std::string browser = MakeRecorder(dir, "start");
    suite::BrowserSettings settings{browser, "netscape", proc.paths()};
    bool fatal = false;

    // No browser running: "file:" form.
    pid_t pid = suite::ExecProcessDoubleFork(browser.c_str(), "/home/u/page.htm", settings,
                                             [&] { fatal = true; });
    EXPECT_GT(pid, 0);
    EXPECT_EQ("file:/home/u/page.htm\n", WaitArgs(browser));
    EXPECT_FALSE(HasZombieChild());
    errno = 0;
    EXPECT_EQ(-1, ::waitpid(pid, nullptr, WNOHANG));  // already collected
    EXPECT_EQ(ECHILD, errno);

    // A browser running: remote form to the same program.
    ::unlink((browser + ".args").c_str());
    proc.Add("200", "netscape", "S (sleeping)");
    suite::ExecProcessDoubleFork(browser.c_str(), "/home/u/page.htm", settings,
                                 [&] { fatal = true; });
    EXPECT_EQ("-remote\nopenURL(/home/u/page.htm)\n", WaitArgs(browser));

    // Another program gets its argument as it is; none when null.
    const std::string app = MakeRecorder(dir, "editor");
    suite::ExecProcessDoubleFork(app.c_str(), "/home/u/a.txt", settings, [&] { fatal = true; });
    EXPECT_EQ("/home/u/a.txt\n", WaitArgs(app));
    ::unlink((app + ".args").c_str());
    suite::ExecProcessDoubleFork(app.c_str(), nullptr, settings, [&] { fatal = true; });
    EXPECT_EQ("", WaitArgs(app));
    EXPECT_FALSE(fatal);
    EXPECT_FALSE(HasZombieChild());
}

TEST(ExecProcess, LauncherFormIsBrowserAware) {
    TempDir dir;
    FakeProc proc;
    const std::string browser = MakeRecorder(dir, "browser");
    suite::BrowserSettings settings{browser, "firefox", proc.paths()};
    int missing = 0;
    auto onMissing = [&] { ++missing; };

    // Empty path: nothing started, nothing shown.
    EXPECT_EQ(0, suite::ExecProcessLauncher("", "x", settings, onMissing));
    EXPECT_EQ(0, missing);
    // Missing program: the message, nothing started.
    EXPECT_EQ(0, suite::ExecProcessLauncher((dir / "gone").c_str(), "x", settings, onMissing));
    EXPECT_EQ(1, missing);

    pid_t pid =
        suite::ExecProcessLauncher(browser.c_str(), "http://example.org/", settings, onMissing);
    ASSERT_GT(pid, 0);
    EXPECT_EQ("http://example.org/\n", WaitArgs(browser));
    EXPECT_TRUE(testutil::WaitFor([&] { return suite::CollectChild(pid) == pid; }));

    ::unlink((browser + ".args").c_str());
    proc.Add("300", "firefox-esr", "S (sleeping)");
    pid = suite::ExecProcessLauncher(browser.c_str(), "http://example.org/", settings, onMissing);
    ASSERT_GT(pid, 0);
    EXPECT_EQ("-remote\nopenURL(http://example.org/)\n", WaitArgs(browser));
    ::waitpid(pid, nullptr, 0);

    // An empty argument means none.
    const std::string app = MakeRecorder(dir, "app");
    pid = suite::ExecProcessLauncher(app.c_str(), "", settings, onMissing);
    EXPECT_EQ("", WaitArgs(app));
    ::waitpid(pid, nullptr, 0);
}

// Collecting is for exactly the child named: another finished child stays
// for its own owner, and a pid that would mean "any child" is refused.
TEST(Launch, CollectChildTakesOnlyThatChildAndNeverBlocks) {
    const pid_t quick = ::fork();
    if (quick == 0)
        ::_exit(3);
    const pid_t other = ::fork();
    if (other == 0)
        ::_exit(4);
    const pid_t slow = ::fork();
    if (slow == 0) {
        ::pause();
        ::_exit(0);
    }
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
    EXPECT_EQ(other, suite::WaitChild(other, &status));
    EXPECT_EQ(4, WEXITSTATUS(status));
}

// A started program begins as one started afresh, whatever this process
// ignores, blocks or holds open, and its output can be captured.
TEST(Launch, ChildStartsWithDefaultSignalsNoInheritedDescriptorsAndCapturedOutput) {
    TempDir dir;
    const int leaked = ::open("/dev/null", O_RDONLY);  // not close-on-exec
    ASSERT_GE(leaked, 3);
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(out, 0);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldPipe {};
    ::sigaction(SIGPIPE, &ignore, &oldPipe);
    sigset_t usr1;
    sigset_t oldMask;
    ::sigemptyset(&usr1);
    ::sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);

    suite::LaunchOptions options;
    options.stdoutFd = out;
    options.stderrFd = out;
    const std::string script = "grep -E '^Sig(Ign|Blk)' /proc/self/status; test -e /proc/$$/fd/" +
                               std::to_string(leaked) + " && echo leaked; echo err >&2";
    const suite::LaunchResult started = suite::Launch("/bin/sh", {"sh", "-c", script}, options);

    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(SIGPIPE, &oldPipe, nullptr);
    ::close(leaked);
    ::close(out);
    ASSERT_GT(started.pid, 0);
    EXPECT_EQ(suite::LaunchFailure::kNone, started.failure);
    int status = -1;
    EXPECT_EQ(started.pid, suite::WaitChild(started.pid, &status));
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
    };
    const Case cases[] = {
        {dir / "missing", false, ENOENT},
        {dir / "data", false, EACCES},
        {"no-such-program-anywhere", true, ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        suite::LaunchOptions options;
        options.searchPath = c.searchPath;
        options.execFailureStatus = 127;
        const suite::LaunchResult started = suite::Launch(c.file, {c.file}, options);
        EXPECT_EQ(suite::LaunchFailure::kNoExec, started.failure);
        EXPECT_EQ(c.error, started.error);
        ASSERT_GT(started.pid, 0);
        int status = 0;
        EXPECT_EQ(started.pid, suite::WaitChild(started.pid, &status));
        EXPECT_EQ(127, WEXITSTATUS(status));
    }
    // Searched for in PATH, a name without a slash is found.
    const suite::LaunchResult found = suite::Launch("true", {"true"}, [] {
        suite::LaunchOptions options;
        options.searchPath = true;
        return options;
    }());
    EXPECT_EQ(suite::LaunchFailure::kNone, found.failure);
    EXPECT_EQ(found.pid, suite::WaitChild(found.pid));
}

// A detached start leaves nothing to collect and still says when its
// program could not be run.
TEST(Launch, DetachedStartLeavesNoChildAndReportsAFailedExec) {
    TempDir dir;
    suite::LaunchOptions options;
    options.detach = true;
    const std::string mark = dir / "ran";
    const suite::LaunchResult started =
        suite::Launch("/bin/sh", {"sh", "-c", "sleep 0.2; echo $PPID > '" + mark + "'"}, options);
    EXPECT_EQ(suite::LaunchFailure::kNone, started.failure);
    ASSERT_GT(started.pid, 0);
    errno = 0;
    EXPECT_EQ(-1, ::waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
    ASSERT_TRUE(testutil::WaitFor([&] { return testutil::Exists(mark); }));
    EXPECT_NE(std::to_string(::getpid()) + "\n", testutil::ReadFile(mark));

    const suite::LaunchResult failed = suite::Launch(dir / "missing", {"missing"}, options);
    EXPECT_EQ(suite::LaunchFailure::kNoExec, failed.failure);
    EXPECT_EQ(ENOENT, failed.error);
    EXPECT_FALSE(HasZombieChild());
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
            const suite::LaunchResult started =
                suite::Launch("/bin/sleep", {"sleep", "30"}, options);
            [[maybe_unused]] ssize_t n = ::write(pids[1], &started.pid, sizeof started.pid);
            ::pause();
            ::_exit(0);
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

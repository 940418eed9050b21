#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <cstring>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "common/ProcessUtil.h"

using suite::GetStatus;
using testutil::TempDir;

namespace {

TEST(GetStatus, ReadsValuesAndRespectsLimits) {
    char value[255];

    std::memset(value, 0, sizeof value);
    EXPECT_EQ(0, GetStatus("State:", "Name:\tx\nState:\tS (sleeping)\nPid:\t1\n", value, 255));
    EXPECT_STREQ("S (sleeping)", value);

    // Blanks and tabs after the label are skipped, the rest of the line kept.
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(0, GetStatus("Name:", "Name: \t two words \nX", value, 255));
    EXPECT_STREQ("two words ", value);

    // Label straight followed by the newline: found, empty value.
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(0, GetStatus("State:", "State:\nName:\tx\n", value, 255));
    EXPECT_STREQ("", value);

    // Missing label.
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(1, GetStatus("State:", "Name:\tx\n", value, 255));

    // Not anchored: the first occurrence anywhere counts.
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(0, GetStatus("Name:", "XName:\tfirst\nName:\tsecond\n", value, 255));
    EXPECT_STREQ("first", value);

    // A value at the very end of the text, with no newline.
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(0, GetStatus("Name:", "Name:\tlast", value, 255));
    EXPECT_STREQ("last", value);
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

TEST(ExecProcess, LoggedFormWarnsOnMissingProgram) {
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };
    EXPECT_EQ(-1, suite::ExecProcessLogged("", nullptr, warn));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(-1, suite::ExecProcessLogged("/no/such/pppd", nullptr, warn));
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ("/no/such/pppd search Failed.", warnings[0]);
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
    EXPECT_TRUE(testutil::WaitFor([&] {
        suite::CheckExitChildProcess();
        return ::kill(pid, 0) != 0;
    }));

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

TEST(ExecProcess, CheckExitChildProcessCollectsWithoutBlocking) {
    EXPECT_EQ(1, suite::CheckExitChildProcess());  // nothing to collect
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(3);
    EXPECT_TRUE(testutil::WaitFor([&] {
        suite::CheckExitChildProcess();
        errno = 0;
        return ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
    }));
}

}  // namespace

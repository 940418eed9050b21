// The desktop session as a person gets it at login: the session script seeds
// the launcher's data, the watchdog starts the bar, and the bar comes back
// when it is killed.  The built programs stand at their installed paths in a
// private mount and process namespace, on a private virtual X server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestUtil.h"

using namespace std::chrono_literals;

namespace {

// A child of this test, killed and collected on every way out.
class Child {
  public:
    // `stop` ends it: SIGTERM lets an X server remove its socket and lock.
    explicit Child(const std::vector<std::string>& argv, int stop = SIGKILL) : stop_(stop) {
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    ~Child() {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, stop_);
        if (stop_ != SIGKILL &&
            !testutil::WaitFor([&] { return ::waitpid(pid_, nullptr, WNOHANG) != 0; }, 5s)) {
            ::kill(pid_, SIGKILL);
        }
        ::waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    pid_t pid() const { return pid_; }
    // Collects it when it has ended, so its id is never signalled again.
    bool Running() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) != 0) {
            pid_ = -1;
        }
        return pid_ > 0;
    }

  private:
    pid_t pid_ = -1;
    int stop_;
};

// Shell lines that put a private tmpfs under each of `dirs` (on the nearest
// directory that exists) and create them; empty when that would hide /usr.
std::string PrivateDirs(const std::vector<std::string>& dirs) {
    std::vector<std::string> mounted;
    std::string script;
    for (const std::string& dir : dirs) {
        std::string base = dir;
        struct stat st {};
        while (base.size() > 1 && ::stat(base.c_str(), &st) != 0) {
            base = base.substr(0, base.rfind('/'));
        }
        if (base.find('/', 1) == std::string::npos || base == "/usr") {
            return "";
        }
        bool covered = false;
        for (const std::string& m : mounted) {
            covered = covered || base == m || base.rfind(m + "/", 0) == 0;
        }
        if (!covered) {
            script += "mount -t tmpfs session '" + base + "'; ";
            mounted.push_back(base);
        }
        script += "mkdir -p '" + dir + "'; ";
    }
    return script;
}

bool Available(const char* program) {
    return testutil::Shell(std::string("command -v ") + program + " >/dev/null 2>&1") == 0;
}

// Starts a private virtual X server on `display` into `server`; its display
// (":N"), or empty when it did not start.  It names its display on the pipe
// once it listens.  Every test that runs a server of its own has a number of
// its own: tests run in process namespaces of their own, where a server takes
// another test's live server for a stale one and takes over its display.
std::string StartXServer(std::unique_ptr<Child>& server, int display) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "";
    }
    server = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", ":" + std::to_string(display), "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"},
        SIGTERM);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(fds[0]);
    return number.empty() ? "" : ":" + number;
}

// The sanitizer settings of this run, as assignments for env.
std::string SanitizerEnv() {
    std::string assignments;
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "G_SLICE"}) {
        if (const char* value = std::getenv(name)) {
            assignments += std::string(" ") + name + "='" + value + "'";
        }
    }
    return assignments;
}

TEST(Session, BarComesUpAndWaywatchBringsItBackAfterItIsKilled) {
    if (!testutil::CanUnshareMounts() || !Available("Xvfb") || !Available("xdotool")) {
        GTEST_SKIP() << "needs mount namespaces, Xvfb and xdotool";
    }
    const std::string bin = SUITE_BINDIR;
    const std::string share = std::string(SUITE_DATADIR) + "/Waymark";
    // The whole picture directory of an installed suite is covered too, so the
    // build's pictures are the ones shown.
    std::string script = PrivateDirs({bin, share, share + "/default", share + "/Help"});
    if (script.empty()) {
        GTEST_SKIP() << "no safe place to show " << bin << " in a namespace";
    }
    const std::string build = SUITE_BUILD_DIR;
    const std::string data = std::string(SUITE_SOURCE_DIR) + "/data/waymark";
    for (const char* program : {"Waywatch", "Waymark", "rummage"}) {
        script += "ln -s '" + build + "/bin/" + program + "' '" + bin + "/'; ";
    }
    for (const char* file : {"waymark-session", "waymark-browser"}) {
        script += "ln -s '" + build + "/waymark/data/" + file + "' '" + bin + "/'; ";
    }
    for (const char* file : {"Waymark.dat", "User00.dat", "User00-noterm.dat"}) {
        script += "ln -s '" + build + "/waymark/data/" + file + "' '" + share + "/default/'; ";
    }
    script += "ln -s '" + data + "/pixmaps' '" + share + "/pixmaps'; ";
    script += "ln -s '" + data + "/Waymark.htm' '" + share + "/Help/'; ";

    std::unique_ptr<Child> xvfb;
    const std::string display = StartXServer(xvfb, 182);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";

    testutil::TempDir tmp;
    const std::string home = tmp / "home";
    testutil::MakeDirs(home);
    script += "cd '" + home + "'; exec env -i HOME='" + home + "' DISPLAY=" + display +
              " PATH=/usr/bin:/bin LANG=C.UTF-8 NO_AT_BRIDGE=1" + SanitizerEnv();
    // The build keeps the script without its installed execute bit.
    script += " sh '" + bin + "/waymark-session'";
    // Its own pid namespace: the launcher's single-instance check sees only
    // this session, and ending the namespace ends everything in it.
    Child session({"unshare", "-m", "-p", "--fork", "--mount-proc", "--propagation", "private",
                   "--kill-child=SIGKILL", "sh", "-ec", script});

    // What a command prints.
    testutil::TempDir scratch;
    auto output = [&scratch](const std::string& command) {
        testutil::Shell(command + " > '" + scratch / "out" + "' 2>/dev/null");
        return testutil::ReadFile(scratch / "out");
    };
    // The namespace's first process, and the processes called `name` beside it.
    std::string first;
    ASSERT_TRUE(testutil::WaitFor([&] {
        first = output("pgrep -P " + std::to_string(session.pid()));
        first = first.substr(0, first.find('\n'));
        return !first.empty();
    }));
    auto processesIn = [&](const char* name) {
        std::istringstream lines(output("pgrep --ns " + first + " --nslist pid -x " + name));
        std::set<pid_t> found;
        for (pid_t pid = 0; lines >> pid;) {
            found.insert(pid);
        }
        return found;
    };
    // A shown window called Waymark that belongs to launcher process `pid`
    // (by the id it has inside its own pid namespace, which its windows carry).
    auto barOf = [&](pid_t pid) {
        const std::string status = testutil::ReadFile("/proc/" + std::to_string(pid) + "/status");
        const std::size_t at = status.find("NSpid:");
        if (at == std::string::npos) {
            return false;
        }
        const std::string ids = status.substr(at, status.find('\n', at) - at);
        const std::string owner = ids.substr(ids.find_last_of(" \t") + 1);
        return ("\n" + output("DISPLAY=" + display +
                              " xdotool search --onlyvisible --name '^Waymark$' getwindowpid %@"))
                   .find("\n" + owner + "\n") != std::string::npos;
    };
    std::set<pid_t> bar;
    ASSERT_TRUE(testutil::WaitFor(
        [&] {
            bar = processesIn("Waymark");
            return bar.size() == 1 && barOf(*bar.begin());
        },
        60s))
        << "the bar did not come up";
    EXPECT_TRUE(testutil::Exists(home + "/.waymark/Waymark.dat"));
    EXPECT_TRUE(testutil::Exists(home + "/.waymark/User00.dat"));
    ASSERT_EQ(processesIn("Waywatch").size(), 1u);

    ASSERT_EQ(::kill(*bar.begin(), SIGKILL), 0);
    // The X server may hand the new bar the old one's window id: the bar is
    // told by the process it belongs to.
    std::set<pid_t> second;
    ASSERT_TRUE(testutil::WaitFor(
        [&] {
            second = processesIn("Waymark");
            return second.size() == 1 && *second.begin() != *bar.begin();
        },
        60s))
        << "Waymark was not started again";
    EXPECT_TRUE(testutil::WaitFor([&] { return barOf(*second.begin()); }, 60s))
        << "the bar did not come back";
    EXPECT_EQ(processesIn("Waywatch").size(), 1u);
    EXPECT_TRUE(session.Running());
}

// The file manager with the accessibility bridge on and a screen reader's
// worth of listening on the bus: a person opens the dialogs, walks the tree
// and closes the window.  Every session once printed critical warnings
// (each notebook page looked its tab up in a notebook that no longer held
// it when a dialog closed); any at all fails.
TEST(Session, FileManagerUnderTheAccessibilityBridgeWarnsOfNothingCritical) {
    if (!testutil::CanUnshareMounts() || !Available("Xvfb") || !Available("xdotool") ||
        !Available("dbus-run-session") ||
        testutil::Shell("PATH=/usr/bin:/bin python3 -c "
                        "\"import gi; gi.require_version('Atspi', '2.0')\" "
                        ">/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs namespaces, Xvfb, xdotool, dbus-run-session and Python's Atspi";
    }
    std::unique_ptr<Child> xvfb;
    const std::string display = StartXServer(xvfb, 183);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";

    testutil::TempDir tmp;
    const std::string home = tmp / "home";
    for (const char* dir : {"/one/sub", "/two"}) {
        testutil::MakeDirs(home + dir);
    }
    testutil::WriteFile(home + "/notes.txt", "n");
    const std::string run = tmp / "run";
    testutil::MakeDirs(run);
    ::chmod(run.c_str(), 0700);
    const std::string errors = tmp / "rummage.err";
    const std::string driven = tmp / "driver.out";
    const std::string status = tmp / "driver.status";
    // The bus and the bridge's own services live and end with the session;
    // the driver starts the program once it listens.
    const std::string inner = "python3 '" + std::string(SUITE_SOURCE_DIR) +
                              "/tests/a11y-session-driver.py' rummage '" + home + "/' '" + errors +
                              "' '" + SUITE_BUILD_DIR + "/bin/rummage' >'" + driven +
                              "' 2>&1; echo \\$? >'" + status + "'";
    const std::string script = "cd '" + home + "'; exec env -i HOME='" + home +
                               "' DISPLAY=" + display + " XDG_RUNTIME_DIR='" + run +
                               "' PATH=/usr/bin:/bin LANG=C.UTF-8" + SanitizerEnv() +
                               " dbus-run-session -- sh -c \"" + inner + "\"";
    Child session({"unshare", "-m", "-p", "--fork", "--mount-proc", "--propagation", "private",
                   "--kill-child=SIGKILL", "sh", "-ec", script});
    ASSERT_TRUE(testutil::WaitFor([&] { return !session.Running(); }, 180s))
        << "the session did not end; driver: " << testutil::ReadFile(driven);
    ASSERT_TRUE(testutil::Exists(status)) << testutil::ReadFile(driven);
    EXPECT_EQ(testutil::ReadFile(status), "0\n")
        << testutil::ReadFile(driven) << testutil::ReadFile(errors);
    std::istringstream lines(testutil::ReadFile(errors));
    std::vector<std::string> criticals;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("-CRITICAL **") != std::string::npos) {
            criticals.push_back(line);
        }
    }
    EXPECT_TRUE(criticals.empty())
        << criticals.size() << " critical warnings, first: " << criticals.front();
}

}  // namespace

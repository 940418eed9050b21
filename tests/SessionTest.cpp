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

#include <dirent.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
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

std::string LinkOf(const std::string& path) {
    char buf[256];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// Processes called `name` inside the pid namespace `ns`.
std::set<pid_t> ProcessesIn(const std::string& ns, const std::string& name) {
    std::set<pid_t> found;
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) {
        return found;
    }
    while (dirent* e = ::readdir(dir)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0) {
            continue;
        }
        const std::string base = "/proc/" + std::string(e->d_name);
        if (LinkOf(base + "/ns/pid") != ns) {
            continue;
        }
        const std::string status = testutil::ReadFile(base + "/status");
        if (status.rfind("Name:\t" + name + "\n", 0) == 0) {
            found.insert(pid);
        }
    }
    ::closedir(dir);
    return found;
}

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

    // A private X server; it names its display on the pipe once it listens.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    Child xvfb({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                "-nolisten", "tcp"},
               SIGTERM);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    const std::string display = ":" + number;

    testutil::TempDir tmp;
    const std::string home = tmp / "home";
    testutil::MakeDirs(home);
    script += "cd '" + home + "'; exec env -i HOME='" + home + "' DISPLAY=" + display +
              " PATH=/usr/bin:/bin LANG=C.UTF-8 NO_AT_BRIDGE=1";
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "G_SLICE"}) {
        if (const char* value = std::getenv(name)) {
            script += std::string(" ") + name + "='" + value + "'";
        }
    }
    // The build keeps the script without its installed execute bit.
    script += " sh '" + bin + "/waymark-session'";
    // Its own pid namespace: the launcher's single-instance check sees only
    // this session, and ending the namespace ends everything in it.
    Child session({"unshare", "-m", "-p", "--fork", "--mount-proc", "--propagation", "private",
                   "--kill-child=SIGKILL", "sh", "-ec", script});

    std::string ns;
    ASSERT_TRUE(testutil::WaitFor([&] {
        ns = LinkOf("/proc/" + std::to_string(session.pid()) + "/ns/pid_for_children");
        return !ns.empty() && ns != LinkOf("/proc/self/ns/pid");
    }));
    // A shown window called Waymark that belongs to launcher process `pid`
    // (by the id it has inside its own pid namespace, which its windows carry).
    testutil::TempDir scratch;
    auto barOf = [&](pid_t pid) {
        const std::string status = testutil::ReadFile("/proc/" + std::to_string(pid) + "/status");
        const std::size_t at = status.find("NSpid:");
        if (at == std::string::npos) {
            return false;
        }
        const std::string ids = status.substr(at, status.find('\n', at) - at);
        const std::string owner = ids.substr(ids.find_last_of(" \t") + 1);
        testutil::Shell("DISPLAY=" + display + " xdotool search --onlyvisible --name '^Waymark$' " +
                        "getwindowpid %@ > '" + scratch / "pids" + "' 2>/dev/null");
        return ("\n" + testutil::ReadFile(scratch / "pids")).find("\n" + owner + "\n") !=
               std::string::npos;
    };
    std::set<pid_t> first;
    ASSERT_TRUE(testutil::WaitFor(
        [&] {
            first = ProcessesIn(ns, "Waymark");
            return first.size() == 1 && barOf(*first.begin());
        },
        60s))
        << "the bar did not come up";
    EXPECT_TRUE(testutil::Exists(home + "/.waymark/Waymark.dat"));
    EXPECT_TRUE(testutil::Exists(home + "/.waymark/User00.dat"));
    ASSERT_EQ(ProcessesIn(ns, "Waywatch").size(), 1u);

    ASSERT_EQ(::kill(*first.begin(), SIGKILL), 0);
    // The X server may hand the new bar the old one's window id: the bar is
    // told by the process it belongs to.
    std::set<pid_t> second;
    ASSERT_TRUE(testutil::WaitFor(
        [&] {
            second = ProcessesIn(ns, "Waymark");
            return second.size() == 1 && *second.begin() != *first.begin();
        },
        60s))
        << "Waymark was not started again";
    EXPECT_TRUE(testutil::WaitFor([&] { return barOf(*second.begin()); }, 60s))
        << "the bar did not come back";
    EXPECT_EQ(ProcessesIn(ns, "Waywatch").size(), 1u);
    EXPECT_TRUE(session.Running());
}

}  // namespace

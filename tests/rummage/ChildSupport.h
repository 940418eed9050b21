// Runs a piece of a test in a child process, optionally as an ordinary
// user so that permission checks apply to it although the tests run as
// root; the child's report comes back through a pipe.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace rmgtest {

inline constexpr uid_t kNobody = 65534;

// Runs `body` in a child (as user and group 65534 when `dropRoot`) and
// returns its report; empty means fine.
inline std::string InChild(const std::function<std::string()>& body, bool dropRoot) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "pipe failed";
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string report = "cannot drop root";
        if (!dropRoot ||
            (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)) {
            report = body();
        }
        if (::write(fds[1], report.data(), report.size()) < 0) {
            _exit(2);
        }
        _exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) {
        report.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        report += " (child failed)";
    }
    return report;
}

}  // namespace rmgtest

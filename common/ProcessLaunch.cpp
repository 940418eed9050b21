// Starting and collecting children: the one launcher, and the per-program
// start forms of ProcessUtil.h built on it.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/ProcessUtil.h"

namespace suite {

namespace {

// What a child tells its parent through the report pipe before it ends.
struct ChildReport {
    LaunchFailure failure;
    int error;
};

// Everything the child uses, made before the fork.
struct ChildPlan {
    const char* file;
    char* const* argv;
    const LaunchOptions* options;
    pid_t parent;
    int lastSignal;
    int reportFd;
};

[[noreturn]] void FailChild(const ChildPlan& plan, LaunchFailure failure, int error, int status) {
    const ChildReport report{failure, error};
    [[maybe_unused]] const ssize_t sent = ::write(plan.reportFd, &report, sizeof report);
    ::_exit(status);
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void RunChild(const ChildPlan& plan) {
    const LaunchOptions& options = *plan.options;
    // A program starts afresh: what this process ignores or handles (the
    // toolkit ignores SIGPIPE) must not outlive the exec.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signo = 1; signo <= plan.lastSignal; ++signo) {
        ::sigaction(signo, &byDefault, nullptr);  // refused for KILL and STOP: fixed anyway
    }
    if (options.newProcessGroup) {
        ::setpgid(0, 0);
    }
    if (options.deathSignal != 0 && !options.detach) {
        if (::prctl(PR_SET_PDEATHSIG, options.deathSignal) != 0) {
            FailChild(plan, LaunchFailure::kNoSetup, errno, options.execFailureStatus);
        }
        // A parent that ended before the signal was armed would never send it.
        if (::getppid() != plan.parent) {
            ::_exit(options.execFailureStatus);
        }
    }
    if (options.stdoutFd >= 0) {
        ::dup2(options.stdoutFd, STDOUT_FILENO);
    }
    if (options.stderrFd >= 0) {
        ::dup2(options.stderrFd, STDERR_FILENO);
    }
    // Closed at the exec rather than now: the report pipe must outlive a
    // failed one.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < 65536; ++fd) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (options.searchPath) {
        ::execvp(plan.file, plan.argv);
    } else {
        ::execv(plan.file, plan.argv);
    }
    FailChild(plan, LaunchFailure::kNoExec, errno, options.execFailureStatus);
}

pid_t WaitRetry(pid_t pid, int* status, int flags) {
    if (pid <= 0) {
        errno = ECHILD;
        return -1;
    }
    pid_t r;
    do {
        r = ::waitpid(pid, status, flags);
    } while (r < 0 && errno == EINTR);
    return r;
}

bool Findable(const char* path) {
    struct stat st;
    return path != nullptr && *path != '\0' && ::stat(path, &st) == 0;
}

std::vector<std::string> ArgvOf(const char* path, const char* arg1, const char* arg2 = nullptr) {
    std::vector<std::string> argv{path};
    if (arg1 != nullptr) {
        argv.emplace_back(arg1);
        if (arg2 != nullptr) {
            argv.emplace_back(arg2);
        }
    }
    return argv;
}

LaunchOptions ByName() {
    LaunchOptions options;
    options.searchPath = true;
    return options;
}

}  // namespace

LaunchResult Launch(const std::string& file, const std::vector<std::string>& argv,
                    const LaunchOptions& options) {
    LaunchResult result;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    // A failed exec (or setup) reports here; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        result.failure = LaunchFailure::kNoFork;
        result.error = errno;
        return result;
    }
    const ChildPlan plan{file.c_str(), args.data(), &options, ::getpid(), SIGRTMAX, report[1]};
    // No handler of ours may run in the child before it has reset them.
    sigset_t all;
    sigset_t kept;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &kept);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (options.detach) {
            const pid_t grandchild = ::fork();
            if (grandchild < 0) {
                FailChild(plan, LaunchFailure::kNoFork, errno, 1);
            }
            if (grandchild > 0) {
                ::_exit(0);
            }
        }
        RunChild(plan);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &kept, nullptr);
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        result.failure = LaunchFailure::kNoFork;
        result.error = forkError;
        return result;
    }
    ChildReport told{LaunchFailure::kNone, 0};
    ssize_t got;
    do {
        got = ::read(report[0], &told, sizeof told);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (options.detach) {
        WaitRetry(pid, nullptr, 0);
    }
    result.pid = pid;
    if (got == static_cast<ssize_t>(sizeof told)) {
        result.failure = told.failure;
        result.error = told.error;
    }
    return result;
}

pid_t CollectChild(pid_t pid, int* status) {
    return WaitRetry(pid, status, WNOHANG);
}

pid_t WaitChild(pid_t pid, int* status) {
    return WaitRetry(pid, status, 0);
}

BrowserSettings RummageBrowser() {
    return BrowserSettings{"/usr/lib/netscape/start", "netscape", {}};
}

pid_t ExecProcessDetached(const char* path, const char* argument) {
    if (!Findable(path)) {
        return -1;
    }
    // A child that cannot exec ends with status 0, which the caller's wait
    // takes as any other end.
    return Launch(path, ArgvOf(path, argument), ByName()).pid;
}

pid_t ExecProcessLogged(const char* path, const char* argument,
                        const std::function<void(const std::string&)>& warn,
                        const LaunchOptions& options) {
    if (path == nullptr || *path == '\0') {
        return -1;
    }
    if (!Findable(path)) {
        if (warn) {
            warn(std::string(path) + " search Failed.");
        }
        return -1;
    }
    LaunchOptions byName = options;
    byName.searchPath = true;
    const LaunchResult started = Launch(path, ArgvOf(path, argument), byName);
    if (started.failure == LaunchFailure::kNone) {
        return started.pid;
    }
    WaitChild(started.pid);
    if (warn) {
        warn("Create process failed.");
    }
    return -1;
}

pid_t ExecProcessDoubleFork(const char* path, const char* argument, const BrowserSettings& browser,
                            const std::function<void()>& fatal) {
    if (argument != nullptr && browser.program == path) {
        if (CheckWebProcessRummage(browser.processName, browser.paths) != 0) {
            const std::string remote = std::string("openURL(") + argument + ")";
            return ExecArgvDoubleFork(path, ArgvOf(path, "-remote", remote.c_str()), fatal);
        }
        const std::string file = std::string("file:") + argument;
        return ExecArgvDoubleFork(path, ArgvOf(path, file.c_str()), fatal);
    }
    return ExecArgvDoubleFork(path, ArgvOf(path, argument), fatal);
}

pid_t ExecArgvDoubleFork(const char* file, const std::vector<std::string>& argv,
                         const std::function<void()>& fatal) {
    LaunchOptions options = ByName();
    options.detach = true;
    const LaunchResult started = Launch(file, argv, options);
    // A program that cannot be executed is not reported: only a failed fork.
    if (started.failure == LaunchFailure::kNoFork && fatal) {
        fatal();
    }
    return started.pid;
}

}  // namespace suite

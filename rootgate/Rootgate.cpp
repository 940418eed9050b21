#include "rootgate/Rootgate.h"

#include <grp.h>
#include <libintl.h>
#include <locale.h>
#include <limits.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rootgate {

std::vector<std::string> TrustedDirectories() {
    return {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"};
}

std::string TrustedPath() {
    return "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
}

namespace {

bool AllOf(const std::string& s, const char* allowed) {
    for (unsigned char c : s) {
        if (!(std::isalnum(c) || std::strchr(allowed, c) != nullptr) || c == '\0') {
            return false;
        }
    }
    return true;
}

bool IsLocaleName(const std::string& name) {
    return name == "LANG" || name.rfind("LC_", 0) == 0;
}

}  // namespace

bool SaneValue(const std::string& name, const std::string& value) {
    if (value.empty() || value.size() > 128) {
        return false;
    }
    if (IsLocaleName(name)) {
        // A slash would let a locale name point at files of the caller's.
        return AllOf(value, "_.@-") && value[0] != '.';
    }
    if (name == "TERM") {
        return AllOf(value, "_.+-") && value[0] != '.';
    }
    if (name == "DISPLAY") {
        return AllOf(value, "_.:-");
    }
    return false;
}

std::vector<std::string> BuildEnvironment(const char* const* callerEnv, const Account& account) {
    std::vector<std::string> env;
    env.push_back("PATH=" + TrustedPath());
    env.push_back("HOME=" + account.home);
    env.push_back("USER=root");
    env.push_back("LOGNAME=root");
    env.push_back("SHELL=" + account.shell);
    for (const char* const* p = callerEnv; p != nullptr && *p != nullptr; ++p) {
        const char* eq = std::strchr(*p, '=');
        if (eq == nullptr) {
            continue;
        }
        std::string name(*p, static_cast<std::size_t>(eq - *p));
        std::string value(eq + 1);
        if (!(IsLocaleName(name) || name == "TERM" || name == "DISPLAY")) {
            continue;
        }
        if (!AllOf(name, "_") || !SaneValue(name, value)) {
            continue;
        }
        bool seen = false;
        for (const std::string& e : env) {
            if (e.compare(0, name.size() + 1, name + "=") == 0) {
                seen = true;
                break;
            }
        }
        if (!seen) {
            env.push_back(name + "=" + value);
        }
    }
    return env;
}

std::vector<std::string> ScriptCandidates(const std::vector<std::string>& dirs) {
    std::vector<std::string> out;
    for (const std::string& d : dirs) {
        out.push_back(d + "/" + kScriptName);
    }
    return out;
}

std::string UnsafeReason(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path + ": " + gettext("not an absolute path");
    }
    // Every directory on the way and the file itself: anyone who may change
    // one of them decides what runs as root.
    std::vector<std::string> parts{"/"};
    for (std::size_t end = path.find('/', 1); end != std::string::npos;
         end = path.find('/', end + 1)) {
        parts.push_back(path.substr(0, end));
    }
    parts.push_back(path);
    for (const std::string& part : parts) {
        struct stat st;
        if (::lstat(part.c_str(), &st) != 0) {
            return part + ": " + std::strerror(errno);
        }
        if (st.st_uid != 0) {
            return part + ": " + gettext("not owned by root");
        }
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return part + ": " + gettext("writable by group or others");
        }
    }
    return {};
}

void ResetProcessState() {
    ::umask(022);
    // Through the system call itself: the C library refuses the signals it
    // keeps for its own use, and a caller may have those ignored too.
    struct KernelAction {
        void (*handler)(int);
        unsigned long flags;
        void (*restorer)();
        unsigned long mask;
    };
    const KernelAction dfl{SIG_DFL, 0, nullptr, 0};
    for (int signo = 1; signo < NSIG; ++signo) {
        if (signo != SIGKILL && signo != SIGSTOP) {
            (void)::syscall(SYS_rt_sigaction, signo, &dfl, nullptr, sizeof dfl.mask);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    (void)::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Limits a caller can lower would cut the script's files short or make
    // it fail half-way; a root process leaves no core with the caller's data.
    const struct rlimit unlimited { RLIM_INFINITY, RLIM_INFINITY };
    for (int resource : {RLIMIT_FSIZE, RLIMIT_CPU, RLIMIT_DATA, RLIMIT_AS, RLIMIT_NPROC}) {
        (void)::setrlimit(resource, &unlimited);
    }
    const struct rlimit noCore { 0, 0 };
    (void)::setrlimit(RLIMIT_CORE, &noCore);
    const struct rlimit files { 1024, 4096 };
    (void)::setrlimit(RLIMIT_NOFILE, &files);
    // Nothing the caller had open passes on to the script.
    if (::close_range(3, ~0U, 0) != 0) {
        for (int fd = 3; fd < 65536; ++fd) {
            (void)::close(fd);
        }
    }
}

void ExecScript(const std::vector<std::string>& candidates, const char* argument,
                const std::vector<std::string>& env) {
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    char name[] = "Rootgate.sh";
    char* argv[] = {name, const_cast<char*>(argument), nullptr};
    for (const std::string& candidate : candidates) {
        char real[PATH_MAX];
        if (::realpath(candidate.c_str(), real) == nullptr) {
            if (errno == ENOENT || errno == ENOTDIR) {
                continue;
            }
            return;
        }
        const std::string path = real;
        if (const std::string reason = UnsafeReason(path); !reason.empty()) {
            std::fprintf(stderr, gettext("Rootgate: refusing to run %s (%s)\n"), candidate.c_str(),
                         reason.c_str());
            return;
        }
        ::execve(path.c_str(), argv, envp.data());
        if (errno == ENOEXEC) {
            // A script without "#!" line: run it with the shell, as a path
            // search would.
            char sh[] = "/bin/sh";
            char* shArgv[] = {sh, const_cast<char*>(path.c_str()), const_cast<char*>(argument),
                              nullptr};
            ::execve(sh, shArgv, envp.data());
            return;
        }
        if (errno != ENOENT && errno != ENOTDIR) {
            // Found but not runnable: don't fall through to another copy.
            return;
        }
    }
}

int RootgateMain(int argc, char** argv, char** envp) {
    if (argc < 1 || argv == nullptr || argv[0] == nullptr) {
        return 1;
    }
    // The C library takes no locale or catalogue path from the caller of a
    // set-user-ID program, so only the installed catalogues are read.
    ::setlocale(LC_ALL, "");
    ::bindtextdomain("Rootgate", SUITE_LOCALEDIR);
    ::textdomain("Rootgate");
    errno = 0;
    struct passwd* pw = ::getpwnam("root");
    if (pw == nullptr) {
        return 1;
    }
    Account account{pw->pw_dir ? pw->pw_dir : "/",
                    (pw->pw_shell && *pw->pw_shell) ? pw->pw_shell : "/bin/sh"};
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    // Groups first: once the user ID is root's the caller's supplementary
    // groups would otherwise stay.  Without the set-user-ID bit these fail
    // and the script runs with the caller's identity.
    (void)::initgroups("root", gid);
    (void)::setgid(gid);
    (void)::setuid(uid);
    ResetProcessState();
    const std::vector<std::string> env = BuildEnvironment(envp, account);
    ExecScript(ScriptCandidates(TrustedDirectories()), argc > 1 ? argv[1] : nullptr, env);
    return 1;
}

}  // namespace rootgate

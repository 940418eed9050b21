#include "rootgate/Rootgate.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
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

void ExecScript(const std::vector<std::string>& candidates, const char* argument,
                const std::vector<std::string>& env) {
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    char name[] = "Rootgate.sh";
    char* argv[] = {name, const_cast<char*>(argument), nullptr};
    for (const std::string& path : candidates) {
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
    const std::vector<std::string> env = BuildEnvironment(envp, account);
    ExecScript(ScriptCandidates(TrustedDirectories()), argc > 1 ? argv[1] : nullptr, env);
    return 1;
}

}  // namespace rootgate

// Rootgate: runs the one script "Rootgate.sh" as the superuser.  It is
// installed set-user-ID root, so nothing the caller controls (search path,
// environment) may decide what runs.
#pragma once

#include <string>
#include <vector>

namespace rootgate {

inline constexpr char kScriptName[] = "Rootgate.sh";

// Directories searched for the script, in order; none of them is writable
// by ordinary users on a sound system.
std::vector<std::string> TrustedDirectories();

// The PATH handed to the script.
std::string TrustedPath();

// Identity the script's environment is built for.
struct Account {
    std::string home;
    std::string shell;
};

// The script's environment: a trusted PATH, the account's HOME and SHELL,
// USER and LOGNAME "root", and the caller's LANG, LC_*, TERM and DISPLAY
// when their values look sane.  `callerEnv` is a NULL-terminated array.
std::vector<std::string> BuildEnvironment(const char* const* callerEnv, const Account& account);

// Whether a caller variable may pass into the script's environment.
bool SaneValue(const std::string& name, const std::string& value);

// Candidate paths of the script, first to last.
std::vector<std::string> ScriptCandidates(const std::vector<std::string>& dirs);

// Why `path` (absolute, links resolved) may not run as root: empty when it
// and every directory above it belong to root and are writable by no one
// else, else the first offending component and why.
std::string UnsafeReason(const std::string& path);

// What the caller's process hands down and the script must not inherit:
// umask 022, default signal actions, an empty signal mask, sane resource
// limits, no descriptor from 3 up.
void ResetProcessState();

// Replaces the process with the script; a candidate that is not safe (see
// UnsafeReason) is refused with a message.  Returns only when no candidate
// could be executed.
void ExecScript(const std::vector<std::string>& candidates, const char* argument,
                const std::vector<std::string>& env);

// The program: 1 when the script cannot run or "root" is unknown.
int RootgateMain(int argc, char** argv, char** envp);

}  // namespace rootgate

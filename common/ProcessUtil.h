// Process routines shared by every program of the suite: reading fields of
// /proc/<pid>/status, the single-instance check, browser detection, the one
// launcher every child is started through, and the per-program start forms
// built on it.  Linked into all six programs through suite_common.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace suite {

// Sizes of the fixed buffers the scans work with.
inline constexpr std::size_t kStatusTextSize = 2048;
inline constexpr std::size_t kFieldValueSize = 255;
inline constexpr std::size_t kRummageFieldValueSize = 512;

// Where the process table lives; tests point it at a fake tree.
struct ProcPaths {
    std::string procRoot = "/proc";
};

// Finds `pattern` anywhere in `text`, skips blanks and tabs after it and
// copies the rest of that line, at most size - 1 bytes, into `value`.
// Writes no terminator: the caller hands in a cleared buffer.
// Returns 0 when found, 1 when `pattern` does not occur.
int GetStatus(const char* pattern, const char* text, char* value, std::size_t size);

// Whether a /proc entry name is a process: decimal digits only.
bool IsPidName(const char* name);

// The first kStatusTextSize bytes of a small /proc file (status, stat);
// false when it cannot be opened, cannot be read or is empty.
bool ReadStatusText(const std::string& path, std::string& text);

// The value of the field `label` ("Name:") of a status text, cut as a
// buffer of `size` bytes cuts it; none when the field is missing.
std::optional<std::string> StatusField(const std::string& text, const char* label,
                                       std::size_t size = kFieldValueSize);

// Every scan counts only processes whose real user is the caller's real user.

// Another live process (not a zombie, not this one) whose name begins with
// `processName`; its pid, or 0.
int CheckDoubleStartup(const std::string& processName, const ProcPaths& paths = {});

// Launcher form: numeric entries only, state checked before name, prefix
// match over the configured browser process name.
int CheckWebProcess(const std::string& browserProcessName, const ProcPaths& paths = {});

// File manager form (its double fork asks it): every entry, name checked
// before state, 512-byte value buffer.
int CheckWebProcessRummage(const std::string& browserProcessName, const ProcPaths& paths = {});

// How Launch starts a child.  Whatever is chosen, the child begins with
// every signal at its default and none blocked, and keeps no descriptor
// above 2 across its exec.
struct LaunchOptions {
    bool searchPath = false;       // a file without a slash is looked up in PATH
    int stdoutFd = -1;             // becomes the child's standard output when >= 0
    int stderrFd = -1;             // becomes its standard error when >= 0
    bool newProcessGroup = false;  // the child leads a group of its own
    int deathSignal = 0;           // reaches the child when this process ends; 0: none
    bool detach = false;           // double fork: nothing is left to collect
    int execFailureStatus = 0;     // exit status of a child whose exec failed
};

enum class LaunchFailure {
    kNone,
    kNoFork,   // no pipe or no process (for a detached start, either fork)
    kNoSetup,  // the child could not arm its death signal
    kNoExec,   // the exec failed; `error` says why
};

struct LaunchResult {
    // The child, which the caller collects (after kNoExec as well: it has
    // ended with execFailureStatus).  Detached: the intermediate process,
    // already collected.  -1 when no process was made.
    pid_t pid = -1;
    LaunchFailure failure = LaunchFailure::kNone;
    int error = 0;  // errno of the failure
};

// Starts `file` with `argv` (argv[0] included).  Everything the child needs
// is built before the fork: the child only sets itself up and execs or
// _exits.  Returns once the child has exec'd or failed to.
LaunchResult Launch(const std::string& file, const std::vector<std::string>& argv,
                    const LaunchOptions& options = {});

// Collects exactly `pid`, a child of ours, without blocking: `pid` once it
// has ended (its wait status in `status`), 0 while it runs, -1 when it is
// no child of ours.  A pid of 0 or below, which would collect some other
// child, is refused with -1.
pid_t CollectChild(pid_t pid, int* status = nullptr);

// As CollectChild, but waits until `pid` has ended.
pid_t WaitChild(pid_t pid, int* status = nullptr);

// Browser settings used by the browser-aware starts.
struct BrowserSettings {
    std::string program;      // program path compared with the path to start
    std::string processName;  // name looked for in the process table
    ProcPaths paths;
};

// File manager's fixed browser.
BrowserSettings RummageBrowser();

// The per-program start forms.  Each runs `path` (looked up in PATH when it
// has no slash) with at most one argument; `argument` may be null (none).

// Watchdog's form, detached and silent: -1 when `path` is empty, cannot be
// found by stat, or the fork fails; else the child's pid.  A child whose
// exec fails ends with status 0.
pid_t ExecProcessDetached(const char* path, const char* argument);

// Dialer's form: as ExecProcessDetached, with `options` for the child, but
// reports "%s search Failed." and "Create process failed." through `warn`;
// a program that cannot be executed is a failed start (-1, collected).
pid_t ExecProcessLogged(const char* path, const char* argument,
                        const std::function<void(const std::string&)>& warn,
                        const LaunchOptions& options = {});

// File manager's form: double fork so that nothing is left to collect.
// With `argument` and `path` equal to the browser program: "-remote
// openURL(arg)" when a browser runs, else "file:arg".  `fatal` is called when
// a fork fails (the caller ends the program there).  Returns the pid of the
// intermediate child, which has already been collected.
pid_t ExecProcessDoubleFork(const char* path, const char* argument, const BrowserSettings& browser,
                            const std::function<void()>& fatal);

// Double fork running `file` (looked up in PATH) with the whole argument
// vector `argv` (argv[0] included); `fatal` is called when a fork fails.
// Returns the pid of the intermediate child, already collected.
pid_t ExecArgvDoubleFork(const char* file, const std::vector<std::string>& argv,
                         const std::function<void()>& fatal);

}  // namespace suite

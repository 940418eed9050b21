// Process routines shared by every program of the suite: reading fields of
// /proc/<pid>/status, the single-instance check, browser detection, and the
// per-program ways of starting a child.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
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

// Every scan counts only processes whose real user is the caller's real user.

// Another live process (not a zombie, not this one) whose name begins with
// `processName`; its pid, or 0.
int CheckDoubleStartup(const std::string& processName, const ProcPaths& paths = {});

// Launcher form: numeric entries only, state checked before name, prefix
// match over the configured browser process name.
int CheckWebProcess(const std::string& browserProcessName, const ProcPaths& paths = {});

// File manager form: every entry, name checked before state, fixed name
// "netscape", 512-byte value buffer.
int CheckWebProcessRummage(const ProcPaths& paths = {});

// Browser settings used by the browser-aware starts.
struct BrowserSettings {
    std::string program;      // program path compared with the path to start
    std::string processName;  // name looked for in the process table
    ProcPaths paths;
};

// File manager's fixed browser.
BrowserSettings RummageBrowser();

// Detached start that returns at once.  Waywatch's form: -1 when `path` is
// empty, cannot be found by stat, or the fork fails; else the child's pid.
// `argument` may be null (no argument).
pid_t ExecProcessDetached(const char* path, const char* argument);

// Dialer's form: as ExecProcessDetached, but reports "%s search Failed." and
// "Create process failed." through `warn`.
pid_t ExecProcessLogged(const char* path, const char* argument,
                        const std::function<void(const std::string&)>& warn);

// Configuration tool's form: starts the child and blocks until a child ends.
// 0 for an empty path, -1 when stat or the fork fails, else what wait returns.
pid_t ExecProcessWait(const char* path, const char* argument);

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

// Launcher's form.  Empty path: nothing.  Path stat cannot find: calls
// `missing` and starts nothing.  Otherwise starts detached; when `path`
// equals the browser program and a browser runs, passes "-remote" and
// "openURL(arg)"; an empty `argument` means no argument.
// Returns the child's pid, 0 when nothing was started, -1 when fork failed.
pid_t ExecProcessLauncher(const char* path, const char* argument, const BrowserSettings& browser,
                          const std::function<void()>& missing);

// Launcher's periodic collector: reaps at most one finished child of the
// process group without blocking.  Always 1, so the timer stays installed.
int CheckExitChildProcess();

}  // namespace suite

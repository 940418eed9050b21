#include "common/ProcessUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace suite {

int GetStatus(const char* pattern, const char* text, char* value, std::size_t size) {
    const char* p = std::strstr(text, pattern);
    if (p == nullptr) {
        return 1;
    }
    p += std::strlen(pattern);
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    std::size_t n = 0;
    while (size > 0 && n < size - 1 && p[n] != '\0' && p[n] != '\n') {
        ++n;
    }
    std::memcpy(value, p, n);
    return 0;
}

namespace {

struct ScanRule {
    const char* name;
    std::size_t prefixLength;
    bool numericOnly;  // skip entries that are not all digits
    bool nameFirst;    // test "Name:" before "State:"
    std::size_t valueSize;
    pid_t skipPid;  // 0: skip none
    uid_t realUid;  // only processes of this real user count
};

bool AllDigits(const char* s) {
    if (*s == '\0') {
        return false;
    }
    for (; *s != '\0'; ++s) {
        if (*s < '0' || *s > '9') {
            return false;
        }
    }
    return true;
}

// Reads the first kStatusTextSize bytes of a status file; false when the
// file cannot be opened or is empty.
bool ReadStatusText(const std::string& path, std::array<char, kStatusTextSize + 1>& text) {
    text.fill('\0');
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ssize_t got;
    do {
        got = ::read(fd, text.data(), kStatusTextSize);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    return got > 0;
}

bool StateAlive(const char* text, std::vector<char>& value) {
    std::fill(value.begin(), value.end(), '\0');
    if (GetStatus("State:", text, value.data(), value.size()) != 0) {
        return false;
    }
    return value[0] != 'Z';
}

bool NameMatches(const char* text, std::vector<char>& value, const ScanRule& rule) {
    std::fill(value.begin(), value.end(), '\0');
    if (GetStatus("Name:", text, value.data(), value.size()) != 0) {
        return false;
    }
    return std::strncmp(value.data(), rule.name, rule.prefixLength) == 0;
}

// Whether the "Uid:" line's first value (the real user) is `uid`; a status
// without one belongs to nobody we know.
bool OwnedBy(const char* text, uid_t uid) {
    char value[kFieldValueSize] = {};
    if (GetStatus("Uid:", text, value, sizeof value) != 0) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long got = std::strtoul(value, &end, 10);
    return end != value && errno == 0 && (*end == '\t' || *end == ' ' || *end == '\0') &&
           got == static_cast<unsigned long>(uid);
}

int ScanProcesses(const ScanRule& rule, const ProcPaths& paths) {
    // An empty name would match every process.
    if (rule.prefixLength == 0) {
        return 0;
    }
    DIR* dir = ::opendir(paths.procRoot.c_str());
    if (dir == nullptr) {
        return 0;
    }
    // In ascending process-ID order, as the kernel lists /proc, whatever the
    // directory's own order: the answer must not depend on it.
    std::vector<std::pair<long, std::string>> entries;
    while (struct dirent* entry = ::readdir(dir)) {
        if (rule.numericOnly && !AllDigits(entry->d_name)) {
            continue;
        }
        entries.emplace_back(std::strtol(entry->d_name, nullptr, 10), entry->d_name);
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end());
    std::array<char, kStatusTextSize + 1> text{};
    std::vector<char> value(rule.valueSize, '\0');
    int found = 0;
    for (const auto& [number, name] : entries) {
        const int pid = static_cast<int>(number);
        if (rule.skipPid != 0 && pid == rule.skipPid) {
            continue;
        }
        std::string statusPath = paths.procRoot + "/" + name + "/status";
        if (!ReadStatusText(statusPath, text)) {
            continue;
        }
        bool match;
        if (rule.nameFirst) {
            match = NameMatches(text.data(), value, rule) && StateAlive(text.data(), value);
        } else {
            match = StateAlive(text.data(), value) && NameMatches(text.data(), value, rule);
        }
        // Another user's process of the same name must not stop this one
        // from starting, nor receive this user's browser requests.
        if (match && OwnedBy(text.data(), rule.realUid)) {
            found = pid;
            break;
        }
    }
    return found;
}

void ExecChild(const char* path, const char* arg0, const char* arg1) {
    ::execlp(path, path, arg0, arg1, static_cast<char*>(nullptr));
    ::_exit(0);
}

bool Findable(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

pid_t WaitRetry(pid_t pid, int options) {
    pid_t r;
    do {
        r = ::waitpid(pid, nullptr, options);
    } while (r < 0 && errno == EINTR);
    return r;
}

}  // namespace

int CheckDoubleStartup(const std::string& processName, const ProcPaths& paths) {
    const pid_t self = ::getpid();
    if (self == 0) {
        return 0;
    }
    ScanRule rule{processName.c_str(), processName.size(), true, false, kFieldValueSize, self,
                  ::getuid()};
    return ScanProcesses(rule, paths);
}

int CheckWebProcess(const std::string& browserProcessName, const ProcPaths& paths) {
    ScanRule rule{browserProcessName.c_str(),
                  browserProcessName.size(),
                  true,
                  false,
                  kFieldValueSize,
                  0,
                  ::getuid()};
    return ScanProcesses(rule, paths);
}

int CheckWebProcessRummage(const ProcPaths& paths) {
    static const char kName[] = "netscape";
    ScanRule rule{kName, 8, false, true, kRummageFieldValueSize, 0, ::getuid()};
    return ScanProcesses(rule, paths);
}

BrowserSettings RummageBrowser() {
    return BrowserSettings{"/usr/lib/netscape/start", "netscape", {}};
}

pid_t ExecProcessDetached(const char* path, const char* argument) {
    if (path == nullptr || *path == '\0' || !Findable(path)) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ExecChild(path, argument, nullptr);
    }
    return pid < 0 ? -1 : pid;
}

pid_t ExecProcessLogged(const char* path, const char* argument,
                        const std::function<void(const std::string&)>& warn) {
    if (path == nullptr || *path == '\0') {
        return -1;
    }
    if (!Findable(path)) {
        if (warn) {
            warn(std::string(path) + " search Failed.");
        }
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ExecChild(path, argument, nullptr);
    }
    if (pid < 0) {
        if (warn) {
            warn("Create process failed.");
        }
        return -1;
    }
    return pid;
}

pid_t ExecProcessWait(const char* path, const char* argument) {
    if (path == nullptr || *path == '\0') {
        return 0;
    }
    if (!Findable(path)) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ExecChild(path, argument, nullptr);
    }
    if (pid < 0) {
        return -1;
    }
    pid_t r;
    do {
        r = ::wait(nullptr);
    } while (r < 0 && errno == EINTR);
    return r;
}

pid_t ExecProcessDoubleFork(const char* path, const char* argument, const BrowserSettings& browser,
                            const std::function<void()>& fatal) {
    // Everything the grandchild needs is prepared here: the parent may be
    // multi-threaded, so the children only exec.
    std::string first, second;
    const char* arg0 = argument;
    const char* arg1 = nullptr;
    if (argument != nullptr && browser.program == path) {
        if (CheckWebProcess(browser.processName, browser.paths) != 0) {
            first = "-remote";
            second = std::string("openURL(") + argument + ")";
            arg0 = first.c_str();
            arg1 = second.c_str();
        } else {
            first = std::string("file:") + argument;
            arg0 = first.c_str();
        }
    }
    std::vector<std::string> argv{path};
    if (arg0 != nullptr)
        argv.emplace_back(arg0);
    if (arg1 != nullptr)
        argv.emplace_back(arg1);
    return ExecArgvDoubleFork(path, argv, fatal);
}

pid_t ExecArgvDoubleFork(const char* file, const std::vector<std::string>& argv,
                         const std::function<void()>& fatal) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        if (fatal) {
            fatal();
        }
        return -1;
    }
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execvp(file, args.data());
            ::_exit(0);
        }
        // The parent cannot be told; the grandchild was simply not started.
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(child, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r == child && WIFEXITED(status) && WEXITSTATUS(status) != 0 && fatal) {
        fatal();
    }
    return child;
}

pid_t ExecProcessLauncher(const char* path, const char* argument, const BrowserSettings& browser,
                          const std::function<void()>& missing) {
    if (path == nullptr || *path == '\0') {
        return 0;
    }
    if (!Findable(path)) {
        if (missing) {
            missing();
        }
        return 0;
    }
    const char* arg = (argument != nullptr && *argument != '\0') ? argument : nullptr;
    std::string remoteArg;
    const char* arg0 = arg;
    const char* arg1 = nullptr;
    if (browser.program == path && CheckWebProcess(browser.processName, browser.paths) != 0) {
        remoteArg = std::string("openURL(") + (argument ? argument : "") + ")";
        arg0 = "-remote";
        arg1 = remoteArg.c_str();
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ExecChild(path, arg0, arg1);
    }
    return pid < 0 ? -1 : pid;
}

int CheckExitChildProcess() {
    WaitRetry(0, WNOHANG);
    return 1;
}

}  // namespace suite

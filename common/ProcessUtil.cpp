// Reading the process table: status fields and the scans built on them.
#include "common/ProcessUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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

bool IsPidName(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') {
            return false;
        }
    }
    return true;
}

bool ReadStatusText(const std::string& path, std::string& text) {
    text.clear();
    // Non-blocking, so that a FIFO in a fake tree cannot hang a scan.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    char buffer[kStatusTextSize];
    ssize_t got;
    do {
        got = ::read(fd, buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0) {
        return false;
    }
    text.assign(buffer, static_cast<std::size_t>(got));
    return true;
}

std::optional<std::string> StatusField(const std::string& text, const char* label,
                                       std::size_t size) {
    // Cleared before the read: GetStatus writes no terminator.
    std::vector<char> value(std::max<std::size_t>(size, 1), '\0');
    if (GetStatus(label, text.c_str(), value.data(), size) != 0) {
        return std::nullopt;
    }
    return std::string(value.data());
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

bool StateAlive(const std::string& text, const ScanRule& rule) {
    const std::optional<std::string> state = StatusField(text, "State:", rule.valueSize);
    return state && (state->empty() || (*state)[0] != 'Z');
}

bool NameMatches(const std::string& text, const ScanRule& rule) {
    const std::optional<std::string> name = StatusField(text, "Name:", rule.valueSize);
    return name && name->compare(0, rule.prefixLength, rule.name, rule.prefixLength) == 0;
}

// Whether the "Uid:" line's first value (the real user) is `uid`; a status
// without one belongs to nobody we know.
bool OwnedBy(const std::string& text, uid_t uid) {
    const std::optional<std::string> value = StatusField(text, "Uid:");
    if (!value) {
        return false;
    }
    const char* begin = value->c_str();
    char* end = nullptr;
    errno = 0;
    const unsigned long got = std::strtoul(begin, &end, 10);
    return end != begin && errno == 0 && (*end == '\t' || *end == ' ' || *end == '\0') &&
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
        if (rule.numericOnly && !IsPidName(entry->d_name)) {
            continue;
        }
        entries.emplace_back(std::strtol(entry->d_name, nullptr, 10), entry->d_name);
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end());
    std::string text;
    for (const auto& [number, name] : entries) {
        const int pid = static_cast<int>(number);
        if (rule.skipPid != 0 && pid == rule.skipPid) {
            continue;
        }
        if (!ReadStatusText(paths.procRoot + "/" + name + "/status", text)) {
            continue;
        }
        const bool match = rule.nameFirst
                               ? NameMatches(text, rule) && StateAlive(text, rule)
                               : StateAlive(text, rule) && NameMatches(text, rule);
        // Another user's process of the same name must not stop this one
        // from starting, nor receive this user's browser requests.
        if (match && OwnedBy(text, rule.realUid)) {
            return pid;
        }
    }
    return 0;
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

int CheckWebProcessRummage(const std::string& browserProcessName, const ProcPaths& paths) {
    ScanRule rule{browserProcessName.c_str(), browserProcessName.size(), false, true,
                  kRummageFieldValueSize, 0, ::getuid()};
    return ScanProcesses(rule, paths);
}

}  // namespace suite

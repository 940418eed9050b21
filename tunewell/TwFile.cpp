#include "tunewell/TwFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "common/I18n.h"
#include "common/SafeFile.h"
#include "tunewell/TwTable.h"

namespace tw {

namespace {

std::string& TreeRootStorage() {
    static std::string root;
    return root;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// End of the line starting at `at`: index of its newline, or text.size().
std::size_t LineEnd(const std::string& text, std::size_t at) {
    std::size_t nl = text.find('\n', at);
    return nl == std::string::npos ? text.size() : nl;
}

// Whether the line content at `at` (up to `end`, its newline or the end of
// the text) is a key line for editing: the key, then a separator, a newline,
// or nothing more at all.
bool EditKeyAt(const std::string& text, std::size_t at, std::size_t end, const std::string& key) {
    if (key.empty() || end < at || end - at < key.size() ||
        text.compare(at, key.size(), key) != 0) {
        return false;
    }
    std::size_t next = at + key.size();
    return next == end || std::strchr("= :\t\"", text[next]) != nullptr;
}

// Finds the first key line; `lineStart` is where the line begins, `keyStart`
// where the key begins (after blanks when `skipBlanks`).  A reader
// (`needSeparator`) takes only a line with a separator after the key.
bool FindKeyLine(const std::string& text, const std::string& key, bool skipBlanks,
                 bool needSeparator, std::size_t& lineStart, std::size_t& keyStart) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = LineEnd(text, at);
        std::size_t k = at;
        if (skipBlanks) {
            while (k < end && IsBlank(text[k])) {
                ++k;
            }
        }
        // An over-long line is never a key line: its tail would pose as another line.
        const std::size_t next = k + key.size();
        if (end - at <= kTwLineMax && EditKeyAt(text, k, end, key) &&
            (!needSeparator || (next < end && text[next] != '\0'))) {
            lineStart = at;
            keyStart = k;
            return true;
        }
        at = end + 1;
    }
    return false;
}

int ShowValueFailure(const std::string& path, const std::string& key) {
    std::string detail = _("Filename:%s\nValue:%s");
    const std::size_t first = detail.find("%s");
    const std::size_t second = first == std::string::npos ? first : detail.find("%s", first + 2);
    if (second != std::string::npos) {
        detail.replace(second, 2, key);
        detail.replace(first, 2, path);
    }
    if (detail.size() > 4095) {
        detail.resize(4095);
    }
    TwReport(TW_FILE_NO_VALUE, detail);
    return TW_FAILED;
}

void MakeDirectoriesBelowRoot(const std::string& path) {
    const std::string& root = TreeRootStorage();
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0) {
        return;
    }
    for (std::size_t slash = path.find('/', root.size()); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        struct stat st;
        if (prefix.empty() || ::lstat(prefix.c_str(), &st) == 0) {
            continue;
        }
        if (::mkdir(prefix.c_str(), 0755) == 0) {
            // Independent of the umask: the site scripts read these as root,
            // other programs list them.
            (void)::chmod(prefix.c_str(), 0755);
        }
    }
}

}  // namespace

std::vector<std::string> TwReadableLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t nl = text.find('\n', at);
        const std::size_t end = nl == std::string::npos ? text.size() : nl;
        if (end - at <= kTwLineMax) {
            lines.push_back(text.substr(at, end - at));
        }
        at = end + 1;
    }
    return lines;
}

void SetTwTreeRoot(const std::string& configDir) {
    TreeRootStorage() = configDir;
}

int TwReadFile(const std::string& path, std::string& text, bool showErrors) {
    std::string data;
    int err = suite::ReadWholeFile(path, data);
    if (err == ENOENT) {
        text.clear();
        return 0;
    }
    if (err != 0) {
        if (showErrors) {
            TwReport(err == EIO ? TW_FILE_READ : TW_FILE_OPEN, path);
        }
        return TW_FAILED;
    }
    text = std::move(data);
    return 0;
}

std::optional<mode_t> SecretFileMode(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name == "wireless.opts" || name == "pap-secrets" || name == "chap-secrets") {
        return 0600;
    }
    return std::nullopt;
}

int TwWriteFile(const std::string& path, const std::string& text, bool showErrors,
                std::optional<mode_t> forceMode) {
    MakeDirectoriesBelowRoot(path);
    suite::ReplaceOptions options;
    options.newMode = 0644;
    options.forceMode = forceMode ? forceMode : SecretFileMode(path);
    int err = suite::ReplaceFile(path, text, options);
    if (err != 0) {
        if (showErrors) {
            // A file that could not be made or opened (read-only tree, no
            // permission, a directory in the way) is an open failure; only a
            // failing write of the content is a write failure.
            const bool open = err == EROFS || err == EACCES || err == EPERM || err == ENOENT ||
                              err == ENOTDIR || err == EISDIR || err == ELOOP ||
                              err == ENAMETOOLONG || err == EINVAL;
            TwReport(open ? TW_FILE_OPEN : TW_FILE_WRITE, path);
        }
        return TW_FAILED;
    }
    return 0;
}

void DeleteBackChar(std::string& text) {
    std::size_t n = text.size();
    while (n > 0 && std::strchr("\" \n\r\t\\", text[n - 1]) != nullptr && text[n - 1] != '\0') {
        --n;
    }
    text.resize(n);
}

int GetConfiguration(const std::string& path, const std::string& key, std::string& value,
                     std::size_t capacity, bool showErrors) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || st.st_size <= static_cast<off_t>(key.size())) {
        if (showErrors) {
            TwReport(TW_FILE_OPEN, path);
        }
        return TW_FAILED;
    }
    std::string text;
    if (suite::ReadWholeFile(path, text) != 0) {
        if (showErrors) {
            TwReport(TW_FILE_OPEN, path);
        }
        return TW_FAILED;
    }
    std::string found;
    std::size_t lineStart = 0;
    std::size_t k = 0;
    const bool haveLine = FindKeyLine(text, key, true, true, lineStart, k);
    if (haveLine) {
        const std::size_t end = LineEnd(text, lineStart);
        std::size_t v = k + key.size();
        while (v < end && std::strchr("=\" \t", text[v]) != nullptr) {
            ++v;
        }
        found = text.substr(v, end - v);
        DeleteBackChar(found);
    }
    if (!haveLine || found.empty() || found.size() >= capacity ||
        found.find('\0') != std::string::npos) {
        if (showErrors) {
            return ShowValueFailure(path, key);
        }
        return TW_FAILED;
    }
    value = found;
    return 0;
}

std::string ComposeLine(const std::string& key, const std::string& value, int separatorBits) {
    std::string line = key;
    if (separatorBits & SEP_SPACE) {
        line += ' ';
    }
    if (separatorBits & SEP_TAB) {
        line += '\t';
    }
    if (separatorBits & SEP_EQUAL) {
        line += '=';
    }
    if (separatorBits & SEP_QUOTE) {
        line += '"';
    }
    line += value;
    if (separatorBits & SEP_QUOTE) {
        line += '"';
    }
    line += '\n';
    return line;
}

int SetConfiguration(const std::string& path, const std::string& key, const std::string& value,
                     int separatorBits, bool showErrors, bool allowEmpty) {
    if (path.empty() || key.empty() || (value.empty() && !allowEmpty)) {
        return TW_FAILED;
    }
    std::string line = ComposeLine(key, value, separatorBits);
    std::string text;
    int rc = TwReadFile(path, text, showErrors);
    if (rc != 0) {
        return rc;
    }
    bool replaced = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t k = at;
        while (k < text.size() && IsBlank(text[k])) {
            ++k;
        }
        std::size_t end = LineEnd(text, at);
        if (end - at > kTwLineMax || !EditKeyAt(text, k, end, key)) {
            at = end + 1;
            continue;
        }
        std::size_t cut = end < text.size() ? end + 1 : end;
        if (!replaced) {
            text.replace(k, cut - k, line);
            at = k + line.size();
            replaced = true;
        } else {
            text.erase(k, cut - k);
            at = k;
        }
    }
    if (!replaced) {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
        text += line;
    }
    return TwWriteFile(path, text, showErrors);
}

int SetConfigurationRow(const std::string& path, const std::string& text, int row) {
    if (text.empty()) {
        return 0;
    }
    std::string line = text;
    if (line.back() != '\n') {
        line += '\n';
    }
    std::string content;
    int rc = TwReadFile(path, content, true);
    if (rc != 0) {
        return rc;
    }
    bool append = row <= 0;
    std::size_t at = 0;
    for (int i = 1; i < row && !append; ++i) {
        std::size_t nl = content.find('\n', at);
        if (nl == std::string::npos || nl + 1 >= content.size()) {
            append = true;
            break;
        }
        at = nl + 1;
        while (at < content.size() && IsBlank(content[at])) {
            ++at;
        }
    }
    if (!append && at >= content.size()) {
        append = true;
    }
    if (append) {
        // A last line without its newline would otherwise be glued to ours.
        if (!content.empty() && content.back() != '\n') {
            content += '\n';
        }
        content += line;
    } else {
        std::size_t end = LineEnd(content, at);
        std::size_t cut = end < content.size() ? end + 1 : end;
        content.replace(at, cut - at, line);
    }
    return TwWriteFile(path, content, true);
}

namespace {

int DeleteKeyLine(const std::string& path, const std::string& key, bool skipBlanks,
                  bool showErrors) {
    std::string text;
    int rc = TwReadFile(path, text, showErrors);
    if (rc != 0) {
        return rc;
    }
    std::size_t lineStart = 0;
    std::size_t keyStart = 0;
    if (!FindKeyLine(text, key, skipBlanks, false, lineStart, keyStart)) {
        return 0;
    }
    std::size_t end = LineEnd(text, lineStart);
    std::size_t cut = end < text.size() ? end + 1 : end;
    text.erase(lineStart, cut - lineStart);
    return TwWriteFile(path, text, showErrors);
}

}  // namespace

int DeleteConfiguration(const std::string& path, const std::string& key, bool showErrors) {
    return DeleteKeyLine(path, key, true, showErrors);
}

int DeleteRow(const std::string& path, const std::string& key) {
    return DeleteKeyLine(path, key, false, true);
}

namespace {

std::function<void()>& LockWaitHook() {
    static std::function<void()> hook;
    return hook;
}

}  // namespace

void SetTwLockWait(std::function<void()> whileWaiting) {
    LockWaitHook() = std::move(whileWaiting);
}

std::string TwTreeLockPath(const std::string& configDir) {
    std::string path = configDir;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + ".tunewell.lock";
}

TwTreeLock::TwTreeLock(const std::string& configDir, int timeoutMs) {
    // A file only its owner (root) can open: any user may open the tree's
    // directory, and so could hold a lock on it for ever.  No link is followed.
    const std::string path = TwTreeLockPath(configDir);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        error_ = TW_FILE_OPEN;
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        error_ = TW_FILE_OPEN;
        return;
    }
    if ((st.st_mode & 077) != 0) {
        (void)::fchmod(fd, 0600);
    }
    // Never an unbounded wait: the window stays usable and says why it gave up.
    for (int waited = 0;; waited += 50) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= timeoutMs) {
            ::close(fd);
            error_ = TW_FILE_BUSY;
            return;
        }
        if (LockWaitHook()) {
            LockWaitHook()();
        }
        ::usleep(50 * 1000);
    }
}

TwTreeLock::~TwTreeLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace tw

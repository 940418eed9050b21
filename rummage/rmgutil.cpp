#include "rummage/rmgutil.h"

#include <fcntl.h>
#include <glib.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/I18n.h"
#include "common/ProcessUtil.h"
#include "common/TwoByteText.h"

namespace rmg {

namespace {

// Bounds the link chain ExecApplication follows; a loop ends silently.
constexpr int kMaxLinkDepth = 32;

const char* const kFileExistTexts[] = {
    N_("Path is too short."),
    N_("Path is too long."),
    N_("The specified path cannot be operated."),
    N_("Path is inaccurate."),
    N_("Parent directory does not exist."),
    N_("The specified file does not exist."),
    N_("The specified directory already exists."),
    N_("The specified file already exists."),
    N_("Internal error."),
};

std::string ReadLinkText(const char* path) {
    char buf[kPathBufferSize];
    ssize_t n = ::readlink(path, buf, kPathMax);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

void ExecApplicationAt(const char* path, UserInterface& ui, const StartProgram& start, int depth);

}  // namespace

std::string StripSlash(const std::string& path) {
    if (path.size() > 1 && path.back() == '/') {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

std::string WithSlash(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        return path;
    }
    return path + "/";
}

std::string DisplayName(const std::string& bytes) {
    gchar* shown = g_filename_display_name(bytes.c_str());
    std::string result = shown != nullptr ? shown : bytes;
    g_free(shown);
    return result;
}

std::string FillText(const char* format, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (const char* p = format; p != nullptr && *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != args.end()) {
            out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

const char* FileExistText(int code) {
    if (code < 0 || code > PATH_INTERNAL_ERROR)
        code = PATH_INTERNAL_ERROR;
    return kFileExistTexts[code];
}

const char* CharNext(const char* text, char c) {
    if (text == nullptr || c == '\0')
        return nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != '\0') {
        if (*p == static_cast<unsigned char>(c))
            return reinterpret_cast<const char*>(p);
        // Separators below 0x40 stay visible after multi-byte UTF-8 sequences.
        p += suite::TwoByteStep(reinterpret_cast<const char*>(p), suite::kAnySecondByte);
    }
    return nullptr;
}

char* CharNext(char* text, char c) {
    return const_cast<char*>(CharNext(static_cast<const char*>(text), c));
}

int CheckChildDirectory(const char* path, const std::string& home) {
    // Nothing lies inside an unknown home.
    if (path == nullptr || home.empty())
        return 1;
    std::size_t len = std::strlen(path);
    if (len == home.size() && home.compare(0, len, path) == 0)
        return 0;
    if (home.back() == '/') {
        if (len == home.size() - 1 && home.compare(0, len, path) == 0)
            return 0;
        if (len >= home.size() && std::strncmp(path, home.c_str(), home.size()) == 0)
            return 0;
    }
    return 1;
}

int CheckChildDirectory(const char* path) {
    if (pGTable == nullptr)
        return 1;
    return CheckChildDirectory(path, pGTable->HomeDir);
}

std::string GetParentDirectory(const std::string& path) {
    const char* base = path.c_str();
    const char* last = nullptr;
    for (const char* p = CharNext(base, '/'); p != nullptr; p = CharNext(p + 1, '/')) {
        if (p[1] != '\0')
            last = p;
    }
    if (last == nullptr)
        return base[0] == '/' ? std::string("/") : std::string();
    std::size_t len = static_cast<std::size_t>(last - base) + 1;
    if (len > kPathMax)
        return {};
    return path.substr(0, len);
}

std::string GetLastPath(const std::string& path) {
    std::string parent = GetParentDirectory(path);
    std::string rest = path.substr(std::min(parent.size(), path.size()));
    const char* slash = CharNext(rest.c_str(), '/');
    // After the parent, a "/" can only be the final one.
    if (slash != nullptr)
        rest.erase(static_cast<std::size_t>(slash - rest.c_str()));
    return rest;
}

bool IsDirectory(const char* path) {
    struct stat st;
    if (path == nullptr || ::lstat(path, &st) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

std::string ConvertSize(std::uint64_t size) {
    if (size == 0)
        return "0KByte";
    const char* unit = "KByte";
    std::uint64_t divisor = 1024;
    if (size >= 1048576) {
        unit = "MByte";
        divisor = 1048576;
    }
    std::uint64_t q = size / divisor;
    std::uint64_t r = (size % divisor) * 10;
    std::uint64_t d = r / divisor;
    if (r % divisor >= divisor / 2) {
        if (d == 9) {
            d = 0;
            ++q;
        } else {
            ++d;
        }
    }
    if (q == 0 && d == 0)
        d = 1;
    char buf[64];
    if (d == 0)
        std::snprintf(buf, sizeof buf, "%llu%s", static_cast<unsigned long long>(q), unit);
    else
        std::snprintf(buf, sizeof buf, "%llu.%llu%s", static_cast<unsigned long long>(q),
                      static_cast<unsigned long long>(d), unit);
    return buf;
}

int CheckFileName(const char* name, int showBackup, int showHidden) {
    if (name == nullptr)
        return 0;
    std::size_t len = std::strlen(name);
    if (showBackup == 0) {
        if (len > 0 && name[len - 1] == '~')
            return 0;
        if (len > 4 && ::strcasecmp(name + len - 4, ".bak") == 0)
            return 0;
    }
    if (showHidden == 0 && len > 0 && name[0] == '.' && std::strcmp(name, "..") != 0)
        return 0;
    return 1;
}

int CheckFileName(const char* name) {
    if (pGTable == nullptr)
        return CheckFileName(name, 0, 0);
    return CheckFileName(name, pGTable->ShowBackup, pGTable->ShowHidden);
}

std::string GetCompatibleAP(const char* path) {
    if (path == nullptr || pGTable == nullptr)
        return {};
    const char* dot = nullptr;
    for (const char* p = CharNext(path, '.'); p != nullptr; p = CharNext(p + 1, '.'))
        dot = p;
    if (dot == nullptr)
        return {};
    const char* ext = dot + 1;
    for (const AppInfo& info : pGTable->ExtensionInfo) {
        if (::strcasecmp(info.Key.c_str(), ext) == 0)
            return info.Value;
    }
    return {};
}

namespace {

// Every kind but a link, which needs its target looked at.
int PlainFileType(const struct stat& st, uid_t uid, gid_t gid) {
    if (S_ISDIR(st.st_mode)) {
        return FILETYPE_DIRECTORY;
    }
    if (S_ISREG(st.st_mode)) {
        bool exec;
        if (st.st_uid == uid) {
            exec = (st.st_mode & S_IXUSR) != 0;
        } else if (st.st_gid == gid) {
            exec = (st.st_mode & S_IXGRP) != 0;
        } else {
            exec = (st.st_mode & S_IXOTH) != 0;
        }
        return exec ? FILETYPE_EXECUTABLE : FILETYPE_NORMAL;
    }
    if (S_ISSOCK(st.st_mode)) {
        return FILETYPE_SOCKET;
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        return FILETYPE_DEVICE;
    }
    if (S_ISFIFO(st.st_mode)) {
        return FILETYPE_FIFO;
    }
    return FILETYPE_NORMAL;
}

}  // namespace

int GetFileTypeAt(int dirFd, const char* name, const struct stat& st, uid_t uid, gid_t gid) {
    if (::strcasecmp(name, "core") == 0) {
        return FILETYPE_CORE;
    }
    if (!S_ISLNK(st.st_mode)) {
        return PlainFileType(st, uid, gid);
    }
    char target[kPathBufferSize];
    const ssize_t n = ::readlinkat(dirFd, name, target, kPathMax);
    if (n <= 0) {
        return FILETYPE_BROKEN_LINK;
    }
    target[n] = '\0';
    // A relative target is relative to the link's own directory.
    struct stat ts;
    return ::fstatat(dirFd, target, &ts, AT_SYMLINK_NOFOLLOW) == 0 ? FILETYPE_LINK
                                                                   : FILETYPE_BROKEN_LINK;
}

int GetFileType(const char* path, const struct stat& st) {
    if (path != nullptr && ::strcasecmp(GetLastPath(path).c_str(), "core") == 0)
        return FILETYPE_CORE;
    if (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))
        return PlainFileType(st, ::getuid(), ::getgid());
    if (S_ISLNK(st.st_mode)) {
        if (path == nullptr)
            return FILETYPE_BROKEN_LINK;
        std::string target = ReadLinkText(path);
        if (target.empty())
            return FILETYPE_BROKEN_LINK;
        if (target[0] != '/') {
            // Relative targets are relative to the link's own directory;
            // for entries of the listed directory that is CurrentDir.
            std::string dir = path[0] == '/'       ? GetParentDirectory(path)
                              : pGTable != nullptr ? pGTable->CurrentDir
                                                   : std::string();
            target = dir + target;
        }
        struct stat ts;
        return ::lstat(target.c_str(), &ts) == 0 ? FILETYPE_LINK : FILETYPE_BROKEN_LINK;
    }
    if (S_ISSOCK(st.st_mode))
        return FILETYPE_SOCKET;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return FILETYPE_DEVICE;
    if (S_ISFIFO(st.st_mode))
        return FILETYPE_FIFO;
    return FILETYPE_NORMAL;
}

int CheckFileExist(std::string& path) {
    if (path.empty())
        return PATH_TOO_SHORT;
    if (path.size() > kPathMax)
        return PATH_TOO_LONG;
    for (const char* p = CharNext(path.c_str(), '/'); p != nullptr; p = CharNext(p + 1, '/')) {
        if (p[1] == '/')
            return PATH_INACCURATE;
    }
    if (path[0] != '/') {
        path = (pGTable != nullptr ? pGTable->CurrentDir : std::string()) + path;
        if (path.empty() || path[0] != '/')
            return PATH_INACCURATE;
        if (path.size() > kPathMax)
            return PATH_TOO_LONG;
    }

    char resolved[PATH_MAX];
    std::string result;
    if (::realpath(path.c_str(), resolved) != nullptr) {
        result = resolved;
    } else if (errno == ENOENT) {
        // Only the last component may be missing: its parent must resolve.
        std::string last = GetLastPath(path);
        std::string parent = GetParentDirectory(path);
        if (last.empty() || last == "." || last == ".." || parent.empty())
            return PATH_INACCURATE;
        if (::realpath(parent.c_str(), resolved) == nullptr)
            return PATH_INACCURATE;
        result = resolved;
        if (result.back() != '/')
            result += '/';
        result += last;
    }
    if (result.empty())
        return PATH_INACCURATE;
    if (result.size() > kPathMax)
        return PATH_TOO_LONG;
    path = result;

    if (CheckChildDirectory(path.c_str()) != 0)
        return PATH_OUTSIDE_HOME;
    if (!IsDirectory(GetParentDirectory(path)))
        return PATH_NO_PARENT;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return PATH_NOT_EXIST;
    return S_ISDIR(st.st_mode) ? PATH_DIR_EXISTS : PATH_FILE_EXISTS;
}

int CheckFileExist(char* path) {
    if (path == nullptr)
        return PATH_INTERNAL_ERROR;
    std::string text(path, ::strnlen(path, kPathBufferSize));
    int code = CheckFileExist(text);
    std::size_t n = std::min(text.size(), kPathMax);
    std::memcpy(path, text.data(), n);
    path[n] = '\0';
    return code;
}

int ConfilmExec(UserInterface& ui, const std::string& command) {
    if (pGTable == nullptr || pGTable->ConfilmExec == 0)
        return RESULT_YES;
    int answer = ui.MessageBox(_("Execute"), FillText(_("Execute %s ?"), {DisplayName(command)}),
                               MB_YESNO + MB_ICON_QUESTION);
    // A box that could not be shown is no permission to run anything.
    return answer == RESULT_YES ? RESULT_YES : RESULT_NO;
}

pid_t DefaultStartProgram(const char* path, const char* argument) {
    return suite::ExecProcessDoubleFork(path, argument, suite::RummageBrowser(),
                                        [] { g_error("Not enough mmemory! Stop.\n"); });
}

namespace {

void ExecApplicationAt(const char* path, UserInterface& ui, const StartProgram& start, int depth) {
    if (path == nullptr)
        return;
    if (CheckChildDirectory(path) != 0) {
        ui.MessageBox(_("Error"), _(FileExistText(PATH_OUTSIDE_HOME)), MB_OK + MB_ICON_STOP);
        return;
    }
    struct stat st;
    if (::lstat(path, &st) != 0)
        return;

    if (S_ISLNK(st.st_mode)) {
        if (depth >= kMaxLinkDepth) {
            return;
        }
        // The home check must see where the link really leads: a relative
        // target with ".." (or a link further on) can leave home while its
        // text still begins with the home directory.
        char resolved[PATH_MAX];
        if (::realpath(path, resolved) == nullptr) {
            return;
        }
        std::string target = resolved;
        // A home reached through a link of its own resolves to its real
        // place; what lies there is still inside home.
        char homeReal[PATH_MAX];
        if (pGTable != nullptr && CheckChildDirectory(resolved) != 0 &&
            ::realpath(pGTable->HomeDir.c_str(), homeReal) != nullptr) {
            const std::string real = WithSlash(homeReal);
            if (CheckChildDirectory(resolved, real) == 0) {
                target = pGTable->HomeDir + target.substr(std::min(target.size(), real.size()));
            }
        }
        ExecApplicationAt(target.c_str(), ui, start, depth + 1);
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        std::string dir = path;
        if (dir.back() != '/')
            dir += '/';
        ui.OpenChildTree(dir, 1);
        return;
    }
    const StartProgram& run = start ? start : StartProgram(DefaultStartProgram);
    if ((st.st_mode & S_IXUSR) != 0) {
        if (ConfilmExec(ui, path) == RESULT_YES)
            run(path, nullptr);
        return;
    }
    bool readable =
        st.st_uid == ::getuid() ? (st.st_mode & S_IRUSR) != 0 : (st.st_mode & S_IROTH) != 0;
    if (!readable)
        return;
    std::string command = GetCompatibleAP(path);
    if (command.empty()) {
        std::string picked;
        if (ui.SelectApplication(picked) != 0 || picked.empty())
            return;
        command = picked;
    }
    if (ConfilmExec(ui, command) == RESULT_YES)
        run(command.c_str(), path);
}

}  // namespace

void ExecApplication(const char* path, UserInterface& ui, const StartProgram& start) {
    ExecApplicationAt(path, ui, start, 0);
}

}  // namespace rmg

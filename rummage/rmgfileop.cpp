#include "rummage/rmgfileop.h"

#include "rummage/rmgcopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>

#include "common/I18n.h"
#include "common/SafeFile.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

UserInterface* g_ui = nullptr;
// Whether the progress window of the running operation is open.
bool g_progressWindow = false;
// Between SetupProgress and EndProgress.
bool g_running = false;
// The window is closing or the program ending: every step reports a cancel
// and every box answers with its stopping button.
bool g_stopRequested = false;
// The half-built replacement beside a target, removed on every way out.
std::string g_partial;
// A target is being rewritten in place: a stop waits for the end of it.
bool g_inPlace = false;

bool ShowProgressOn() {
    return pGTable != nullptr && pGTable->ShowProgress != 0;
}
bool ConfirmOverwriteOn() {
    return pGTable == nullptr || pGTable->ConfilmOverwrite != 0;
}

bool Lstat(const std::string& path, struct stat& st) {
    return ::lstat(path.c_str(), &st) == 0;
}

// Directory part of a path without a final "/" ("/" for a top-level name).
std::string DirOf(const std::string& path) {
    std::string parent = GetParentDirectory(StripSlash(path));
    return parent.empty() ? std::string("/") : parent;
}

// Without a window layer every box answers with its first button, as a box
// that could not be built does.  While stopping, every box answers with the
// button that stops (No, Cancel).
int Box(const std::string& title, const std::string& text, int style) {
    if (g_stopRequested) {
        return RESULT_NO;
    }
    if (g_ui == nullptr) {
        return 1;
    }
    return g_ui->MessageBox(title, text, style);
}

int ErrorBoxWithCause(const char* format, const std::string& path, int err, int buttons) {
    return Box(_("Error"), FillText(format, {DisplayName(path), g_strerror(err)}),
               buttons | MB_ICON_STOP);
}

// A cancel noticed by a progress step must not be lost behind another result.
int Merge(int result, int progress) {
    return progress == RESULT_NO ? RESULT_NO : result;
}

// A step inside a big file: the window is drawn and a Cancel click noticed.
// True when the operation is to stop; the cancel is then reported (and the
// window closed) here, once.
bool KeepProgressAlive() {
    if (!g_stopRequested && g_progressWindow && g_ui != nullptr && ShowProgressOn()) {
        const double fraction =
            pGTable->ProgressTotal == 0
                ? 0.0
                : static_cast<double>(pGTable->ProgressCount) / pGTable->ProgressTotal;
        g_ui->ShowProgressFraction(std::min(fraction, 1.0));
        if (g_ui->ProgressCancelled()) {
            pGTable->ProgressCancel = 1;
        }
    }
    const bool cancelled = g_progressWindow && ShowProgressOn() && pGTable->ProgressCancel != 0;
    if (g_inPlace || !(g_stopRequested || cancelled)) {
        return false;
    }
    if (cancelled) {
        DestroyProgress();
    }
    return true;
}

bool TooLong(const std::string& path) {
    return path.size() > kPathMax;
}

void DropPartial() {
    if (!g_partial.empty()) {
        ::unlink(g_partial.c_str());
        g_partial.clear();
    }
}

// A fresh name beside `target` for building its replacement; `make` creates
// the object under that name and returns false with errno set on failure.
// The name is visible and tells whose it is, so one left by a crash is
// found and understood; the engine removes it on every way out it sees.
template <typename Make>
bool MakeBeside(const std::string& target, std::string& tmp, Make make) {
    static std::mt19937 rng{std::random_device{}()};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string dir = WithSlash(DirOf(target));
    std::string name = GetLastPath(target);
    name.erase(0, name.find_first_not_of('.'));
    // Room for the suffix within a file name's 255 bytes.
    if (name.empty() || name.size() > 230) {
        name = "rummage";
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = dir + name + ".partial-";
        for (int i = 0; i < 6; ++i) {
            tmp += kChars[rng() % (sizeof(kChars) - 1)];
        }
        if (make(tmp)) {
            g_partial = tmp;
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

bool ReadLinkWhole(const std::string& path, off_t sizeHint, std::string& out) {
    std::size_t size = std::max<std::size_t>(static_cast<std::size_t>(sizeHint) + 1, 256);
    for (;;) {
        std::string buf(size, '\0');
        ssize_t n = ::readlink(path.c_str(), buf.data(), size);
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < size) {
            buf.resize(static_cast<std::size_t>(n));
            out = std::move(buf);
            return true;
        }
        size *= 2;  // the link changed under us; try again larger
    }
}

// Lexical test that `target` is the source directory `srcDir` (ending in
// "/") or below it, then the same test on the real path of the target's
// directory, so a destination reached through a link into the source is
// caught too.  The target's own name is not followed: a link there is
// replaced, not entered.
bool InsideSource(const std::string& target, const std::string& srcDir) {
    if (target.compare(0, srcDir.size(), srcDir) == 0)
        return true;
    std::string existing = StripSlash(target);
    std::string rest;
    std::unique_ptr<char, decltype(&std::free)> realDir(nullptr, &std::free);
    while (!realDir) {
        if (existing == "/" || existing.empty())
            return false;
        std::string part(1, '/');
        part += GetLastPath(existing);
        rest.insert(0, part);
        existing = StripSlash(DirOf(existing));
        realDir.reset(::realpath(existing.c_str(), nullptr));
    }
    std::unique_ptr<char, decltype(&std::free)> realSrc(::realpath(srcDir.c_str(), nullptr),
                                                        &std::free);
    if (!realSrc)
        return false;
    const std::string base = std::strcmp(realDir.get(), "/") == 0 ? "" : realDir.get();
    const std::string t = base + rest + "/";
    const std::string s = WithSlash(realSrc.get());
    return t.compare(0, s.size(), s) == 0;
}

// Same-path and sub-directory test.  `deep` adds the physical tests, needed
// only for the destination the user named.
int CheckTarget(const std::string& target, const std::string& src, mode_t srcMode, bool deep) {
    bool same;
    if (target.size() < src.size() && !src.empty() && src.back() == '/')
        same = target == src.substr(0, src.size() - 1);
    else
        same = target == src;
    if (!same && deep) {
        // The same file or directory under another spelling (or a hard
        // link): nothing to do, and a directory would be copied into itself.
        struct stat t, s;
        same = Lstat(target, t) && Lstat(StripSlash(src), s) && t.st_dev == s.st_dev &&
               t.st_ino == s.st_ino;
    }
    if (same)
        return RESULT_NO;
    if (S_ISDIR(srcMode)) {
        const std::string dir = WithSlash(src);
        bool inside = deep ? InsideSource(target, dir) : target.compare(0, dir.size(), dir) == 0;
        if (inside) {
            Box(_("Error"), _("Cannot move to a sub directory."), MB_OK | MB_ICON_STOP);
            return RESULT_NO;
        }
    }
    return 0;
}

// The overwrite question; true when the user declined.
bool DeclineOverwrite(const std::string& target, int* overwriteDecided) {
    struct stat st;
    if (ConfirmOverwriteOn() && *overwriteDecided == 0 && Lstat(target, st)) {
        int answer =
            Box(_("Confirmation"),
                FillText(_("%s already exists.\nDoes it overwrite?"), {DisplayName(target)}),
                MB_YESNO | MB_ICON_QUESTION);
        if (answer == RESULT_NO)
            return true;
    }
    *overwriteDecided = 1;
    return false;
}

// Puts the finished replacement `tmp` at `target`.  A directory in the way
// has to go first; anything else is replaced in one step by the rename.
int PlaceOver(const std::string& tmp, const std::string& target, int kind) {
    struct stat st;
    if (Lstat(target, st) && S_ISDIR(st.st_mode)) {
        int r = RemoveFileInternal(target, 0);
        if (r != 0) {
            DropPartial();
            return Merge(r, UpdateProgress());
        }
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        DropPartial();
        return FileErrorMessage(kind, target, err);
    }
    g_partial.clear();
    return UpdateProgress();
}

// Whether a rename of `src` to `target` would cross file systems.  link(2)
// checks the mount before anything else and leaves nothing behind, so this
// asks without touching either side; st_dev cannot tell (overlay file
// systems give different numbers where rename works).
bool CrossDevice(const std::string& src, const std::string& target) {
    std::string probe;
    const std::string from = StripSlash(src);
    if (MakeBeside(target, probe, [&](const std::string& name) {
            return ::link(from.c_str(), name.c_str()) == 0;
        })) {
        DropPartial();
        return false;
    }
    return errno == EXDEV;
}

// Steps shared by copy and move up to the overwrite question.  Returns
// true to go on with `target` set and `st` the source's status; else
// `result` is what to return.
bool Prepare(const std::string& dst, std::string& src, int* overwriteDecided, bool top, int kind,
             std::string& target, struct stat& st, int& result) {
    if (TooLong(src)) {
        result = FileErrorMessage(kind, src, ENAMETOOLONG);
        return false;
    }
    // Links are never followed, also when the caller added a "/".
    if (!Lstat(StripSlash(src), st)) {
        Box(_("Error"), FillText(_("%s does not exist."), {DisplayName(src)}),
            MB_OK | MB_ICON_STOP);
        result = UpdateProgress();
        return false;
    }
    src = S_ISDIR(st.st_mode) ? WithSlash(src) : StripSlash(src);
    target = top ? ProofDstPath(dst, src) : StripSlash(dst);
    if (TooLong(target)) {
        result = FileErrorMessage(kind, target, ENAMETOOLONG);
        return false;
    }
    if (CheckTarget(target, src, st.st_mode, top) == RESULT_NO ||
        DeclineOverwrite(target, overwriteDecided)) {
        result = UpdateProgress();
        return false;
    }
    return true;
}

// A directory being filled stays writable for its owner; its own bits are
// applied once its entries are in, so a read-only source can be copied.
// Both go through a descriptor: a link planted at the name meanwhile must
// not pass the mode on to wherever it points.
class DirModeGuard {
  public:
    DirModeGuard(const std::string& path, mode_t mode) : mode_(mode & 07777) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd_ >= 0) {
            (void)::fchmod(fd_, mode_ | S_IRWXU);
        }
    }
    ~DirModeGuard() {
        if (fd_ >= 0) {
            (void)::fchmod(fd_, mode_);
            ::close(fd_);
        }
    }
    DirModeGuard(const DirModeGuard&) = delete;
    DirModeGuard& operator=(const DirModeGuard&) = delete;

  private:
    int fd_ = -1;
    mode_t mode_;
};

// A link where a directory is to be made or merged into is replaced, not
// entered.
int ClearLink(const std::string& target) {
    struct stat st;
    if (Lstat(target, st) && S_ISLNK(st.st_mode)) {
        return RemoveFileInternal(target, 0);
    }
    return 0;
}

int CopyItem(const std::string& dst, std::string src, int* overwriteDecided, bool top);
int MoveItem(const std::string& dst, std::string src, int* overwriteDecided, bool top);

// Copies or moves (`kind`) the entries of the directory `src` (ending in
// "/") into `target`, made first or merged into.  A copy goes on after a
// skipped entry; a move returns any non-zero result of an entry at once and
// removes the source directory only when every entry has left it.
int FillDirectory(int kind, const std::string& target, const std::string& src, mode_t mode,
                  int* overwriteDecided) {
    if (int r = ClearLink(target); r != 0) {
        return Merge(r, UpdateProgress());
    }
    const int made = CreateDirectoryEx(target + "/");
    if (made == RESULT_YES) {
        // Skip in the box about what stood in the way: this item only.
        return kind == OP_COPY ? 0 : RESULT_YES;
    }
    if (made != 0) {
        return RESULT_NO;
    }
    DirModeGuard guard(target, mode);
    DIR* dir = ::opendir(src.c_str());
    if (dir == nullptr) {
        return FileErrorMessage(kind, src);
    }
    bool leftBehind = false;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        std::string childSrc = src + name;
        struct stat cs;
        if (Lstat(childSrc, cs) && S_ISDIR(cs.st_mode)) {
            childSrc += '/';
        }
        const std::string childTarget = target + "/" + name;
        const int r = kind == OP_COPY ? CopyItem(childTarget, childSrc, overwriteDecided, false)
                                      : MoveItem(childTarget, childSrc, overwriteDecided, false);
        if (r == RESULT_NO || (kind != OP_COPY && r != 0)) {
            ::closedir(dir);
            return r;
        }
        // Skipped after an error box: the entry is still here.
        if (kind != OP_COPY && Lstat(StripSlash(childSrc), cs)) {
            leftBehind = true;
        }
        errno = 0;
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) {
        return Merge(0, FileErrorMessage(kind, src, err));
    }
    if (kind == OP_COPY || leftBehind) {
        return 0;
    }
    const int r = RemoveFileInternal(src, 0);
    return r == RESULT_NO ? RESULT_NO : 0;
}

int CopyItem(const std::string& dst, std::string src, int* overwriteDecided, bool top) {
    std::string target;
    struct stat st;
    int result = 0;
    if (!Prepare(dst, src, overwriteDecided, top, OP_COPY, target, st, result)) {
        return result;
    }
    if (!S_ISDIR(st.st_mode)) {
        return CopyFileInternal(target, src);
    }
    return FillDirectory(OP_COPY, target, src, st.st_mode, overwriteDecided);
}

int CrossDeviceBox(const std::string& target) {
    if (ErrorBoxWithCause(_("Cannot move file %s\ncause:%s"), target, EXDEV, MB_SKIPCANCEL) ==
        RESULT_NO) {
        return RESULT_NO;
    }
    return UpdateProgress();
}

int MoveItem(const std::string& dst, std::string src, int* overwriteDecided, bool top) {
    std::string target;
    struct stat st;
    int result = 0;
    if (!Prepare(dst, src, overwriteDecided, top, OP_MOVE, target, st, result)) {
        return result;
    }
    struct stat ts;
    if (!S_ISDIR(st.st_mode) || !Lstat(target, ts)) {
        return MoveFileInternal(target, src);
    }
    // Merge into what is there; entry by entry only where a rename could
    // work at all, so another file system is reported before anything moves.
    if (CrossDevice(src, target)) {
        return CrossDeviceBox(target);
    }
    return FillDirectory(OP_MOVE, target, src, st.st_mode, overwriteDecided);
}

// What a copy writes: the open source (or -1 for an empty file), its size
// and its permission bits.
struct Source {
    int fd;
    off_t size;
    mode_t mode;
};

// The copy's content, bits and flush into the open `out`.  ECANCELED when
// the user stopped the operation inside the file.
bool FillTarget(int out, const Source& source, bool flush, CopyError& error) {
    if (source.fd >= 0 &&
        !CopyContent(source.fd, out, source.size, error, [] { return !KeepProgressAlive(); })) {
        return false;
    }
    // After any change of owner, which would clear the set-ID bits.
    if (::fchmod(out, source.mode) != 0) {
        error = {errno, false};
        return false;
    }
    if (flush && ::fdatasync(out) != 0) {
        error = {errno, false};
        return false;
    }
    return true;
}

int CopyFailed(const CopyError& error, const std::string& src, const std::string& target) {
    if (error.err == ECANCELED) {
        return RESULT_NO;
    }
    return FileErrorMessage(OP_COPY, error.onRead ? src : target, error.err);
}

// Rewrites the existing regular file behind `out` where it is, for a target
// that must keep its identity.  Only once the space is known to be there:
// the old content is gone with the truncation.
int RewriteInPlace(int out, const struct stat& old, const std::string& target,
                   const std::string& src, const Source& source) {
    struct statvfs vfs;
    if (::fstatvfs(out, &vfs) == 0) {
        const unsigned long long have =
            static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize +
            static_cast<unsigned long long>(old.st_blocks) * 512ULL;
        if (static_cast<unsigned long long>(source.size) > have) {
            ::close(out);
            return FileErrorMessage(OP_COPY, target, ENOSPC);
        }
    }
    CopyError error;
    bool ok = ::ftruncate(out, 0) == 0;
    if (!ok) {
        error = {errno, false};
    }
    // A cut file is worse than a late stop: a cancel inside this file is
    // noticed but waits for its end, and the next step reports it.
    g_inPlace = true;
    ok = ok && FillTarget(out, source, true, error);
    g_inPlace = false;
    if (::close(out) != 0 && ok) {
        error = {errno, false};
        ok = false;
    }
    if (!ok) {
        return CopyFailed(error, src, target);
    }
    return UpdateProgress();
}

// Writes the copy of `src` to `target`.  An existing regular target is
// replaced exactly when it could be written (else "Cannot copy file"); the
// new content is built beside it and renamed over it only where that keeps
// what the old file had: owner and group, extended attributes and its only
// link.  Where it cannot (more links, a directory the user cannot write, an
// owner the user cannot give), the file is rewritten in place.
int WriteTarget(const std::string& target, const std::string& src, const Source& source) {
    struct stat old;
    const bool replacing = Lstat(target, old) && S_ISREG(old.st_mode);
    int oldFd = -1;
    if (replacing) {
        oldFd = suite::OpenToReplace(target, old);
        if (oldFd < 0) {
            return FileErrorMessage(OP_COPY, target, errno);
        }
        if (old.st_nlink > 1) {
            return RewriteInPlace(oldFd, old, target, src, source);
        }
    }
    std::string tmp;
    int out = -1;
    if (!MakeBeside(target, tmp, [&](const std::string& name) {
            out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            return out >= 0;
        })) {
        const int err = errno;
        if (replacing && (err == EACCES || err == EPERM || err == EROFS)) {
            return RewriteInPlace(oldFd, old, target, src, source);
        }
        if (oldFd >= 0) {
            ::close(oldFd);
        }
        return FileErrorMessage(OP_COPY, target, err);
    }
    if (replacing) {
        if (!suite::TakeOverAttributes(oldFd, old, out)) {
            ::close(out);
            DropPartial();
            return RewriteInPlace(oldFd, old, target, src, source);
        }
        ::close(oldFd);
    }
    // Content that is to replace an existing file is on disk before it takes
    // that file's name, so a crash cannot lose both.
    CopyError error;
    bool ok = FillTarget(out, source, replacing, error);
    if (::close(out) != 0 && ok) {
        error = {errno, false};
        ok = false;
    }
    if (!ok) {
        DropPartial();
        return CopyFailed(error, src, target);
    }
    return PlaceOver(tmp, target, OP_COPY);
}

long CountFiles(const std::string& path) {
    struct stat st;
    if (!Lstat(StripSlash(path), st) || !S_ISDIR(st.st_mode))
        return 1;
    const std::string dirPath = WithSlash(path);
    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr)
        return 0;
    long n = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat cs;
            isDir = Lstat(dirPath + name, cs) && S_ISDIR(cs.st_mode);
        }
        n += isDir ? CountFiles(dirPath + name + "/") : 1;
        if (n > INT_MAX)
            n = INT_MAX;
    }
    ::closedir(dir);
    return n;
}

}  // namespace

void SetFileOpUi(UserInterface* ui) {
    g_ui = ui;
}
UserInterface* GetFileOpUi() {
    return g_ui;
}

int CreateDirectoryEx(const std::string& path) {
    if (path.empty())
        return -1;
    if (path.size() == 1)
        return 0;
    if (TooLong(path)) {
        ErrorBoxWithCause(_("Cannot create directory %s\ncause:%s"), path, ENAMETOOLONG, MB_OK);
        return RESULT_NO;
    }
    for (const char* p = CharNext(path.c_str() + 1, '/'); p != nullptr; p = CharNext(p + 1, '/')) {
        const std::string prefix = path.substr(0, static_cast<std::size_t>(p - path.c_str()));
        const bool last = p[1] == '\0';
        struct stat st;
        if (Lstat(prefix, st)) {
            if (S_ISDIR(st.st_mode))
                continue;
            // A link to a directory is a way to it, not something in the way.
            struct stat followed;
            if (S_ISLNK(st.st_mode) && ::stat(prefix.c_str(), &followed) == 0 &&
                S_ISDIR(followed.st_mode))
                continue;
            // Only the directory asked for may replace what stands there
            // (the caller's overwrite rule covered it); a file further up is
            // nobody's to delete.
            if (!last) {
                ErrorBoxWithCause(_("Cannot create directory %s\ncause:%s"), prefix, ENOTDIR,
                                  MB_OK);
                return RESULT_NO;
            }
            // Skip in its error box passes over this item only; trying
            // mkdir anyway would only add a misleading "File exists" box.
            if (int r = RemoveFileInternal(prefix, 0); r != 0) {
                return r;
            }
        }
        if (::mkdir(prefix.c_str(), 0775) != 0) {
            int err = errno;
            struct stat now;
            if (err != EEXIST || ::stat(prefix.c_str(), &now) != 0 || !S_ISDIR(now.st_mode)) {
                ErrorBoxWithCause(_("Cannot create directory %s\ncause:%s"), prefix, err, MB_OK);
                return RESULT_NO;
            }
        }
    }
    return 0;
}

int RemoveFileInternal(const std::string& path, int count) {
    if (path.empty())
        return -1;
    const std::string name = StripSlash(path);
    struct stat st;
    bool skipped = false;
    if (TooLong(name)) {
        if (ErrorBoxWithCause(_("Cannot delete file %s\ncause:%s"), path, ENAMETOOLONG,
                              MB_SKIPCANCEL) == RESULT_NO)
            return RESULT_NO;
        skipped = true;
        st.st_mode = S_IFREG;
    } else {
        if (!Lstat(name, st))
            return 0;
        int rc = S_ISDIR(st.st_mode) ? ::rmdir(name.c_str()) : ::unlink(name.c_str());
        if (rc != 0) {
            const int err = errno;
            if (ErrorBoxWithCause(_("Cannot delete file %s\ncause:%s"), path, err, MB_SKIPCANCEL) ==
                RESULT_NO)
                return RESULT_NO;
            skipped = true;
        }
    }
    int result = 0;
    if (!S_ISDIR(st.st_mode) && count != 0)
        result = UpdateProgress();
    if (result == 0 && skipped)
        return RESULT_YES;
    return result;
}

int RemoveFile(const std::string& path, int* deleteAnswer) {
    if (path.empty() || deleteAnswer == nullptr)
        return -1;
    const std::string name = StripSlash(path);
    struct stat st;
    if (TooLong(name) || !Lstat(name, st) || !S_ISDIR(st.st_mode))
        return RemoveFileInternal(name, 1);

    const std::string dirPath = WithSlash(name);
    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr) {
        // Say why the delete cannot go on here instead of ending it quietly.
        const int err = errno;
        if (ErrorBoxWithCause(_("Cannot delete file %s\ncause:%s"), path, err, MB_SKIPCANCEL) ==
            RESULT_NO)
            return RESULT_NO;
        return RESULT_YES;
    }
    bool skipped = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..")
            continue;
        if (*deleteAnswer == RESULT_NO) {
            int answer =
                g_ui != nullptr && !g_stopRequested ? g_ui->DeleteMessageBox(path) : RESULT_CANCEL;
            if (answer == RESULT_NO) {
                ::closedir(dir);
                return RESULT_YES;
            }
            if (answer != RESULT_YES && answer != RESULT_YES_ALL) {
                ::closedir(dir);
                return RESULT_NO;
            }
            *deleteAnswer = answer;
        }
        int r = RemoveFile(dirPath + entryName, deleteAnswer);
        if (r == RESULT_NO) {
            ::closedir(dir);
            return RESULT_NO;
        }
        if (r == RESULT_YES)
            skipped = true;
    }
    ::closedir(dir);
    // What was left keeps this directory, and so every one above it; saying
    // so spares each of them a futile attempt and its error box.
    if (skipped)
        return RESULT_YES;
    return RemoveFileInternal(name, 0);
}

int FileErrorMessage(int kind, const std::string& path, int err) {
    const char* format =
        kind == OP_COPY ? _("Cannot copy file %s\ncause:%s") : _("Cannot move file %s\ncause:%s");
    if (ErrorBoxWithCause(format, path, err, MB_SKIPCANCEL) == RESULT_NO)
        return RESULT_NO;
    return UpdateProgress();
}

std::string ProofDstPath(const std::string& dst, const std::string& src) {
    std::string target = dst;
    if (IsDirectory(dst))
        target = WithSlash(dst) + GetLastPath(src);
    return StripSlash(target);
}

int CheckSrcSubDirectory(const std::string& target, const std::string& src, mode_t srcMode) {
    return CheckTarget(target, src, srcMode, true);
}

int CopyFileInternal(const std::string& targetPath, const std::string& srcPath) {
    if (targetPath.empty() || srcPath.empty()) {
        return -1;
    }
    const std::string target = StripSlash(targetPath);
    const std::string src = StripSlash(srcPath);
    struct stat st;
    if (!Lstat(src, st)) {
        return FileErrorMessage(OP_COPY, src);
    }
    if (S_ISDIR(st.st_mode)) {
        return FileErrorMessage(OP_COPY, src, EISDIR);
    }

    std::string tmp;
    if (S_ISLNK(st.st_mode)) {
        std::string linkText;
        if (!ReadLinkWhole(src, st.st_size, linkText)) {
            return FileErrorMessage(OP_COPY, src);
        }
        if (!MakeBeside(target, tmp, [&](const std::string& name) {
                return ::symlink(linkText.c_str(), name.c_str()) == 0;
            })) {
            return FileErrorMessage(OP_COPY, target);
        }
        return PlaceOver(tmp, target, OP_COPY);
    }

    // Regular files by content; devices, pipes and sockets become empty
    // files.  Opened without blocking and checked again once open: a file
    // swapped for a pipe since the lstat must not hang the window.
    int in = -1;
    if (S_ISREG(st.st_mode)) {
        in = ::open(src.c_str(), O_RDONLY | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (in < 0) {
            return FileErrorMessage(OP_COPY, src);
        }
        struct stat opened;
        if (::fstat(in, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(in);
            in = -1;
            st.st_size = 0;
        } else {
            st.st_size = opened.st_size;
        }
    }
    Source source{in, st.st_size, static_cast<mode_t>(st.st_mode & 07777)};
    const int result = WriteTarget(target, src, source);
    if (in >= 0) {
        ::close(in);
    }
    return result;
}

int CopyFile(const std::string& dst, const std::string& src, int* overwriteDecided) {
    if (dst.empty() || src.empty() || overwriteDecided == nullptr)
        return -1;
    if (dst == src)
        return UpdateProgress();
    return CopyItem(dst, src, overwriteDecided, true);
}

int MoveFileInternal(const std::string& targetPath, const std::string& srcPath) {
    if (targetPath.empty() || srcPath.empty())
        return -1;
    const std::string target = StripSlash(targetPath);
    const std::string src = StripSlash(srcPath);
    struct stat ts, ss;
    if (Lstat(target, ts)) {
        // rename() replaces a file or link in one step, so the old one is
        // kept if the move fails; a directory on either side must go first.
        bool srcDir = Lstat(src, ss) && S_ISDIR(ss.st_mode);
        if (srcDir || S_ISDIR(ts.st_mode)) {
            // Nothing may go before the rename is known to be possible.
            if (CrossDevice(src, target)) {
                return CrossDeviceBox(target);
            }
            int r = RemoveFileInternal(target, 0);
            if (r != 0) {
                return Merge(r, UpdateProgress());
            }
        }
    }
    if (::rename(src.c_str(), target.c_str()) != 0) {
        const int err = errno;
        if (ErrorBoxWithCause(_("Cannot move file %s\ncause:%s"), target, err, MB_SKIPCANCEL) ==
            RESULT_NO)
            return RESULT_NO;
    }
    return UpdateProgress();
}

int MoveFile(const std::string& dst, const std::string& src, int* overwriteDecided) {
    if (dst.empty() || src.empty() || overwriteDecided == nullptr)
        return -1;
    if (dst == src)
        return UpdateProgress();
    return MoveItem(dst, src, overwriteDecided, true);
}

void CountOperationFile(const std::string& path) {
    if (pGTable == nullptr || path.empty())
        return;
    long total = static_cast<long>(pGTable->ProgressTotal) + CountFiles(path);
    pGTable->ProgressTotal = static_cast<int>(std::min<long>(total, INT_MAX));
}

void SetupProgress(const std::vector<FileOperationItem>& items, int kind) {
    g_running = true;
    if (items.empty() || !ShowProgressOn())
        return;
    pGTable->ProgressDlg = nullptr;
    pGTable->ProgressBar = nullptr;
    pGTable->ProgressCount = 0;
    pGTable->ProgressTotal = 0;
    pGTable->ProgressCancel = 0;
    g_progressWindow = g_ui != nullptr && g_ui->CreateProgressWindow(kind);
    for (const auto& item : items)
        CountOperationFile(item);
}

int UpdateProgress() {
    if (g_stopRequested) {
        return RESULT_NO;
    }
    if (!ShowProgressOn())
        return 0;
    if (pGTable->ProgressCount < INT_MAX)
        ++pGTable->ProgressCount;
    const double fraction =
        pGTable->ProgressTotal == 0
            ? 1.0
            : static_cast<double>(pGTable->ProgressCount) / pGTable->ProgressTotal;
    if (!g_progressWindow || g_ui == nullptr)
        return 0;
    g_ui->ShowProgressFraction(std::min(fraction, 1.0));
    if (g_ui->ProgressCancelled())
        pGTable->ProgressCancel = 1;
    if (fraction == 1.0 || pGTable->ProgressCancel != 0) {
        DestroyProgress();
        return pGTable->ProgressCancel != 0 ? RESULT_NO : 0;
    }
    return 0;
}

void EndProgress() {
    // Flushing once per operation rather than after every name keeps a
    // tree of small files from costing a disk flush each.
    ::sync();
    DropPartial();
    g_running = false;
    g_stopRequested = false;
    if (!ShowProgressOn() || !g_progressWindow)
        return;
    if (pGTable->ProgressTotal != 0)
        pGTable->ProgressCount = pGTable->ProgressTotal - 1;
    UpdateProgress();
}

void DestroyProgress() {
    if (!ShowProgressOn() || !g_progressWindow)
        return;
    g_progressWindow = false;
    if (g_ui != nullptr)
        g_ui->DestroyProgressWindow();
}

void RaiseProgress() {
    if (ShowProgressOn() && g_progressWindow && g_ui != nullptr)
        g_ui->RaiseProgressWindow();
}

bool ProgressWindowOpen() {
    return g_progressWindow;
}

bool OperationRunning() {
    return g_running;
}

void RequestOperationStop() {
    if (g_running) {
        g_stopRequested = true;
    }
}

void RemovePartialFile() {
    DropPartial();
}

}  // namespace rmg

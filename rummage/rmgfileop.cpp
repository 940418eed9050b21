#include "rummage/rmgfileop.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>

#include "common/I18n.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

UserInterface* g_ui = nullptr;
// Whether the progress window of the running operation is open.
bool g_progressWindow = false;

// Bounded copy buffer and copy_file_range step: memory use does not grow
// with the file.
constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr std::size_t kCopyRangeStep = std::size_t{32} << 20;
// Within a big file the progress window is given its events this often, so
// it keeps drawing; the bar itself moves once per file.
constexpr off_t kKeepAliveBytes = off_t{32} << 20;

bool ShowProgressOn() {
    return pGTable != nullptr && pGTable->ShowProgress != 0;
}
bool ConfirmOverwriteOn() {
    return pGTable == nullptr || pGTable->ConfilmOverwrite != 0;
}

bool Lstat(const std::string& path, struct stat& st) {
    return ::lstat(path.c_str(), &st) == 0;
}

std::string StripSlash(const std::string& path) {
    if (path.size() > 1 && path.back() == '/')
        return path.substr(0, path.size() - 1);
    return path;
}

std::string WithSlash(const std::string& path) {
    if (!path.empty() && path.back() == '/')
        return path;
    return path + "/";
}

// Directory part of a path without a final "/" ("/" for a top-level name).
std::string DirOf(const std::string& path) {
    std::string parent = GetParentDirectory(StripSlash(path));
    return parent.empty() ? std::string("/") : parent;
}

std::string Display(const std::string& path) {
    gchar* shown = g_filename_display_name(path.c_str());
    std::string result = shown != nullptr ? shown : path;
    g_free(shown);
    return result;
}

// Fills the "%s" places of a translated text in order.
std::string Fill(const char* format, const std::string& first, const std::string& second = {}) {
    std::string out;
    const std::string* args[] = {&first, &second};
    int used = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && used < 2) {
            out += *args[used++];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// Without a window layer every box answers with its first button, as a box
// that could not be built does.
int Box(const std::string& title, const std::string& text, int style) {
    if (g_ui == nullptr)
        return 1;
    return g_ui->MessageBox(title, text, style);
}

int ErrorBoxWithCause(const char* format, const std::string& path, int err, int buttons) {
    return Box(_("Error"), Fill(format, Display(path), g_strerror(err)), buttons | MB_ICON_STOP);
}

// A cancel noticed by a progress step must not be lost behind another result.
int Merge(int result, int progress) {
    return progress == RESULT_NO ? RESULT_NO : result;
}

void KeepProgressAlive() {
    if (!g_progressWindow || g_ui == nullptr || !ShowProgressOn())
        return;
    const double fraction =
        pGTable->ProgressTotal == 0
            ? 0.0
            : static_cast<double>(pGTable->ProgressCount) / pGTable->ProgressTotal;
    g_ui->ShowProgressFraction(std::min(fraction, 1.0));
}

bool TooLong(const std::string& path) {
    return path.size() > kPathMax;
}

// A fresh name beside `target` for building its replacement; `make` creates
// the object under that name and returns false with errno set on failure.
template <typename Make>
bool MakeBeside(const std::string& target, std::string& tmp, Make make) {
    static std::mt19937 rng{std::random_device{}()};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string dir = WithSlash(DirOf(target));
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = dir + ".rmg";
        for (int i = 0; i < 8; ++i)
            tmp += kChars[rng() % (sizeof(kChars) - 1)];
        if (make(tmp))
            return true;
        if (errno != EEXIST)
            return false;
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

struct CopyError {
    int err = 0;
    bool onRead = false;
};

class RangeCopier {
  public:
    RangeCopier(int in, int out) : in_(in), out_(out) {}

    // Copies [pos, end) (end < 0: to end of file).  Returns the offset
    // reached, which is short of `end` only at end of file.
    bool Copy(off_t pos, off_t end, off_t& reached, CopyError& error) {
        while (end < 0 || pos < end) {
            const std::size_t want =
                end < 0 ? kCopyBufferSize
                        : static_cast<std::size_t>(std::min<off_t>(end - pos, kCopyRangeStep));
            if (useRange_ && end >= 0) {
                loff_t from = pos;
                loff_t to = pos;
                ssize_t n = ::copy_file_range(in_, &from, out_, &to, want, 0);
                if (n > 0) {
                    pos += n;
                    Copied(n);
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                // Not offered here, a pseudo-file that claims no data, or a
                // real error: the plain loop copes or tells which side failed.
                useRange_ = false;
                continue;
            }
            if (!buffer_)
                buffer_ = std::make_unique<char[]>(kCopyBufferSize);
            ssize_t n = ::pread(in_, buffer_.get(), std::min(want, kCopyBufferSize), pos);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                error = {errno, true};
                return false;
            }
            if (n == 0)
                break;
            for (ssize_t done = 0; done < n;) {
                ssize_t w = ::pwrite(out_, buffer_.get() + done, static_cast<std::size_t>(n - done),
                                     pos + done);
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    error = {errno, false};
                    return false;
                }
                done += w;
            }
            pos += n;
            Copied(n);
        }
        reached = pos;
        return true;
    }

  private:
    void Copied(off_t n) {
        sinceAlive_ += n;
        if (sinceAlive_ >= kKeepAliveBytes) {
            sinceAlive_ = 0;
            KeepProgressAlive();
        }
    }

    int in_;
    int out_;
    bool useRange_ = true;
    off_t sinceAlive_ = 0;
    std::unique_ptr<char[]> buffer_;
};

// Copies the content of `in` (a regular file of `size` bytes) into `out`.
// Holes stay holes; data past `size` (a growing file, or a pseudo-file that
// reports no size) is copied too.
bool CopyContent(int in, int out, off_t size, CopyError& error) {
    RangeCopier copier(in, out);
    off_t pos = 0;
    bool atEof = false;
    bool holes = size > 0;
    while (pos < size && !atEof) {
        off_t data = pos;
        off_t end = size;
        if (holes) {
            data = ::lseek(in, pos, SEEK_DATA);
            if (data < 0) {
                if (errno == ENXIO) {  // nothing but a hole up to the end
                    pos = size;
                    break;
                }
                holes = false;
                data = pos;
            } else {
                end = ::lseek(in, data, SEEK_HOLE);
                if (end < 0 || end > size)
                    end = size;
            }
        }
        off_t reached = 0;
        if (!copier.Copy(data, end, reached, error))
            return false;
        atEof = reached < end;
        pos = reached;
    }
    if (!atEof) {
        off_t reached = 0;
        if (!copier.Copy(pos, -1, reached, error))
            return false;
        pos = reached;
    }
    if (::ftruncate(out, pos) != 0) {
        error = {errno, false};
        return false;
    }
    return true;
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
        int answer = Box(_("Confirmation"),
                         Fill(_("%s already exists.\nDoes it overwrite?"), Display(target)),
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
            ::unlink(tmp.c_str());
            return Merge(r, UpdateProgress());
        }
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return FileErrorMessage(kind, target, err);
    }
    return UpdateProgress();
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
        Box(_("Error"), Fill(_("%s does not exist."), Display(src)), MB_OK | MB_ICON_STOP);
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
struct DirModeGuard {
    std::string path;
    mode_t mode;
    DirModeGuard(std::string p, mode_t m) : path(std::move(p)), mode(m & 07777) {
        ::chmod(path.c_str(), mode | S_IRWXU);
    }
    ~DirModeGuard() { ::chmod(path.c_str(), mode); }
};

// A link where a directory is to be made or merged into is replaced, not
// entered.
int ClearLink(const std::string& target) {
    struct stat st;
    if (Lstat(target, st) && S_ISLNK(st.st_mode))
        return RemoveFileInternal(target, 0);
    return 0;
}

int CopyItem(const std::string& dst, std::string src, int* overwriteDecided, bool top) {
    std::string target;
    struct stat st;
    int result = 0;
    if (!Prepare(dst, src, overwriteDecided, top, OP_COPY, target, st, result))
        return result;
    if (!S_ISDIR(st.st_mode))
        return CopyFileInternal(target, src);

    if (int r = ClearLink(target); r != 0)
        return Merge(r, UpdateProgress());
    if (CreateDirectoryEx(target + "/") != 0)
        return RESULT_NO;
    DirModeGuard mode(target, st.st_mode);
    DIR* dir = ::opendir(src.c_str());
    if (dir == nullptr)
        return FileErrorMessage(OP_COPY, src);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string childSrc = src + name;
        struct stat cs;
        if (Lstat(childSrc, cs) && S_ISDIR(cs.st_mode))
            childSrc += '/';
        if (CopyItem(target + "/" + name, childSrc, overwriteDecided, false) == RESULT_NO) {
            ::closedir(dir);
            return RESULT_NO;
        }
        errno = 0;
    }
    int err = errno;
    ::closedir(dir);
    if (err != 0)
        return Merge(0, FileErrorMessage(OP_COPY, src, err));
    return 0;
}

int MoveItem(const std::string& dst, std::string src, int* overwriteDecided, bool top) {
    std::string target;
    struct stat st;
    int result = 0;
    if (!Prepare(dst, src, overwriteDecided, top, OP_MOVE, target, st, result))
        return result;

    // A rename cannot cross file systems; say so before anything at the
    // target is replaced.
    struct stat parent;
    if (::stat(DirOf(target).c_str(), &parent) == 0 && parent.st_dev != st.st_dev) {
        int answer =
            ErrorBoxWithCause(_("Cannot move file %s\ncause:%s"), target, EXDEV, MB_SKIPCANCEL);
        if (answer == RESULT_NO)
            return RESULT_NO;
        return UpdateProgress();
    }

    struct stat ts;
    if (!S_ISDIR(st.st_mode) || !Lstat(target, ts))
        return MoveFileInternal(target, src);

    // Merge into the directory already there.
    if (int r = ClearLink(target); r != 0)
        return Merge(r, UpdateProgress());
    if (CreateDirectoryEx(target + "/") != 0)
        return RESULT_NO;
    DirModeGuard mode(target, st.st_mode);
    DIR* dir = ::opendir(src.c_str());
    if (dir == nullptr)
        return FileErrorMessage(OP_MOVE, src);
    bool leftBehind = false;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string childSrc = src + name;
        struct stat cs;
        if (Lstat(childSrc, cs) && S_ISDIR(cs.st_mode))
            childSrc += '/';
        int r = MoveItem(target + "/" + name, childSrc, overwriteDecided, false);
        if (r != 0) {
            ::closedir(dir);
            return r;
        }
        // Skipped after an error box: the entry is still here.
        if (Lstat(StripSlash(childSrc), cs))
            leftBehind = true;
        errno = 0;
    }
    int err = errno;
    ::closedir(dir);
    if (err != 0)
        return Merge(0, FileErrorMessage(OP_MOVE, src, err));
    if (leftBehind)
        return 0;
    int r = RemoveFileInternal(src, 0);
    return r == RESULT_NO ? RESULT_NO : 0;
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
            RemoveFileInternal(prefix, 0);
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
            int answer = g_ui != nullptr ? g_ui->DeleteMessageBox(path) : RESULT_CANCEL;
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
    if (targetPath.empty() || srcPath.empty())
        return -1;
    const std::string target = StripSlash(targetPath);
    const std::string src = StripSlash(srcPath);
    struct stat st;
    if (!Lstat(src, st))
        return FileErrorMessage(OP_COPY, src);
    if (S_ISDIR(st.st_mode))
        return FileErrorMessage(OP_COPY, src, EISDIR);

    std::string tmp;
    if (S_ISLNK(st.st_mode)) {
        std::string linkText;
        if (!ReadLinkWhole(src, st.st_size, linkText))
            return FileErrorMessage(OP_COPY, src);
        if (!MakeBeside(target, tmp, [&](const std::string& name) {
                return ::symlink(linkText.c_str(), name.c_str()) == 0;
            }))
            return FileErrorMessage(OP_COPY, target);
        return PlaceOver(tmp, target, OP_COPY);
    }

    // Regular files by content; devices, pipes and sockets become empty
    // files and are never opened (a pipe would block).
    int in = -1;
    if (S_ISREG(st.st_mode)) {
        in = ::open(src.c_str(), O_RDONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
        if (in < 0)
            return FileErrorMessage(OP_COPY, src);
    }
    int out = -1;
    if (!MakeBeside(target, tmp, [&](const std::string& name) {
            out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            return out >= 0;
        })) {
        int err = errno;
        if (in >= 0)
            ::close(in);
        return FileErrorMessage(OP_COPY, target, err);
    }
    CopyError error;
    bool ok = in < 0 || CopyContent(in, out, st.st_size, error);
    if (in >= 0)
        ::close(in);
    if (ok && ::fchmod(out, st.st_mode & 07777) != 0)
        error = {errno, false}, ok = false;
    // Content that is to replace an existing file is on disk before it takes
    // that file's name, so a crash cannot lose both.
    struct stat old;
    if (ok && Lstat(target, old) && ::fdatasync(out) != 0)
        error = {errno, false}, ok = false;
    if (::close(out) != 0 && ok)
        error = {errno, false}, ok = false;
    if (!ok) {
        ::unlink(tmp.c_str());
        return FileErrorMessage(OP_COPY, error.onRead ? src : target, error.err);
    }
    return PlaceOver(tmp, target, OP_COPY);
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
            int r = RemoveFileInternal(target, 0);
            if (r != 0)
                return Merge(r, UpdateProgress());
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

}  // namespace rmg

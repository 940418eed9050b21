#include "common/SafeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace suite {

namespace {

std::function<int()>& Hook() {
    static std::function<int()> hook;
    return hook;
}

// The file a replacement is for, opened for writing when it exists.
struct Prepared {
    std::string target;
    bool exists = false;
    int oldFd = -1;
    struct stat old {};
    ~Prepared() {
        if (oldFd >= 0) {
            ::close(oldFd);
        }
    }
};

int Prepare(const std::string& path, const ReplaceOptions& options, Prepared& p) {
    if (path.empty()) {
        return ENOENT;
    }
    p.target = TargetOf(path, options.followLink);
    struct stat lst;
    const bool isLink = ::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
    // A link that is itself replaced passes on nothing of its target.
    struct stat st;
    p.exists = !(isLink && !options.followLink) && ::stat(p.target.c_str(), &st) == 0;
    if (!p.exists) {
        return 0;
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    p.oldFd = OpenToReplace(p.target, p.old);
    return p.oldFd < 0 ? errno : 0;
}

mode_t ModeFor(const Prepared& p, const ReplaceOptions& options) {
    if (options.forceMode) {
        return *options.forceMode;
    }
    if (p.exists) {
        return p.old.st_mode & 07777;
    }
    if (options.newMode) {
        return *options.newMode;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int Finish(int fd, bool ok, int err) {
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    return ok ? 0 : (err != 0 ? err : EIO);
}

// Writes the new content beside the file and flushes it.  `created` tells
// whether the directory took the beside file at all.
int WriteBeside(const Prepared& p, const std::string& data, const ReplaceOptions& options,
                const std::string& tag, StagedFile& staged, bool& created) {
    staged.target = p.target;
    staged.inPlace = p.exists && p.old.st_nlink > 1;
    std::string name = p.target + tag + "XXXXXX";
    created = false;
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    created = true;
    staged.beside = name;
    int err = FaultPoint();
    bool ok = err == 0;
    if (ok && p.exists && !staged.inPlace && !TakeOverAttributes(p.oldFd, p.old, fd)) {
        staged.inPlace = true;
    }
    // A copy for an in-place rewrite only carries bytes: it stays private.
    if (ok && !staged.inPlace) {
        (void)::fchmod(fd, ModeFor(p, options));
    }
    if (ok && !WriteAll(fd, data.data(), data.size())) {
        ok = false;
        err = errno;
    }
    if (ok && (err = FaultPoint()) != 0) {
        ok = false;
    }
    err = Finish(fd, ok, err);
    if (err != 0) {
        ::unlink(name.c_str());
        staged.beside.clear();
    }
    return err;
}

int RenameOver(const StagedFile& staged) {
    int err = FaultPoint();
    if (err == 0 && ::rename(staged.beside.c_str(), staged.target.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        return err;
    }
    SyncDirectory(DirectoryOf(staged.target));
    return 0;
}

// The beside copy goes once the file is whole; a failed rewrite leaves it,
// the only complete copy of the new content.
int CopyOver(const StagedFile& staged, int fd, const struct stat& st, const std::string& data,
             const std::optional<mode_t>& forceMode) {
    int err = RewriteInPlace(fd, st, data, forceMode);
    if (err == 0) {
        ::unlink(staged.beside.c_str());
    }
    return err;
}

bool WriteAllAt(int fd, const char* data, std::size_t len) {
    off_t at = 0;
    while (len > 0) {
        const ssize_t n = ::pwrite(fd, data, len, at);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        at += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void SetFaultHook(std::function<int()> hook) {
    Hook() = std::move(hook);
}

int FaultPoint() {
    return Hook() ? Hook()() : 0;
}

std::string TargetOf(const std::string& path, bool followLink) {
    struct stat lst;
    if (followLink && ::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

bool WriteAll(int fd, const char* data, std::size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

int ReadWholeFile(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return err;
    }
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0) {
            break;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    out = std::move(data);
    return 0;
}

int OpenToReplace(const std::string& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

bool CopyXattrs(int from, int out) {
    ssize_t len = ::flistxattr(from, nullptr, 0);
    if (len < 0) {
        return errno == ENOTSUP;
    }
    std::string names(static_cast<std::size_t>(len), '\0');
    len = ::flistxattr(from, names.data(), names.size());
    if (len < 0) {
        return false;
    }
    names.resize(static_cast<std::size_t>(len));
    for (std::size_t pos = 0; pos < names.size();) {
        const char* name = names.c_str() + pos;
        pos += std::strlen(name) + 1;
        ssize_t vlen = ::fgetxattr(from, name, nullptr, 0);
        if (vlen < 0) {
            return false;
        }
        std::string value(static_cast<std::size_t>(vlen), '\0');
        vlen = ::fgetxattr(from, name, value.data(), value.size());
        if (vlen < 0 ||
            ::fsetxattr(out, name, value.data(), static_cast<std::size_t>(vlen), 0) != 0) {
            return false;
        }
    }
    return true;
}

bool TakeOverAttributes(int oldFd, const struct stat& old, int out) {
    struct stat made;
    return CopyXattrs(oldFd, out) &&
           (::fchown(out, old.st_uid, old.st_gid) == 0 ||
            (::fstat(out, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid));
}

int RewriteInPlace(int fd, const struct stat& old, const std::string& data,
                   const std::optional<mode_t>& forceMode) {
    if (forceMode) {
        (void)::fchmod(fd, *forceMode);
    }
    // Only growth needs blocks; they are taken before the first byte is
    // overwritten, so a full disk leaves the old file as it was.
    if (static_cast<unsigned long long>(data.size()) >
        static_cast<unsigned long long>(old.st_size)) {
        if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(data.size())) != 0) {
            if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
                return errno;
            }
            struct statvfs vfs;
            if (::fstatvfs(fd, &vfs) == 0) {
                const unsigned long long have =
                    static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize +
                    static_cast<unsigned long long>(old.st_blocks) * 512ULL;
                if (data.size() > have) {
                    return ENOSPC;
                }
            }
        }
    }
    int err = FaultPoint();
    if (err != 0) {
        return err;
    }
    // Cut only after writing: the file is never shorter than both contents.
    bool ok = WriteAllAt(fd, data.data(), data.size());
    err = ok ? FaultPoint() : errno;
    ok = err == 0;
    if (ok && ::ftruncate(fd, static_cast<off_t>(data.size())) != 0) {
        ok = false;
        err = errno;
    }
    if (ok && (err = FaultPoint()) != 0) {
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    return ok ? 0 : (err != 0 ? err : EIO);
}

int StageFile(const std::string& path, const std::string& data, const ReplaceOptions& options,
              const std::string& tag, StagedFile& staged) {
    Prepared p;
    int err = Prepare(path, options, p);
    bool created = false;
    return err != 0 ? err : WriteBeside(p, data, options, tag, staged, created);
}

int PlaceStaged(const StagedFile& staged, const std::optional<mode_t>& forceMode) {
    if (!staged.inPlace) {
        return RenameOver(staged);
    }
    std::string data;
    int err = ReadWholeFile(staged.beside, data);
    if (err != 0) {
        return err;
    }
    struct stat st;
    const int fd = OpenToReplace(staged.target, st);
    if (fd < 0) {
        return errno;
    }
    err = CopyOver(staged, fd, st, data, forceMode);
    ::close(fd);
    return err;
}

void DropStaged(const StagedFile& staged) {
    if (!staged.beside.empty()) {
        ::unlink(staged.beside.c_str());
    }
}

int ReplaceFile(const std::string& path, const std::string& data, const ReplaceOptions& options) {
    Prepared p;
    int err = Prepare(path, options, p);
    if (err != 0) {
        return err;
    }
    StagedFile staged;
    bool created = false;
    err = WriteBeside(p, data, options, ".", staged, created);
    if (err != 0) {
        // A directory the caller cannot write (a kiosk home) still lets a
        // writable file be rewritten where it is.
        if (!created && p.exists && (err == EACCES || err == EPERM)) {
            return RewriteInPlace(p.oldFd, p.old, data, options.forceMode);
        }
        return err;
    }
    if (staged.inPlace) {
        return CopyOver(staged, p.oldFd, p.old, data, options.forceMode);
    }
    err = RenameOver(staged);
    if (err != 0) {
        DropStaged(staged);
    }
    return err;
}

}  // namespace suite

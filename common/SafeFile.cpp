#include "common/SafeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace suite {

namespace {

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

void SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// In place: only after making sure the space is there, so the truncation
// cannot be followed by a failed write for want of blocks.
int RewriteInPlace(const std::string& target, const std::string& data, const struct stat& st,
                   const ReplaceOptions& options) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return errno;
    }
    struct statvfs vfs;
    if (::fstatvfs(fd, &vfs) == 0) {
        unsigned long long have = static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize +
                                  static_cast<unsigned long long>(st.st_blocks) * 512ULL;
        if (data.size() > have) {
            ::close(fd);
            return ENOSPC;
        }
    }
    if (options.forceMode) {
        (void)::fchmod(fd, *options.forceMode);
    }
    bool ok = ::ftruncate(fd, 0) == 0;
    ok = ok && WriteAll(fd, data.data(), data.size());
    int err = ok ? 0 : errno;
    if (::fsync(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    return ok ? 0 : (err ? err : EIO);
}

}  // namespace

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

int ReplaceFile(const std::string& path, const std::string& data, const ReplaceOptions& options) {
    if (path.empty()) {
        return ENOENT;
    }
    // Replace the file a link points to, not the link.
    std::string target = path;
    struct stat lst;
    bool isLink = ::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
    if (isLink && options.followLink) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            target = resolved;
        }
    }
    struct stat st;
    // A link that is itself replaced passes on nothing of its target.
    bool exists = !(isLink && !options.followLink) && ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (exists && st.st_nlink > 1) {
        return RewriteInPlace(target, data, st, options);
    }

    std::string dir = DirectoryOf(target);
    std::string tmp = target + ".XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        // A directory the caller cannot write (a kiosk home) still lets a
        // writable file be rewritten where it is.
        if (exists && (err == EACCES || err == EPERM || err == EROFS) &&
            ::access(target.c_str(), W_OK) == 0) {
            return RewriteInPlace(target, data, st, options);
        }
        return err;
    }
    mode_t mode;
    if (options.forceMode) {
        mode = *options.forceMode;
    } else if (exists) {
        mode = st.st_mode & 07777;
    } else if (options.newMode) {
        mode = *options.newMode;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (exists) {
        // Only root (or the owner, for the group) may do this; a refusal keeps ours.
        (void)::fchown(fd, st.st_uid, st.st_gid);
    }
    (void)::fchmod(fd, mode);
    bool ok = WriteAll(fd, data.data(), data.size());
    int err = ok ? 0 : errno;
    if (::fsync(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return err ? err : EIO;
    }
    SyncDirectory(dir);
    if (options.syncAll) {
        ::sync();
    }
    return 0;
}

}  // namespace suite

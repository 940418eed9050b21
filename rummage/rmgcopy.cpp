#include "rummage/rmgcopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace rmg {

namespace {

// Bounded copy buffer and copy_file_range step: memory use does not grow
// with the file.
constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr std::size_t kCopyRangeStep = std::size_t{32} << 20;
// Within a big file the progress window is given its events this often, so
// it keeps drawing and a Cancel click is noticed.
constexpr off_t kKeepAliveBytes = off_t{16} << 20;

class RangeCopier {
  public:
    RangeCopier(int in, int out, const CopyStep& step) : in_(in), out_(out), step_(step) {}

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
                    if (!Copied(n)) {
                        error = {ECANCELED, false};
                        return false;
                    }
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
            if (!Copied(n)) {
                error = {ECANCELED, false};
                return false;
            }
        }
        reached = pos;
        return true;
    }

  private:
    // False when the operation is to stop inside this file.
    bool Copied(off_t n) {
        sinceAlive_ += n;
        if (sinceAlive_ >= kKeepAliveBytes) {
            sinceAlive_ = 0;
            return !step_ || step_();
        }
        return true;
    }

    int in_;
    int out_;
    const CopyStep& step_;
    bool useRange_ = true;
    off_t sinceAlive_ = 0;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace

bool CopyContent(int in, int out, off_t size, CopyError& error, const CopyStep& step) {
    RangeCopier copier(in, out, step);
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

}  // namespace rmg

// Copying one file's bytes: in the kernel where it can (copy_file_range),
// through one bounded buffer where it cannot, holes kept.  Memory use does
// not grow with the file.
#pragma once

#include <sys/types.h>

#include <functional>

namespace rmg {

struct CopyError {
    int err = 0;
    bool onRead = false;  // the source failed, not the target
};

// Called every few megabytes of a file; false stops the copy there, which
// then fails with ECANCELED.
using CopyStep = std::function<bool()>;

// Copies the content of `in` (a regular file of `size` bytes) into `out`.
// Holes stay holes; data past `size` (a growing file, or a pseudo-file that
// reports no size) is copied too.
bool CopyContent(int in, int out, off_t size, CopyError& error, const CopyStep& step = {});

}  // namespace rmg

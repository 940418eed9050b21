// Whole-file reading and crash-safe replacing, shared by every program that
// keeps its settings in files.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace suite {

struct ReplaceOptions {
    // Mode for a file that does not exist yet; an existing file keeps its own.
    // Unset: 0666 less the umask.
    std::optional<mode_t> newMode;
    // Force this mode even on an existing file (secrets must never stay readable).
    std::optional<mode_t> forceMode;
    // Flush the whole system afterwards, as the old writers did with sync().
    bool syncAll = false;
    // A symbolic link at `path` is normally followed and its target replaced;
    // false replaces the link itself with the new file (the target is never written).
    bool followLink = true;
};

// Replaces the contents of `path` with `data` so that a crash, a full disk or a
// short write never leaves a cut file: new content beside it, fsync, rename over
// it, directory synced. The old file's mode, owner and group are kept where the
// caller may set them. A link is followed and its target replaced; a file that
// must keep its identity (more than one hard link) or that sits in a directory
// the caller cannot write is rewritten in place after checking the space.
// Returns 0, or an errno value; on failure the old file is untouched.
int ReplaceFile(const std::string& path, const std::string& data, const ReplaceOptions& options = {});

// Reads a whole file. Returns 0, or an errno value (ENOENT for a missing file).
int ReadWholeFile(const std::string& path, std::string& out);

// write(2) until done or a real error.
bool WriteAll(int fd, const char* data, std::size_t len);

}  // namespace suite

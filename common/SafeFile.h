// Whole-file reading and crash-safe replacing, shared by every program that
// keeps its settings in files.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace suite {

struct ReplaceOptions {
    // Mode for a file that does not exist yet; an existing file keeps its own.
    // Unset: 0666 less the umask.
    std::optional<mode_t> newMode;
    // Force this mode even on an existing file (secrets must never stay readable).
    std::optional<mode_t> forceMode;
    // A symbolic link at `path` is normally followed and its target replaced;
    // false replaces the link itself with the new file (the target is never written).
    bool followLink = true;
};

// Replaces the contents of `path` with `data`.
//
// An existing file is replaced only when the caller could open it for
// writing (the kernel's own check: a file the caller may not write is
// refused with its errno even in a writable directory).
//
// Normally the new content is written beside the file, flushed, and renamed
// over it; mode, owner, group and extended attributes are carried over, and
// the directory is flushed.  Any failure or a crash leaves the old file
// whole (at worst a "<name>.XXXXXX" file beside it).
//
// A file that must keep its identity (more than one hard link, an owner or
// attributes the caller cannot give a new file, a directory the caller
// cannot write) is rewritten in place: the space is reserved first, then
// the new bytes are written over the old from the start and the file is cut
// to the new length only after that.  A failure before the first byte is
// written leaves the old file; after it, and after a crash during the
// write, the file holds the new content's beginning followed by the old
// content's rest: never an empty file and never shorter than the shorter
// of the two.  Where the directory allows, a flushed copy of the new
// content is made beside the file first; it is removed once the file is
// whole and left there, the one complete copy, when the rewrite fails.
//
// A link is followed (see `followLink`).  Returns 0 or an errno value.
int ReplaceFile(const std::string& path, const std::string& data,
                const ReplaceOptions& options = {});

// Reads a whole file. Returns 0, or an errno value (ENOENT for a missing file).
int ReadWholeFile(const std::string& path, std::string& out);

// write(2) until done or a real error.
bool WriteAll(int fd, const char* data, std::size_t len);

// ---- the pieces, for callers that place several files at once -----------

// Opens the existing `path` for writing without following a link, exactly
// as a write to it would be allowed, and fills `st`.  The descriptor, or -1
// with errno set.
int OpenToReplace(const std::string& path, struct stat& st);

// Gives the new file `out` what a rename over the old file would otherwise
// lose: owner, group and extended attributes.  False when the caller
// cannot give them; the old file must then be rewritten in place.
bool TakeOverAttributes(int oldFd, const struct stat& old, int out);

// Copies the extended attributes of `from` to `out`; false on a failure
// other than a file system without them.
bool CopyXattrs(int from, int out);

// Rewrites the open regular file `fd` (whose state is `old`) in place as
// ReplaceFile describes.  Closes nothing.  0 or an errno value.
int RewriteInPlace(int fd, const struct stat& old, const std::string& data,
                   const std::optional<mode_t>& forceMode = {});

void SyncDirectory(const std::string& dir);
// The file a replacement of `path` writes: a link's target when followed.
std::string TargetOf(const std::string& path, bool followLink = true);
std::string DirectoryOf(const std::string& path);

// A replacement written and flushed beside its file, not yet in place.
struct StagedFile {
    std::string target;    // the file replaced (a followed link's target)
    std::string beside;    // the flushed new content
    bool inPlace = false;  // the target keeps its identity: copied over, not renamed
};

// Writes `data` beside `path` under `path` + `tag` + six random characters,
// with the mode, owner and attributes the replacement must have, and
// flushes it.  Needs a directory the caller can write.  0 or an errno value
// (the old file refused as ReplaceFile refuses it).
int StageFile(const std::string& path, const std::string& data, const ReplaceOptions& options,
              const std::string& tag, StagedFile& staged);
// Renames the staged file over its target, or copies it into the target in
// place and removes it; the directory is flushed.  0 or an errno value.
int PlaceStaged(const StagedFile& staged, const std::optional<mode_t>& forceMode = {});
void DropStaged(const StagedFile& staged);

// ---- several files of one directory, all or none -----------------------

// One file of a set: new content, or none to remove the file.
struct SetChange {
    std::string name;  // a name inside the directory
    std::optional<std::string> data;
};

// Says which names of the directory belong to the set (its files may be
// replaced or removed by a record); never one with a "/".
using SetMember = std::function<bool(const std::string& name)>;

// Saves every change so that a failure or a crash at any step leaves,
// once RecoverFileSet has run, either every old file or every new one.
// Every new file is written beside its old one and flushed; then the
// record `record` listing the renames is written atomically (the set is
// committed); then the files are renamed (or, for a file with several
// links, copied in place) and removed; then the record goes.  A single
// rename needs no record.  A record left by an earlier save is finished
// first.  0 or an errno value; after a failure past the commit the record
// stays, so the next save or load finishes the set.
int ReplaceFileSet(const std::string& dir, const std::vector<SetChange>& changes,
                   const std::string& record, const SetMember& member);

// Finishes a committed set whose record is in `dir` and removes the beside
// files of one that was never committed.  0, or an errno value when a
// committed set could not be finished (its files are then mixed).
int RecoverFileSet(const std::string& dir, const std::string& record, const SetMember& member);

// ---- fault injection for tests ------------------------------------------

// Called before every step of the writers above that changes something on
// disk; a non-zero return fails that step with the value as errno.  Tests
// count the steps and fail, or end the process, at each in turn.
void SetFaultHook(std::function<int()> hook);
int FaultPoint();

}  // namespace suite

// The library every Tunewell file is read, edited and written through, used by
// the setup modules (TwConfig, TwNetwork, TwDialup, TwTime), never the windows:
// shell-variable, resolver, hosts, PPP peer and clock files.
//
// Writes are crash-safe: new content beside the file, fsync, rename over it,
// old mode and owner kept; on failure the old file stays and "Failed to write
// following file." is shown.  An empty text is written as an empty file, and
// an empty file reads as empty.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw {

// Separator bits of a composed line: key, [' '], ['\t'], ['='], ['"'] value ['"'], '\n'.
inline constexpr int SEP_SPACE = 1;
inline constexpr int SEP_EQUAL = 2;
inline constexpr int SEP_QUOTE = 4;
inline constexpr int SEP_TAB = 8;

// Longest line a reader looks at; a longer line never matches a key.
inline constexpr std::size_t kTwLineMax = 2047;

// The lines of `text` a reader looks at, without their newlines: every line
// longer than kTwLineMax is left out.
std::vector<std::string> TwReadableLines(const std::string& text);

// The tool-configuration directory (ending in "/"): missing directories of a
// written path below it are created (0755).  Set by InitializeWYConfig.
void SetTwTreeRoot(const std::string& configDir);

// Whole file into `text`.  A missing file is an empty text (0).  Failure:
// TW_FAILED after showing TW_FILE_OPEN / TW_FILE_READ when `showErrors`.
int TwReadFile(const std::string& path, std::string& text, bool showErrors);

// Mode every file that holds a key or password gets, whatever the umask and
// whoever wrote it before (wireless.opts and the secrets files: 0600).
std::optional<mode_t> SecretFileMode(const std::string& path);

// Replaces the file with `text`.  `forceMode` (or the secret mode above) sets
// the mode even of an existing file; otherwise an existing file keeps its mode
// and a new one gets 0644.  0 or TW_FAILED (shown when asked: TW_FILE_OPEN when
// the file could not be made or opened, TW_FILE_WRITE when writing failed).
int TwWriteFile(const std::string& path, const std::string& text, bool showErrors,
                std::optional<mode_t> forceMode = std::nullopt);

// Value of the first key line for `key`; it must be non-empty and shorter than
// `capacity`.  `value` is left untouched on failure.  Failure: TW_FAILED, with
// "Failed in acquisition of the value from a file." (file and key) or the open
// error shown when `showErrors`.
int GetConfiguration(const std::string& path, const std::string& key, std::string& value,
                     std::size_t capacity, bool showErrors);

// Replaces the first key line (duplicates removed) with the composed line, or
// appends it.  TW_FAILED without a message for an empty path, key or value
// (an empty value is allowed when `allowEmpty`, which the writers of empty
// shell variables use).
int SetConfiguration(const std::string& path, const std::string& key, const std::string& value,
                     int separatorBits, bool showErrors, bool allowEmpty = false);

// Replaces line `row` (1-based) with `text` + newline, or appends it.
// Empty `text`: nothing changes.  Always shows errors.
int SetConfigurationRow(const std::string& path, const std::string& text, int row);

// Removes the first key line (leading blanks allowed).  No key line: no write.
int DeleteConfiguration(const std::string& path, const std::string& key, bool showErrors);

// Removes the first line that begins in column 1 with `key` and a separator.
// Always shows errors.
int DeleteRow(const std::string& path, const std::string& key);

// Strips trailing '"', ' ', '\n', '\r', '\t' and '\\' in place.
void DeleteBackChar(std::string& text);

// Composes "key<separators>value<quote>\n".
std::string ComposeLine(const std::string& key, const std::string& value, int separatorBits);

// The tree's lock file: "<configDir>.tunewell.lock", 0600, owned by root.
std::string TwTreeLockPath(const std::string& configDir);

// Called about every 50 ms while a lock is awaited (the window layer keeps
// itself drawn); empty by default.
void SetTwLockWait(std::function<void()> whileWaiting);

// Holds an exclusive lock on the configuration tree while it lives, so two
// Tunewells (one started by the dialer) never interleave their writes.  Waits
// at most `timeoutMs`; then error() is TW_FILE_BUSY.  A lock file that cannot
// be opened, is not a plain file or is not the caller's gives TW_FILE_OPEN.
class TwTreeLock {
  public:
    static constexpr int kDefaultTimeoutMs = 5000;
    explicit TwTreeLock(const std::string& configDir, int timeoutMs = kDefaultTimeoutMs);
    ~TwTreeLock();
    TwTreeLock(const TwTreeLock&) = delete;
    TwTreeLock& operator=(const TwTreeLock&) = delete;
    bool locked() const { return fd_ >= 0; }
    int error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace tw

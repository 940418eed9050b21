// Path, size and file-type utilities, and opening a file the way a
// double-click in the list does.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"

namespace rmg {

// File-type codes; also the index of GTable::Color (FIFO uses colour 2).
inline constexpr int FILETYPE_DIRECTORY = 0;
inline constexpr int FILETYPE_EXECUTABLE = 1;
inline constexpr int FILETYPE_NORMAL = 2;
inline constexpr int FILETYPE_CORE = 3;
inline constexpr int FILETYPE_LINK = 4;
inline constexpr int FILETYPE_BROKEN_LINK = 5;
inline constexpr int FILETYPE_SOCKET = 6;
inline constexpr int FILETYPE_DEVICE = 7;
inline constexpr int FILETYPE_FIFO = 8;

// Path check codes of CheckFileExist; FileExistText gives the message.
inline constexpr int PATH_TOO_SHORT = 0;
inline constexpr int PATH_TOO_LONG = 1;
inline constexpr int PATH_OUTSIDE_HOME = 2;
inline constexpr int PATH_INACCURATE = 3;
inline constexpr int PATH_NO_PARENT = 4;
inline constexpr int PATH_NOT_EXIST = 5;
inline constexpr int PATH_DIR_EXISTS = 6;
inline constexpr int PATH_FILE_EXISTS = 7;
inline constexpr int PATH_INTERNAL_ERROR = 8;

// Untranslated message for a path check code (codes out of range give the
// text of 8); callers pass it through _().
const char* FileExistText(int code);

// First occurrence of `c` at or after `text`, stepping over two-byte
// characters (a byte with the high bit set and the byte after it) as units.
// Null when not found, `text` null or empty, or `c` is NUL.
const char* CharNext(const char* text, char c);
char* CharNext(char* text, char c);

// 0 when `path` is HomeDir, HomeDir without its final "/", or lies below
// it; 1 otherwise (also null).  The second form takes the home explicitly.
int CheckChildDirectory(const char* path);
int CheckChildDirectory(const char* path, const std::string& home);

// Up to and including the last "/" that has a character after it:
// "/a/b/c/" and "/a/b/c" give "/a/b/", "/" gives "/".  Empty for none.
std::string GetParentDirectory(const std::string& path);

// The last component without a final "/": "/a/b/c/" gives "c"; "/" gives
// empty (none).
std::string GetLastPath(const std::string& path);

// `path` without one final "/" ("/" itself stays), and with one.
std::string StripSlash(const std::string& path);
std::string WithSlash(const std::string& path);

// File-name bytes as UTF-8 for the windows; bytes that are not valid in the
// file-name encoding are shown escaped.
std::string DisplayName(const std::string& bytes);

// Fills the "%s" places of a translated text in order with `args`; a "%s"
// beyond the arguments stays as it is.
std::string FillText(const char* format, std::initializer_list<std::string> args);

// The path's own status (links not followed) says directory.
bool IsDirectory(const char* path);
inline bool IsDirectory(const std::string& path) {
    return IsDirectory(path.c_str());
}

// "0KByte", "0.5KByte", "1.5MByte", ...  64-bit so sizes of 4 GiB and more
// come out right.
std::string ConvertSize(std::uint64_t size);

// 1 when an entry named `name` is listed under the display flags of
// *pGTable (ShowBackup, ShowHidden), 0 when hidden.
int CheckFileName(const char* name);
int CheckFileName(const char* name, int showBackup, int showHidden);

// Command for the extension of `path` from pGTable->ExtensionInfo (case
// ignored), or empty.
std::string GetCompatibleAP(const char* path);

// File-type code of `path`, whose status was taken with lstat.  Relative
// link targets are taken against pGTable->CurrentDir.
int GetFileType(const char* path, const struct stat& st);
// The same for the entry `name` of the open directory `dirFd`, for a caller
// that types a whole directory: no path is built, a relative link target is
// taken against that directory, and the process's `uid` and `gid` are asked
// for once by the caller rather than once per entry.
int GetFileTypeAt(int dirFd, const char* name, const struct stat& st, uid_t uid, gid_t gid);

// Checks and rewrites `path` (resolved, absolute); returns a path check
// code.  The char* form expects a kPathBufferSize buffer or null.
int CheckFileExist(std::string& path);
int CheckFileExist(char* path);

// "Execute %s ?" question when pGTable->ConfilmExec is set; RESULT_YES
// when it is not set or the user says Yes, else RESULT_NO.
int ConfilmExec(UserInterface& ui, const std::string& command);

// Starts `path` with at most one argument (null: none).  The default goes
// through the double fork with the fixed browser.
using StartProgram = std::function<pid_t(const char* path, const char* argument)>;
pid_t DefaultStartProgram(const char* path, const char* argument);

// Opens what `path` names: a directory in the tree (ui.OpenChildTree), an
// executable after ConfilmExec, or a document with its associated command
// (or one picked with ui.SelectApplication).  Paths outside HomeDir give
// the "cannot be operated" error; other failures are silent.  `start`
// defaults to DefaultStartProgram.
void ExecApplication(const char* path, UserInterface& ui, const StartProgram& start = {});

}  // namespace rmg

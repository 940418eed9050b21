// The file operation engine: creating directory chains, deleting, copying
// and moving files and trees, and the progress accounting of a running
// operation.  Synchronous; runs on the GUI thread and talks to the user only
// through the UserInterface set with SetFileOpUi.
//
// Copy and move functions take the destination first and the source second.
// A directory path handed in ends in "/".  Symbolic links are never
// followed.  Results: 0 done (or passed over quietly), RESULT_YES item left
// in place after Skip/No, RESULT_NO stop the whole operation, -1 a required
// path was missing.
//
// Running one operation:
//   int decided = 0;                      // or: int answer = RESULT_NO;
//   SetupProgress(items, OP_COPY);
//   for (item : items) if (CopyFile(dest, item, &decided) == RESULT_NO) {
//       DestroyProgress(); break; }
//   EndProgress();
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <string>
#include <vector>

#include "rummage/rmgui.h"

namespace rmg {

// One entry of an operation's item list: an absolute path, ending in "/"
// for a directory.
using FileOperationItem = std::string;

// Where the engine's questions, error boxes and progress steps go.  The
// window layer sets its implementation once at start.  Null (the default)
// acts as boxes that could not be built: a message box answers with its
// first button, the delete question with Cancel; no progress window.
void SetFileOpUi(UserInterface* ui);
UserInterface* GetFileOpUi();

// Creates every missing directory of `path` that is followed by a "/"
// (mode 0775); a non-directory in the way is removed first.  0, -1 for an
// empty path, RESULT_NO after a creation error (box shown) or Cancel,
// RESULT_YES after Skip in the box about what stood in the way.
int CreateDirectoryEx(const std::string& path);

// Removes one name (file, link or empty directory).  With `count` non-zero
// a removed non-directory advances the progress.  0, RESULT_YES (Skip in
// the error box), RESULT_NO (Cancel), or what UpdateProgress returned.
int RemoveFileInternal(const std::string& path, int count);

// Deletes a file, link or whole tree.  `deleteAnswer` holds RESULT_NO
// ("ask") or the answer already given to the delete question.
int RemoveFile(const std::string& path, int* deleteAnswer);

// Skip/Cancel error box for copy (OP_COPY) or move (other kinds) naming
// `path` with the system's text for `err`.  RESULT_NO on Cancel, else the
// result of UpdateProgress.
int FileErrorMessage(int kind, const std::string& path, int err = errno);

// Target for copying or moving `src` to the destination the user named:
// inside `dst` when that is an existing directory, else `dst` itself; one
// trailing "/" removed.
std::string ProofDstPath(const std::string& dst, const std::string& src);

// 0 to go on; RESULT_NO when `target` is the source itself (quietly) or lies
// inside the source directory (error box).
int CheckSrcSubDirectory(const std::string& target, const std::string& src, mode_t srcMode);

// Copies one non-directory (link as link, regular file by content, other
// kinds as an empty file) to `target`, replacing what is there only once
// the new copy is complete.
int CopyFileInternal(const std::string& target, const std::string& src);

// Copies `src` (file or tree) to `dst`.  `overwriteDecided` is zeroed by the
// caller once per operation.
int CopyFile(const std::string& dst, const std::string& src, int* overwriteDecided);

// Renames `src` to `target`, replacing what is there.
int MoveFileInternal(const std::string& target, const std::string& src);

// Moves `src` (file or tree) to `dst`; an existing directory of the same
// name is merged into.
int MoveFile(const std::string& dst, const std::string& src, int* overwriteDecided);

// Adds the number of non-directories at or below `path` to the progress
// total.
void CountOperationFile(const std::string& path);

// Progress of one operation.  Nothing happens when `items` is empty or
// ShowProgress is off; otherwise the window is opened and the items are
// counted.
void SetupProgress(const std::vector<FileOperationItem>& items, int kind);

// One file done.  0, or RESULT_NO the first time a Cancel click is noticed.
int UpdateProgress();

// Ends an operation: flushes what it wrote to disk, completes the progress
// and closes the window.  Call it once after every operation.
void EndProgress();

// Closes the window at once (after an operation stopped), or raises it.
void DestroyProgress();
void RaiseProgress();

// Whether the progress window of the running operation is open.
bool ProgressWindowOpen();

// Whether an operation runs (between SetupProgress and EndProgress).
bool OperationRunning();

// Asks the running operation to stop, as when the window closes: every
// later step reports a cancel and every box answers No or Cancel.  A file
// being rewritten in place is finished first.  Nothing when none runs.
void RequestOperationStop();

// Removes the half-built copy beside a target, if one is being written; for
// a program that has to end in the middle of an operation.
void RemovePartialFile();

}  // namespace rmg

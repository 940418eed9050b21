// File menu commands and the pieces they share: the list of selected items
// with its description, and the Copy/Move pop-up shown on a drop.
#pragma once

#include <string>
#include <vector>

#include "rummage/rmgcommands.h"

namespace rmg {

// Reads the selection of the main window's list and tree.
void ReadSelectionSource(SelectionSource& source);

// The same, read from the main window's list and tree.
int GetFileOperationString(std::vector<std::string>& items, std::string* description);

// Copy/Move pop-up at the pointer, in a nested main loop: 1 Copy, 2 Move,
// 0 dismissed, RESULT_CREATE_FAILED when it could not be built.
int CreateFileOperationPopup();

void on_Menu_NewDirectory_activate();
void on_Menu_NewFile_activate();
void on_Menu_Open_activate();
void on_Menu_Copy_activate();
void on_Menu_Move_activate();
void on_Menu_Delete_activate();
void on_Menu_Property_activate();

class DialogWindow;

// The destination dialog of New directory, New file, Copy and Move.  `out`
// receives the checked, absolute path.  RESULT_YES, RESULT_NO (Cancel),
// RESULT_BAD_ARGUMENT without `out`; the dialog is gone on return.
int CreateFileOperationDlg(DialogWindow** dialog, int kind, const std::string* description,
                           std::string* out);

// Copy or move of the selection (OP_COPY, OP_MOVE).
void FileOperation(int kind);

// The property dialog of the first selected item.  0 after it ran,
// RESULT_BAD_ARGUMENT when there is nothing to show.
int CreatePropertyDlg(DialogWindow** dialog);

}  // namespace rmg

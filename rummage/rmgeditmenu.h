// Edit menu commands: selecting rows all at once, by pattern or inverted,
// finding files with the result window, and making a symbolic link.
#pragma once

#include <string>

#include "rummage/rmgdialog.h"

namespace rmg {

// Builds and runs a dialog; 0 after it ran (the dialog is gone),
// RESULT_BAD_ARGUMENT without a pointer, RESULT_CREATE_FAILED with the
// half-built dialog left in *dialog.
int CreateSelectFilesDlg(DialogWindow** dialog);
int CreateFindFilesDlg(DialogWindow** dialog);
int CreateSymbolicLinkDlg(DialogWindow** dialog);

// The result window of one search of `start` (absolute, ends in "/"),
// shown while the search runs.  RESULT_YES (OK or closed),
// RESULT_SHOW_DIRECTORY or RESULT_SEARCH_AGAIN.
int CreateFindResultDlg(DialogWindow** dialog, Gtk::Window* findDialog, const std::string& start,
                        const std::string& startText, const std::string& pattern, bool recursive);

// Handlers of the menu (declared with the menu bar too).
void on_Menu_SelectAll_activate();
void on_Menu_SelectFiles_activate();
void on_Menu_Invert_Selection_activate();
void on_Menu_FindFile_activate();
void on_Menu_SymbolicLink_activate();

}  // namespace rmg

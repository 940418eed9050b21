// Pickers that fill a text field: a file, a directory (on the directory
// tree), an application (from the known applications).
#pragma once

#include <gtkmm.h>

#include <string>

#include "rummage/rmgdialog.h"

namespace rmg {

// File picker "Select File", starting in $HOME; OK puts the chosen file into
// `target`, Cancel or closing leaves it.
void on_FileBrowseButton_clicked(Gtk::Entry* target);

// Directory picker for `target`'s entry.  Destroys what a failed build
// leaves behind.
void on_DirBrowseButton_clicked(Gtk::ComboBoxText* target);

// Builds and runs "Select directory".  0 after it ran (the dialog is gone and
// *dialog is null); RESULT_BAD_ARGUMENT for a missing argument;
// RESULT_CREATE_FAILED with the half-built dialog left in *dialog for the
// caller to delete.  OK with a selected directory writes it (ending in "/")
// into the target entry and puts it at the front of pGTable->DirHistory.
int CreateSelectDirDlg(DialogWindow** dialog, Gtk::ComboBoxText* target);

// Application picker over pGTable->ApplicationInfo.  OK with a selected
// name puts that application's command into `command`.  0 at once, showing
// nothing, when no application is known; otherwise the same convention as
// CreateSelectDirDlg.
int SelectAppDlg(DialogWindow** dialog, std::string* command);

}  // namespace rmg

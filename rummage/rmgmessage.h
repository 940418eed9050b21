// The file manager's blocking questions: the general message box, the
// delete question, the path-check error box, and the Browse button that
// opens a picker.
#pragma once

#include <gtkmm.h>

#include <string>

#include "rummage/rmgui.h"

namespace rmg {

// Style word: one MB_ICON_* plus one MB_* button set (unknown values give
// the stop icon and a single OK).  RESULT_YES for the first button,
// RESULT_NO for the second; closing the window answers the last button and
// Return answers it too.  1 when the box could not be built.
int MessageBox(const std::string& title, const std::string& text, int style);

// "Delete - <path>" with Yes / No / Cancel and "Do the same for the rest".
// RESULT_YES, RESULT_YES_ALL (Yes with the tick), RESULT_NO or RESULT_CANCEL
// (Cancel, closing, or no path).  `parent` (may be null) is insensitive
// while it runs.
int DeleteMessageBox(Gtk::Window* parent, const std::string& path);

// Error box ("Error", OK, stop icon) with the path-check text of `code`.
// When both `entry` and `path` are given, the entry takes the focus with its
// whole text selected first, so the user can retype it.
void FileExistMessageBox(int code, Gtk::Entry* entry, const char* path);

// "Browse..." packed at the start of `box`.  With `directory` it opens the
// directory picker for `target` (a Gtk::ComboBoxText with an entry),
// otherwise the file picker for `target` (a Gtk::Entry).  Null when
// arguments are missing.
Gtk::Button* CreateBrowseButton(Gtk::Box* box, Gtk::Widget* target, bool directory);

}  // namespace rmg

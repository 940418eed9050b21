// The progress window of a running copy, move or delete: a label naming the
// operation, a bar with its percentage and Cancel.  It is neither modal nor
// grabbing; the operation runs on the GUI thread and lets events through
// each time the bar moves.  The file counting lives with the engine.
#pragma once

#include <gtkmm.h>

namespace rmg {

// Builds and shows the window for an OP_* kind (drawn before it returns) and
// clears the cancel flag.  Also kept in pGTable->ProgressDlg / ProgressBar
// when the table exists.  An earlier window is closed first.
Gtk::Window* CreateProgressDlg(int kind);
// Raises the window, sets the bar (clamped to 0..1 for display) and lets
// pending events through without blocking, which may deliver a Cancel
// click.  Nothing without a window.
void SetProgressFraction(double fraction);
void RaiseProgressDlg();
// Closes the window at once (nothing when there is none).
void DestroyProgressDlg();
// Cancel, or closing the window: sets the flag (and pGTable->ProgressCancel).
void on_ProgressCancelButton_clicked();
// Whether Cancel was clicked since the window was created.
bool ProgressCancelClicked();
// The window, or null.
Gtk::Window* GetProgressDlg();
Gtk::ProgressBar* GetProgressBar();

}  // namespace rmg

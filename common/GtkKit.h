// What every window program does the same way: the modal run of a dialog
// and the one application style sheet.
#pragma once

#include <gtkmm.h>

namespace suite {

// Shows `window`, grabs input and runs `loop` until it is quit or the window
// is hidden; then releases the grab and hides the window (the caller owns
// it).  Callers keep `loop` on their own stack so they can end it early.
void RunModalLoop(Gtk::Window& window, const Glib::RefPtr<Glib::MainLoop>& loop);

// Adds `css` to the default screen at application priority, once per text
// for the life of the process.  Nothing happens without a screen; a sheet
// GTK refuses is warned about and not tried again.
void InstallStyleSheet(const char* css);

}  // namespace suite

// Widget makers with absolute placement, and the program's main loop with
// the nested loops its modal windows run in.
#pragma once

#include <gtkmm.h>

#include <string>

namespace ro {

// A top-level window of `width` x `height`, titled `title`, not resizable.
// Null (after the warning "Window Widget create failed.") when it cannot be
// made.
Gtk::Window* CreateWindow(const Glib::ustring& title, int width, int height);
// The fixed container that fills `window`.
Gtk::Fixed* CreateFixed(Gtk::Container* window);
// Children of a fixed container at (x, y), sized width x height.  Each is
// shown and named for assistive tools by its text.
Gtk::Button* CreateButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                          int height);
Gtk::Label* CreateLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                        int height);
Gtk::Image* CreatePixmap(Gtk::Fixed* fixed, const Glib::RefPtr<Gdk::Pixbuf>& picture,
                         const Glib::ustring& name, int x, int y, int width, int height);
// Centres `window` on the screen, or puts it at (x, y) when x >= 0.
void SetupPosition(Gtk::Window* window, int x = -1, int y = -1);

// Hides `window` now and frees it once the current handler has returned.
void DestroyLater(Gtk::Window* window);

// The program's loop; returns when QuitMainLoop is called.  Starts no loop
// once EndAllLoops was called.
void RunMainLoop();
// Ends the program's loop if it runs (nested loops end first).
void QuitMainLoop();
bool MainLoopRunning();
// Shows `window` with the input grab and runs a nested loop until the
// window is hidden; releases the grab.  The caller owns the window.  Shows
// nothing once EndAllLoops was called.
void RunModal(Gtk::Window* window);
// The program is ending: every loop, nested ones first, returns, and no new
// one starts until ResetLoops.
void EndAllLoops();
bool LoopsEnding();
void ResetLoops();

}  // namespace ro

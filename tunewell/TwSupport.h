// What the Tunewell windows add to the suite's kit (common/GtkKit): the
// style sheet that keeps the theme's padding from breaking fixed positions,
// rows of buttons that fit their captions, the address entry, and the window
// its dialogs stay above.
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

#include "common/GtkKit.h"

namespace tw {

// Loads the style sheet once per screen.  Widgets at fixed positions keep
// the sizes they are given only when the theme adds no padding of its own.
void InstallTwStyle();

// Makes `window` a fixed-size modal dialog, centred, titled and named
// `title`, with the style installed.
void SetUpTwDialog(Gtk::Window& window, const Glib::ustring& title, int width, int height);

// Buttons (radio buttons too) placed in a row by suite::PutButton or
// PutRadio, left to right, keep the positions and sizes they were given
// while their captions fit.  One whose caption, measured in the font it is drawn with,
// needs more room widens and moves its neighbours along, keeping the gaps:
// FitRowToRight keeps the row's right end and grows it leftwards, never
// past `left`; FitRowToLeft keeps the left end, never past `right`.  Where
// even that is too little, the row's captions are drawn smaller.
void FitRowToRight(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row, int left);
void FitRowToLeft(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row, int right);

// A four-part address entry ("a.b.c.d"): four entries of three characters
// with dots between them.  `name` prefixes the parts' accessible names.
struct AddressEntry {
    Gtk::Entry* part[4] = {nullptr, nullptr, nullptr, nullptr};
    void Set(const std::string& dotted);
    void SetSensitive(bool sensitive);
};
AddressEntry PutAddress(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y);

// Gives an entry the focus with its whole text selected.
void TwSetFocus(Gtk::Entry* entry);

// Runs `dialog` as suite::RunModalDialog does, above the innermost dialog,
// else `disable`, else the window SetDialogOwner named.
void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable);
// The window a dialog opened now stays above: the innermost dialog running,
// else `disable`, else the window SetDialogOwner named.
Gtk::Window* OwnerOfDialog(Gtk::Window* disable);
// The window a dialog stays above when no other dialog runs (the main
// window while it exists; null clears it).
void SetDialogOwner(Gtk::Window* window);

// Settings are bytes in the files; GTK shows UTF-8.  ToDisplay never fails
// (invalid bytes become replacement characters).
Glib::ustring ToDisplay(const std::string& bytes);
std::string FromDisplay(const Glib::ustring& text);

}  // namespace tw

// The kit the Tunewell windows are built from: widgets placed at fixed
// positions, the one application style sheet that keeps the theme's padding
// from breaking those positions, and the one way a dialog runs (modal, with
// a grab, in a nested main loop).
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

namespace tw {

// Loads the style sheet once per screen.  Widgets at fixed positions keep
// the sizes they are given only when the theme adds no padding of its own.
void InstallTwStyle();

// Widgets placed on a fixed container at (x, y).  A size of 0 keeps the
// natural size.  Each is shown and carries its text as accessible name.
Gtk::Label* PutLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width = 0,
                     int height = 0);
Gtk::Button* PutButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                       int height);
// `maxChars` caps the text in characters (0 = no cap); `hidden` shows
// bullets instead of the text.  `name` is the accessible name.
Gtk::Entry* PutEntry(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y, int width,
                     int maxChars, bool hidden = false);
// The first button of a group passes a null `group` member.
Gtk::RadioButton* PutRadio(Gtk::Fixed* fixed, Gtk::RadioButton* groupOf, const Glib::ustring& text,
                           int x, int y, int width = 0, int height = 0);
// A titled frame holding its own fixed container, which is returned.
Gtk::Fixed* PutFrame(Gtk::Fixed* fixed, const Glib::ustring& title, int x, int y, int width,
                     int height, Gtk::Frame** frame = nullptr);

// Buttons (radio buttons too) placed in a row by PutButton or PutRadio, left
// to right, keep the positions and sizes they were given while their
// captions fit.  One whose caption, measured in the font it is drawn with,
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

// Shows `dialog` above `owner`, makes `disable` (may be null) insensitive,
// grabs input and runs a nested loop until EndModalLoop or until the dialog
// is hidden; then releases the grab and hides the dialog (the caller owns
// it).  `disable` gets its earlier sensitivity back, unless it was destroyed
// meanwhile.
void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable);
// The window a dialog stays above when no other dialog runs (the main
// window while it exists; null clears it).
void SetDialogOwner(Gtk::Window* window);
// Ends the innermost dialog loop.
void EndModalLoop();
// Depth of running dialog loops (0 when none).
int ModalLoopDepth();
// The innermost dialog now running, or null.
Gtk::Window* InnermostDialog();
// A number that differs for every dialog run (0 when none runs), so that a
// window at the address of an earlier one is not taken for it.
unsigned long InnermostDialogSerial();

// Settings are bytes in the files; GTK shows UTF-8.  ToDisplay never fails
// (invalid bytes become replacement characters).
Glib::ustring ToDisplay(const std::string& bytes);
std::string FromDisplay(const Glib::ustring& text);

}  // namespace tw

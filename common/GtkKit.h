// What every window program does the same way: the modal run of a dialog,
// the message box, the application style sheet, and widgets placed at fixed
// positions.
#pragma once

#include <gtkmm.h>

#include <string>

namespace suite {

// Shows `window`, grabs input and runs `loop` until it is quit or the window
// is hidden; then releases the grab and hides the window (the caller owns
// it).  Callers keep `loop` on their own stack so they can end it early.
void RunModalLoop(Gtk::Window& window, const Glib::RefPtr<Glib::MainLoop>& loop);

// Dialogs run one inside another; the process keeps them on one stack,
// innermost last.
//
// Runs `dialog` as the new innermost dialog (RunModalLoop) until
// EndModalLoop, EndAllModalLoops or until it is hidden.  `disable` (may be
// null) is insensitive meanwhile and gets its earlier sensitivity back,
// unless it was destroyed meanwhile.  The dialog stays above `owner` (may be
// null) unless it already stays above a window.
void RunModalDialog(Gtk::Window& dialog, Gtk::Window* disable, Gtk::Window* owner);
// The window a new dialog stays above: the innermost dialog running, else
// `disable`, else `fallback`.
Gtk::Window* DialogOwner(Gtk::Window* disable, Gtk::Window* fallback);
// Ends the innermost dialog's run.
void EndModalLoop();
// Ends every dialog's run, innermost first.
void EndAllModalLoops();
// Dialogs now running (0 when none).
int ModalLoopDepth();
// The innermost dialog now running, or null.
Gtk::Window* InnermostDialog();
// A number that differs for every dialog run (0 when none runs), so that a
// window at the address of an earlier one is not taken for it.
unsigned long InnermostDialogSerial();

// What tells one program's message boxes from another's.
struct MessageBoxLook {
    int rowGap = 10;           // between the text and the buttons
    int rowInset = 0;          // the buttons' extra distance from the sides and bottom
    int captionPadding = 0;    // on each side of a button's caption
    bool iconCentred = false;  // else it stays at the top beside long text
};

// A modal, centred, fixed-size message box titled `title`: `icon` beside
// `text` (plain text, never markup), and at the right `first` and `second`
// (null for none), each 100 x 30.  The last button has the focus and is the
// default; closing the window answers as it.  Runs as RunModalDialog with
// `owner`.  0 for the first button, 1 for the second, -1 when the run ended
// without an answer.
int RunMessageBox(const Glib::ustring& title, const Glib::ustring& text,
                  const Glib::RefPtr<Gdk::Pixbuf>& icon, const char* first, const char* second,
                  Gtk::Window* owner, const MessageBoxLook& look);

// Adds `css` to the default screen at application priority, once per text
// for the life of the process.  Nothing happens without a screen; a sheet
// GTK refuses is warned about and not tried again.
void InstallStyleSheet(const char* css);
// Puts `css` on the default screen in place of the sheet `sheet` held (none
// at first); `sheet` then holds the new one.  Nothing happens without a
// screen; a sheet GTK refuses is warned about and the old one stays.
void ReplaceStyleSheet(Glib::RefPtr<Gtk::CssProvider>& sheet, const std::string& css);

// Fixed layouts: each widget is put on `fixed` (none when null) at (x, y),
// asks for width x height (a side of 0 keeps its natural size) and is shown.
void PutWidget(Gtk::Fixed* fixed, Gtk::Widget& widget, int x, int y, int width, int height);
template <typename W>
W* Put(Gtk::Fixed* fixed, W* widget, int x, int y, int width = 0, int height = 0) {
    PutWidget(fixed, *widget, x, y, width, height);
    return widget;
}
// Left-aligned and vertically centred.
Gtk::Label* PutLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width = 0,
                     int height = 0);
// Named for assistive tools by its caption; it may be made the default.
Gtk::Button* PutButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                       int height);
// `maxChars` caps the text in characters (0 = no cap); `hidden` shows
// bullets instead of the text.  `name` is the accessible name.
Gtk::Entry* PutEntry(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y, int width,
                     int height, int maxChars, bool hidden = false);
// Joins the group of `groupOf` (null for a group's first button); named by
// its caption.
Gtk::RadioButton* PutRadio(Gtk::Fixed* fixed, Gtk::RadioButton* groupOf, const Glib::ustring& text,
                           int x, int y, int width = 0, int height = 0);
// A titled frame, named by its title, holding its own fixed container,
// which is returned.
Gtk::Fixed* PutFrame(Gtk::Fixed* fixed, const Glib::ustring& title, int x, int y, int width,
                     int height, Gtk::Frame** frame = nullptr);
// A picture (empty when `picture` is null) named `name`.
Gtk::Image* PutImage(Gtk::Fixed* fixed, const Glib::RefPtr<Gdk::Pixbuf>& picture,
                     const Glib::ustring& name, int x, int y, int width, int height);
// The fixed container that fills `container`.
Gtk::Fixed* AddFixed(Gtk::Container& container);

}  // namespace suite

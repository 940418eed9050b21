// Window helpers of the launcher: the application style sheet, text
// conversion for display, texts fitted to fixed sizes, the dialog frame and
// the X stacking order.  Placement and modal runs come from common/GtkKit.
#pragma once

#include <gtkmm.h>

#include <string>

#include "common/GtkKit.h"

namespace wm {

// One 16-bit colour as the data model keeps it.
struct Rgb16 {
    unsigned short red = 0;
    unsigned short green = 0;
    unsigned short blue = 0;
};

// Colours and font the style sheet is built from.
struct BarStyle {
    Rgb16 toggleN{25 << 8, 129 << 8, 255 << 8};
    Rgb16 toggleA{99 << 8, 184 << 8, 255 << 8};
    Rgb16 stringN{};
    Rgb16 stringA{};
    std::string fontSet;
};

// The Pango font (as CSS) for an X font-set name: the first XLFD's family,
// pixel size (or point size), weight and slant; the name itself is kept
// unchanged in the data file.
struct CssFont {
    std::string family = "sans-serif";
    int pixels = 14;
    bool bold = false;
    bool italic = false;
};
CssFont FontFromFontSet(const std::string& fontSet);

// Installs (or replaces) the launcher's style sheet on the default screen:
// no theme padding or minimum sizes inside the bar and the item window, the
// base, toggle, face, text, item-base and scroll-zone styles as classes.
void InstallStyle(const BarStyle& style);

// Adds a style class.
void AddClass(Gtk::Widget& widget, const char* name);

// Names a widget for people using assistive tools and for the window tests.
void SetAccessibleName(Gtk::Widget& widget, const Glib::ustring& name);

// File names and data-file texts are bytes in the locale's encoding; GTK
// wants UTF-8.  ToDisplay never fails (undecodable bytes become '?');
// FromDisplay gives back the locale's bytes.
Glib::ustring ToDisplay(const std::string& bytes);
std::string FromDisplay(const Glib::ustring& text);

// An entry showing `bytes`; EntryBytes gives them back unchanged while the
// shown text is untouched, so a name or path the locale cannot decode is
// never replaced by its display form.  Typed text is converted.
void SetEntryBytes(Gtk::Entry& entry, const std::string& bytes);
std::string EntryBytes(Gtk::Entry& entry);

// Shows `text` in `label` at the label's own font, or at the largest
// smaller size whose text fits `width` pixels (and, when `height` is set,
// `height` pixels once wrapped): the fixed layouts keep their sizes with
// any face and language.
void SetFittedText(Gtk::Label& label, const Glib::ustring& text, int width, int height = 0);
// The same for a button's caption, inside the button's padding and border.
void FitButtonText(Gtk::Button& button, int width, int height);

// A fixed-size, centred, modal dialog window (not resizable).
Gtk::Window* CreateDialogWindow(const Glib::ustring& title, int width, int height);

// Raises (or lowers) a realised window in the X stack.
void RestackWindow(Gtk::Window& window, bool raise);

}  // namespace wm

// Built-in pictures of the file manager, turned into pixbufs.  Each returns a
// shared pixbuf made once on first use (null only if the compiled-in data is
// malformed).
#pragma once

#include <gdkmm/pixbuf.h>

namespace rmg {

// Message-box icons, 32x32.
Glib::RefPtr<Gdk::Pixbuf> InformationPixbuf();
Glib::RefPtr<Gdk::Pixbuf> QuestionPixbuf();
Glib::RefPtr<Gdk::Pixbuf> ExclamationPixbuf();
Glib::RefPtr<Gdk::Pixbuf> StopPixbuf();
Glib::RefPtr<Gdk::Pixbuf> DeletePixbuf();

// Toolbar pictures, 24x24 (made in rmgtoolbar.cpp).
Glib::RefPtr<Gdk::Pixbuf> BackPixbuf();
Glib::RefPtr<Gdk::Pixbuf> UpPixbuf();
Glib::RefPtr<Gdk::Pixbuf> FowardPixbuf();
Glib::RefPtr<Gdk::Pixbuf> RescanPixbuf();
Glib::RefPtr<Gdk::Pixbuf> HomePixbuf();
Glib::RefPtr<Gdk::Pixbuf> PropertyPixbuf();

// Folder pictures of the tree and list, 20x16 (made in rmgdirtree.cpp).
Glib::RefPtr<Gdk::Pixbuf> OpenFolderPixbuf();
Glib::RefPtr<Gdk::Pixbuf> ClosedFolderPixbuf();

}  // namespace rmg

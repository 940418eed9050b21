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

}  // namespace rmg

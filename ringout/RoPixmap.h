// The dialer's built-in pictures.
#pragma once

#include <gdkmm/pixbuf.h>

namespace ro {

// Message icons by kind (0 stop, 1 information, 2 question); null otherwise.
Glib::RefPtr<Gdk::Pixbuf> MessageIcon(int icon);
// The picture of the wait window, 48 x 42.
Glib::RefPtr<Gdk::Pixbuf> ConnectingPicture();

}  // namespace ro

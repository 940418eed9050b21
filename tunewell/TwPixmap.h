// Built-in pictures of Tunewell: the message-window icons and the four
// frames of the wait window's animation.  Each is decoded once and shared.
#pragma once

#include <gdkmm/pixbuf.h>

namespace tw {

Glib::RefPtr<Gdk::Pixbuf> InformationPixbuf();
Glib::RefPtr<Gdk::Pixbuf> QuestionPixbuf();
Glib::RefPtr<Gdk::Pixbuf> ExclamationPixbuf();
Glib::RefPtr<Gdk::Pixbuf> StopPixbuf();

inline constexpr int kWaitFrames = 4;
// Frame 0 to 3; null when `frame` is out of range or the data is bad.
Glib::RefPtr<Gdk::Pixbuf> WaitFramePixbuf(int frame);

}  // namespace tw

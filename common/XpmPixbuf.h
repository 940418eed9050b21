// Turns XPM images into pixbufs with their transparency.
#pragma once

#include <gdkmm/pixbuf.h>

#include <cstddef>
#include <string>

namespace suite {

// Null when the data is malformed (the reason goes to `error` if given).
Glib::RefPtr<Gdk::Pixbuf> PixbufFromXpmData(const char* const* data, std::size_t count,
                                            std::string* error = nullptr);

template <std::size_t N>
Glib::RefPtr<Gdk::Pixbuf> PixbufFromXpm(const char* const (&data)[N]) {
    return PixbufFromXpmData(data, N);
}

Glib::RefPtr<Gdk::Pixbuf> PixbufFromXpmFile(const std::string& path, std::string* error = nullptr);

}  // namespace suite

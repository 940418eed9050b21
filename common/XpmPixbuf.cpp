#include "common/XpmPixbuf.h"

#include <cstring>

#include "common/Xpm.h"

namespace suite {
namespace {

Glib::RefPtr<Gdk::Pixbuf> ToPixbuf(const XpmImage& image) {
    auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, image.width, image.height);
    if (!pixbuf) {
        return {};
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    guint8* dst = pixbuf->get_pixels();
    const int stride = pixbuf->get_rowstride();
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(dst + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                    image.rgba.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
    return pixbuf;
}

}  // namespace

Glib::RefPtr<Gdk::Pixbuf> PixbufFromXpmData(const char* const* data, std::size_t count,
                                            std::string* error) {
    XpmImage image;
    std::string why;
    if (!DecodeXpmData(data, count, image, why)) {
        if (error)
            *error = why;
        return {};
    }
    return ToPixbuf(image);
}

Glib::RefPtr<Gdk::Pixbuf> PixbufFromXpmFile(const std::string& path, std::string* error) {
    XpmImage image;
    std::string why;
    if (!LoadXpmFile(path, image, why)) {
        if (error)
            *error = why;
        return {};
    }
    return ToPixbuf(image);
}

}  // namespace suite

// The XPM decoder, on file text and on bare lines: malformed images are
// refused with a reason, accepted ones have exactly their pixels.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/Xpm.h"

namespace {

void Check(bool ok, const suite::XpmImage& image, const std::string& error) {
    if (!ok) {
        if (error.empty()) {
            std::abort();
        }
        return;
    }
    if (image.width <= 0 || image.height <= 0 || image.width > suite::kXpmMaxSide ||
        image.height > suite::kXpmMaxSide ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> quoted;
    std::string error;
    if (suite::SplitXpmText(text, quoted, error)) {
        std::vector<std::string_view> views(quoted.begin(), quoted.end());
        suite::XpmImage image;
        error.clear();
        Check(suite::DecodeXpm(views, image, error), image, error);
    }
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    suite::XpmImage image;
    error.clear();
    Check(suite::DecodeXpm(lines, image, error), image, error);
    return 0;
}

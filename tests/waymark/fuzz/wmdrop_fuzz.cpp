// Dropped data on arbitrary bytes, read as a plain text and as a URI list:
// whatever is accepted must be fit for the data file (no line breaks or
// other control bytes, a name of at most 20 bytes, a link within its limit).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "waymark/WmFile.h"
#include "waymark/WmText.h"

namespace {

void Check(const std::string& text) {
    const wm::DropText drop = wm::ParseDropText(text);
    if (drop.code != 0) {
        return;
    }
    if (wm::HasControlBytes(drop.link) || wm::HasControlBytes(drop.name) ||
        drop.name.size() > wm::kNameMax || drop.link.size() > wm::kLinkMax ||
        wm::CreateDisplayString(drop.name, 13).size() > 13) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    Check(input);
    Check(wm::UriListToDropText(input));
    return 0;
}

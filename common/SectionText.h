// The section rule of the suite's "[Section]" / "key=value" text files:
// Waymark's data files (WmFile) and Rummage's settings (rmgfiles) both find
// a section's header with it.
#pragma once

#include <cstring>
#include <string>

namespace suite {

// Where the first `header` that begins a line of `text` stands, or npos.  A
// header text inside a value (an item or a directory named "[Menu01]")
// must not be taken for the section.
inline std::size_t FindSectionHeader(const std::string& text, const char* header) {
    const std::size_t len = std::strlen(header);
    for (std::size_t pos = text.find(header, 0, len); pos != std::string::npos;
         pos = text.find(header, pos + 1, len)) {
        if (pos == 0 || text[pos - 1] == '\n') {
            return pos;
        }
    }
    return std::string::npos;
}

}  // namespace suite

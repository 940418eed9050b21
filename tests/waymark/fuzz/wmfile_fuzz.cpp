// The data-file reader on arbitrary text.  Input: Waymark.dat, then the user
// files, each after a line "====".  Whatever the reader accepts must be
// written as text the reader accepts again, and that text must be stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "waymark/WmFile.h"

namespace {

std::vector<std::string> Split(const std::string& input) {
    std::vector<std::string> parts;
    const std::string mark = "\n====\n";
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = input.find(mark, pos);
        // Files are read as C text: they end at the first NUL byte.
        std::string part =
            input.substr(pos, at == std::string::npos ? std::string::npos : at - pos);
        part.resize(part.find('\0') == std::string::npos ? part.size() : part.find('\0'));
        parts.push_back(part);
        if (at == std::string::npos || parts.size() > 21) {
            return parts;
        }
        pos = at + mark.size();
    }
}

bool Parse(const std::vector<std::string>& files, wm::NaviData& data) {
    data = wm::NaviData{};
    data.DataDir = "/nonexistent/";
    if (files[0].empty() || wm::ParseNaviText(data, files[0]) != 0) {
        return false;
    }
    for (int i = 0; i < data.UserCount; ++i) {
        const std::size_t n = static_cast<std::size_t>(i) + 1;
        if (n >= files.size() || files[n].empty() || wm::ParseUserText(data, files[n]) != 0) {
            return false;
        }
    }
    return true;
}

// The texts the writer would produce, or false when it refuses the model.
bool Build(const wm::NaviData& data, std::vector<std::string>& out) {
    out.assign(1, std::string());
    if (wm::BuildNaviText(data, out[0]) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < data.UserList.size(); ++i) {
        out.emplace_back();
        if (wm::BuildUserText(data, static_cast<int>(i), out.back()) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    wm::NaviData data;
    if (!Parse(Split(input), data)) {
        return 0;
    }
    if (data.UserCount < 0 || data.UserCount > wm::kMaxUsers ||
        (data.UserCount == 0) != (data.CurrentUser == -1)) {
        std::abort();
    }
    std::vector<std::string> first;
    if (!Build(data, first)) {
        // Only values the reader kept as they were can be refused: a read
        // model over its limits would be a reader fault.
        std::abort();
    }
    wm::NaviData again;
    std::vector<std::string> second;
    if (!Parse(first, again) || !Build(again, second) || first != second) {
        std::abort();
    }
    return 0;
}

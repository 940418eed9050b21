#include "common/Xpm.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_map>

namespace suite {
namespace {

struct NamedColour {
    const char* name;
    std::uint32_t rgb;
};

// The colour names seen in hand-drawn XPM images; anything rarer is black.
constexpr NamedColour kNamedColours[] = {
    {"black", 0x000000},       {"white", 0xffffff},     {"red", 0xff0000},
    {"green", 0x00ff00},       {"blue", 0x0000ff},      {"yellow", 0xffff00},
    {"cyan", 0x00ffff},        {"magenta", 0xff00ff},   {"gray", 0xbebebe},
    {"grey", 0xbebebe},        {"darkgray", 0xa9a9a9},  {"darkgrey", 0xa9a9a9},
    {"lightgray", 0xd3d3d3},   {"lightgrey", 0xd3d3d3}, {"dimgray", 0x696969},
    {"dimgrey", 0x696969},     {"orange", 0xffa500},    {"brown", 0xa52a2a},
    {"navy", 0x000080},        {"navyblue", 0x000080},  {"darkblue", 0x00008b},
    {"darkred", 0x8b0000},     {"darkgreen", 0x006400}, {"purple", 0xa020f0},
    {"pink", 0xffc0cb},        {"gold", 0xffd700},      {"maroon", 0xb03060},
    {"silver", 0xc0c0c0},      {"lightblue", 0xadd8e6}, {"skyblue", 0x87ceeb},
    {"steelblue", 0x4682b4},   {"darkcyan", 0x008b8b},  {"khaki", 0xf0e68c},
    {"beige", 0xf5f5dc},       {"salmon", 0xfa8072},    {"tan", 0xd2b48c},
    {"violet", 0xee82ee},      {"wheat", 0xf5deb3},     {"ivory", 0xfffff0},
    {"lightyellow", 0xffffe0}, {"gainsboro", 0xdcdcdc}, {"whitesmoke", 0xf5f5f5},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Lower(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (!IsBlank(c)) {
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads an unsigned decimal field; false when missing or out of range.
bool ReadNumber(std::string_view& s, long limit, long& out) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    const char* first = s.data();
    const char* last = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(first, last, out);
    if (ec != std::errc() || ptr == first || out < 0 || out > limit) {
        return false;
    }
    s.remove_prefix(static_cast<std::size_t>(ptr - first));
    return true;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i]))
            ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool IsColourKey(std::string_view w) {
    return w == "c" || w == "m" || w == "g" || w == "g4" || w == "s";
}

// Picks the best visual of a colour line's "key value" pairs: colour first.
bool ColourOfLine(std::string_view rest, std::uint32_t& rgba, std::string& error) {
    std::vector<std::string_view> words = Words(rest);
    std::array<std::string, 4> chosen;  // c, g, g4, m
    std::size_t i = 0;
    bool any = false;
    while (i < words.size()) {
        if (!IsColourKey(words[i])) {
            error = "colour line without a key";
            return false;
        }
        std::string_view key = words[i++];
        std::string value;
        while (i < words.size() && !IsColourKey(words[i])) {
            if (!value.empty())
                value.push_back(' ');
            value.append(words[i++]);
        }
        if (value.empty()) {
            error = "colour key without a value";
            return false;
        }
        int slot = key == "c" ? 0 : key == "g" ? 1 : key == "g4" ? 2 : key == "m" ? 3 : -1;
        if (slot >= 0) {
            chosen[static_cast<std::size_t>(slot)] = value;
            any = true;
        }
    }
    if (!any) {
        error = "colour line without a colour";
        return false;
    }
    for (const std::string& value : chosen) {
        if (!value.empty()) {
            if (!ParseXpmColour(value, rgba)) {
                error = "unreadable colour \"" + value + "\"";
                return false;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool ParseXpmColour(std::string_view value, std::uint32_t& rgba) {
    if (value.empty()) {
        return false;
    }
    if (value.front() == '#') {
        std::string_view hex = value.substr(1);
        const std::size_t n = hex.size();
        if (n == 0 || n % 3 != 0 || n > 12) {
            return false;
        }
        const std::size_t per = n / 3;
        std::uint32_t rgb = 0;
        for (std::size_t ch = 0; ch < 3; ++ch) {
            unsigned v = 0;
            for (std::size_t k = 0; k < per; ++k) {
                int d = HexDigit(hex[ch * per + k]);
                if (d < 0)
                    return false;
                v = v * 16 + static_cast<unsigned>(d);
            }
            // Scale to 8 bits: take the top byte, or repeat a single digit.
            unsigned byte = per == 1 ? v * 17 : per == 2 ? v : v >> (4 * (per - 2));
            rgb = (rgb << 8) | (byte & 0xff);
        }
        rgba = (rgb << 8) | 0xff;
        return true;
    }
    const std::string name = Lower(value);
    if (name == "none" || name == "transparent") {
        rgba = 0;
        return true;
    }
    for (const NamedColour& c : kNamedColours) {
        if (name == c.name) {
            rgba = (c.rgb << 8) | 0xff;
            return true;
        }
    }
    // "grayNN"/"greyNN": NN percent.
    if ((name.rfind("gray", 0) == 0 || name.rfind("grey", 0) == 0) && name.size() > 4) {
        long pct = 0;
        std::string_view digits = std::string_view(name).substr(4);
        if (ReadNumber(digits, 100, pct) && digits.empty()) {
            unsigned v = static_cast<unsigned>((pct * 255 + 50) / 100);
            rgba = (v << 24) | (v << 16) | (v << 8) | 0xff;
            return true;
        }
    }
    // Names beyond the table keep the image usable rather than refusing it.
    rgba = 0x000000ff;
    return true;
}

bool DecodeXpm(const std::vector<std::string_view>& lines, XpmImage& image, std::string& error) {
    image = XpmImage{};
    if (lines.empty()) {
        error = "no values line";
        return false;
    }
    std::string_view values = lines[0];
    long width = 0, height = 0, ncolors = 0, cpp = 0;
    if (!ReadNumber(values, kXpmMaxSide, width) || !ReadNumber(values, kXpmMaxSide, height) ||
        !ReadNumber(values, 1L << 20, ncolors) || !ReadNumber(values, 7, cpp)) {
        error = "bad values line";
        return false;
    }
    if (width == 0 || height == 0 || ncolors == 0 || cpp == 0) {
        error = "empty image";
        return false;
    }
    if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kXpmMaxPixels) {
        error = "image too large";
        return false;
    }
    const std::size_t ucpp = static_cast<std::size_t>(cpp);
    const std::size_t colourCount = static_cast<std::size_t>(ncolors);
    if (lines.size() < 1 + colourCount + static_cast<std::size_t>(height)) {
        error = "fewer lines than the values line announces";
        return false;
    }

    // Small codes index a flat table; longer ones go through a map.
    const bool flat = ucpp <= 2;
    std::vector<std::uint32_t> table;
    std::vector<bool> defined;
    std::unordered_map<std::string_view, std::uint32_t> map;
    if (flat) {
        table.assign(ucpp == 1 ? 256 : 65536, 0);
        defined.assign(table.size(), false);
    }
    auto flatIndex = [ucpp](std::string_view code) {
        std::size_t idx = static_cast<unsigned char>(code[0]);
        if (ucpp == 2)
            idx = (idx << 8) | static_cast<unsigned char>(code[1]);
        return idx;
    };
    for (std::size_t i = 0; i < colourCount; ++i) {
        std::string_view line = lines[1 + i];
        if (line.size() < ucpp) {
            error = "colour line too short";
            return false;
        }
        std::uint32_t rgba = 0;
        if (!ColourOfLine(line.substr(ucpp), rgba, error)) {
            return false;
        }
        std::string_view code = line.substr(0, ucpp);
        if (flat) {
            table[flatIndex(code)] = rgba;
            defined[flatIndex(code)] = true;
        } else {
            map[code] = rgba;
        }
    }

    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* out = image.rgba.data();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * ucpp;
    for (long y = 0; y < height; ++y) {
        std::string_view row = lines[1 + colourCount + static_cast<std::size_t>(y)];
        if (row.size() < rowBytes) {
            error = "pixel line too short";
            image = XpmImage{};
            return false;
        }
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            std::string_view code = row.substr(x * ucpp, ucpp);
            std::uint32_t rgba;
            if (flat) {
                std::size_t idx = flatIndex(code);
                if (!defined[idx]) {
                    error = "pixel with an undefined colour";
                    image = XpmImage{};
                    return false;
                }
                rgba = table[idx];
            } else {
                auto it = map.find(code);
                if (it == map.end()) {
                    error = "pixel with an undefined colour";
                    image = XpmImage{};
                    return false;
                }
                rgba = it->second;
            }
            *out++ = static_cast<std::uint8_t>(rgba >> 24);
            *out++ = static_cast<std::uint8_t>(rgba >> 16);
            *out++ = static_cast<std::uint8_t>(rgba >> 8);
            *out++ = static_cast<std::uint8_t>(rgba);
        }
    }
    return true;
}

bool DecodeXpmData(const char* const* data, std::size_t count, XpmImage& image,
                   std::string& error) {
    std::vector<std::string_view> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (data[i] == nullptr) {
            error = "missing line";
            return false;
        }
        lines.emplace_back(data[i]);
    }
    return DecodeXpm(lines, image, error);
}

bool SplitXpmText(std::string_view text, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    if (text.find("XPM") == std::string_view::npos) {
        error = "not an XPM file";
        return false;
    }
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            std::size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos) {
                error = "unterminated comment";
                return false;
            }
            i = end + 2;
        } else if (c == '"') {
            std::string s;
            ++i;
            while (i < n && text[i] != '"') {
                if (text[i] == '\n') {
                    error = "line break inside a string";
                    return false;
                }
                if (text[i] == '\\' && i + 1 < n) {
                    ++i;
                }
                s.push_back(text[i++]);
            }
            if (i >= n) {
                error = "unterminated string";
                return false;
            }
            ++i;
            lines.push_back(std::move(s));
        } else {
            ++i;
        }
    }
    if (lines.empty()) {
        error = "no image data";
        return false;
    }
    return true;
}

bool LoadXpmFile(const std::string& path, XpmImage& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kXpmMaxFileSize) {
            error = "file too large: " + path;
            return false;
        }
    }
    std::vector<std::string> strings;
    if (!SplitXpmText(text, strings, error)) {
        return false;
    }
    std::vector<std::string_view> views(strings.begin(), strings.end());
    return DecodeXpm(views, image, error);
}

}  // namespace suite

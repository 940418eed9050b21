// A small decoder of XPM (version 3) images.  Built-in pictures are XPM
// arrays compiled into the programs (`<Name>_xpm`); the launcher also reads
// XPM files at run time, so malformed input is refused with a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace suite {

struct XpmImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4 bytes, row by row
};

// Largest image accepted, to keep hostile files from exhausting memory.
inline constexpr int kXpmMaxSide = 8192;
inline constexpr std::size_t kXpmMaxPixels = 16u * 1024u * 1024u;
inline constexpr std::size_t kXpmMaxFileSize = 64u * 1024u * 1024u;

// Decodes the strings of an XPM image: the values line, the colour lines and
// the pixel lines.  False with `error` set when they are malformed.
bool DecodeXpm(const std::vector<std::string_view>& lines, XpmImage& image, std::string& error);

// Same, for a compiled-in array of `count` strings.
bool DecodeXpmData(const char* const* data, std::size_t count, XpmImage& image, std::string& error);

// Extracts the quoted strings of an XPM file's text, in order.
bool SplitXpmText(std::string_view text, std::vector<std::string>& lines, std::string& error);

// Reads and decodes an XPM file.
bool LoadXpmFile(const std::string& path, XpmImage& image, std::string& error);

// Parses an XPM colour value ("#rgb", "#rrggbb", "#rrrrggggbbbb", "None", a
// colour name) into 0xRRGGBBAA.  False for an unreadable value.
bool ParseXpmColour(std::string_view value, std::uint32_t& rgba);

}  // namespace suite

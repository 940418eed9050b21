#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "common/Xpm.h"

namespace {

const char* const kArrow[] = {
    "4 3 3 1", "  c None", ". c #FF0000", "X c black", " .X ", "..XX", "    ",
};

std::vector<std::string_view> Lines(std::initializer_list<const char*> l) {
    return std::vector<std::string_view>(l.begin(), l.end());
}

TEST(Xpm, DecodesColoursAndTransparency) {
    suite::XpmImage img;
    std::string err;
    ASSERT_TRUE(suite::DecodeXpmData(kArrow, std::size(kArrow), img, err)) << err;
    EXPECT_EQ(4, img.width);
    EXPECT_EQ(3, img.height);
    ASSERT_EQ(48u, img.rgba.size());
    auto px = [&](int x, int y) {
        const std::uint8_t* p = &img.rgba[static_cast<std::size_t>((y * 4 + x) * 4)];
        return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
               (std::uint32_t(p[2]) << 8) | p[3];
    };
    EXPECT_EQ(0u, px(0, 0) & 0xff);  // transparent
    EXPECT_EQ(0xff0000ffu, px(1, 0));
    EXPECT_EQ(0x000000ffu, px(2, 0));
    EXPECT_EQ(0x000000ffu, px(3, 1));
}

TEST(Xpm, ColourForms) {
    std::uint32_t c = 0;
    EXPECT_TRUE(suite::ParseXpmColour("#fff", c));
    EXPECT_EQ(0xffffffffu, c);
    EXPECT_TRUE(suite::ParseXpmColour("#12345678ABCD", c));
    EXPECT_EQ(0x1256abffu, c);
    EXPECT_TRUE(suite::ParseXpmColour("None", c));
    EXPECT_EQ(0u, c);
    EXPECT_TRUE(suite::ParseXpmColour("gray50", c));
    EXPECT_EQ(0x808080ffu, c);
    EXPECT_TRUE(suite::ParseXpmColour("Light Gray", c));
    EXPECT_EQ(0xd3d3d3ffu, c);
    EXPECT_FALSE(suite::ParseXpmColour("#12", c));
    EXPECT_FALSE(suite::ParseXpmColour("#ggg", c));
}

TEST(Xpm, TwoCharacterCodesAndPreferredVisual) {
    suite::XpmImage img;
    std::string err;
    // "m" comes first on the line, but the colour visual "c" wins.
    ASSERT_TRUE(
        suite::DecodeXpm(Lines({"2 1 2 2", "aa m white c #0000ff", "ab c None", "aaab"}), img, err))
        << err;
    EXPECT_EQ(0x00, img.rgba[0]);
    EXPECT_EQ(0xff, img.rgba[2]);
    EXPECT_EQ(0x00, img.rgba[7]);
}

TEST(Xpm, RefusesMalformedImages) {
    const std::vector<std::vector<std::string_view>> bad = {
        {},
        Lines({"x y z"}),
        Lines({"0 1 1 1", "a c #000", ""}),
        Lines({"1 1 1 0", "a c #000", "a"}),
        Lines({"1 1 1 8", "aaaaaaaa c #000", "aaaaaaaa"}),
        Lines({"2 2 1 1", "a c #000", "aa"}),         // too few rows
        Lines({"2 1 1 1", "a c #000", "a"}),          // short row
        Lines({"1 1 1 1", "a c #000", "b"}),          // undefined colour
        Lines({"1 1 1 1", "a q #000", "a"}),          // unknown key
        Lines({"1 1 1 1", "a c", "a"}),               // key without value
        Lines({"1 1 1 1", "a c #00", "a"}),           // bad hex
        Lines({"99999 99999 1 1", "a c #000", "a"}),  // too large
        Lines({"5000 5000 1 1", "a c #000", "a"}),    // too many pixels
        Lines({"1 1 2000000 1", "a c #000", "a"}),    // absurd colour count
        Lines({"-1 1 1 1", "a c #000", "a"}),
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        suite::XpmImage img;
        std::string err;
        EXPECT_FALSE(suite::DecodeXpm(bad[i], img, err)) << "case " << i;
        EXPECT_FALSE(err.empty()) << "case " << i;
        EXPECT_TRUE(img.rgba.empty()) << "case " << i;
    }
    // A row one pixel short, for one to three characters per pixel: refused
    // as short, never read past its end (the rows live on the heap here so
    // the sanitizer sees any such read).
    for (int cpp = 1; cpp <= 3; ++cpp) {
        const std::string code(static_cast<std::size_t>(cpp), 'a');
        std::vector<std::string> owned = {"3 1 1 " + std::to_string(cpp), code + " c #000",
                                          code + code};
        std::vector<std::string_view> lines(owned.begin(), owned.end());
        suite::XpmImage img;
        std::string err;
        EXPECT_FALSE(suite::DecodeXpm(lines, img, err)) << cpp;
        EXPECT_EQ(err, "pixel line too short") << cpp;
    }
}

const char kFile[] =
    "/* XPM */\n"
    "static char * Demo_xpm[] = {\n"
    "/* columns rows colors chars-per-pixel */\n"
    "\"3 2 2 1\",\n"
    "\"  c None\",\n"
    "\"# c #00FF00\",\n"
    "/* pixels */\n"
    "\"# #\",\n"
    "\" # \"};\n";

TEST(Xpm, ReadsFilesAndRefusesBrokenOnes) {
    testutil::TempDir dir;
    suite::XpmImage img;
    std::string err;
    testutil::WriteFile(dir / "ok.xpm", kFile);
    ASSERT_TRUE(suite::LoadXpmFile(dir / "ok.xpm", img, err)) << err;
    EXPECT_EQ(3, img.width);
    EXPECT_EQ(0xff, img.rgba[1]);

    EXPECT_FALSE(suite::LoadXpmFile(dir / "missing.xpm", img, err));
    testutil::WriteFile(dir / "text.xpm", "hello world");
    EXPECT_FALSE(suite::LoadXpmFile(dir / "text.xpm", img, err));
    testutil::WriteFile(dir / "open.xpm", "/* XPM */ \"3 2 2 1\", \"  c None");
    EXPECT_FALSE(suite::LoadXpmFile(dir / "open.xpm", img, err));
    testutil::WriteFile(dir / "comment.xpm", "/* XPM */ /* never closed");
    EXPECT_FALSE(suite::LoadXpmFile(dir / "comment.xpm", img, err));
}

// Random damage to a valid file must be refused or decoded, never crash or
// read out of bounds (the sanitizers watch this test).
TEST(Xpm, SurvivesRandomDamage) {
    std::mt19937 rng(12345);
    const std::string base = kFile;
    const std::string alphabet = "\"0123456789 #cmsNone/*\n\\abcdef,;{}";
    for (int round = 0; round < 20000; ++round) {
        std::string text = base;
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t pos = rng() % (text.size() + 1);
            const char c = alphabet[rng() % alphabet.size()];
            switch (rng() % 3) {
                case 0:
                    if (pos < text.size())
                        text[pos] = c;
                    break;
                case 1:
                    text.insert(pos, 1, c);
                    break;
                default:
                    if (pos < text.size())
                        text.erase(pos, 1 + rng() % 8);
                    break;
            }
        }
        std::vector<std::string> strings;
        std::string err;
        if (!suite::SplitXpmText(text, strings, err))
            continue;
        std::vector<std::string_view> views(strings.begin(), strings.end());
        suite::XpmImage img;
        if (suite::DecodeXpm(views, img, err)) {
            EXPECT_EQ(
                static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height) * 4,
                img.rgba.size());
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "common/XpmPixbuf.h"

namespace {

const char* const kDot[] = {
    "2 2 2 1", ". c None", "o c #102030", "o.", ".o",
};

TEST(XpmPixbuf, KeepsTransparency) {
    auto pixbuf = suite::PixbufFromXpm(kDot);
    ASSERT_TRUE(pixbuf);
    EXPECT_TRUE(pixbuf->get_has_alpha());
    EXPECT_EQ(2, pixbuf->get_width());
    const guint8* p = pixbuf->get_pixels();
    EXPECT_EQ(0x10, p[0]);
    EXPECT_EQ(0x30, p[2]);
    EXPECT_EQ(0xff, p[3]);
    EXPECT_EQ(0x00, p[7]);  // second pixel transparent
}

TEST(XpmPixbuf, MalformedDataGivesNoPixbuf) {
    const char* const broken[] = {"2 2 1 1", "o c #000", "o"};
    std::string err;
    EXPECT_FALSE(suite::PixbufFromXpmData(broken, 3, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(suite::PixbufFromXpmFile("/nonexistent.xpm"));
}

}  // namespace

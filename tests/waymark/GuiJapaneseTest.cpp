// A launcher message box under a Japanese locale: its title and text come
// from the built catalogue.
#include <gtest/gtest.h>

#include "GuiWaymarkSupport.h"
#include "JapaneseLocale.h"

namespace {

using namespace wmtest;

class GuiWmJapanese : public WaymarkFixture {};

TEST_F(GuiWmJapanese, MessageBoxReadsInJapanese) {
    testutil::JapaneseLocale japanese("Waymark");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    Build({{"Ann", Menus(1, 1)}});
    wm::wyMessageBox(wm::CODE_CHARS_EXCEED);
    ASSERT_NE(wm::pwyMessage, nullptr);
    EXPECT_EQ(wm::pwyMessage->window->get_title(), "入力エラー");
    const std::vector<std::string> texts = LabelTexts(wm::pwyMessage->window);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "文字数が多すぎます。20 バイト (全角 10 文字) までしか入力できません。");
    wm::pwyMessage->ok->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyMessage, nullptr);
}

}  // namespace

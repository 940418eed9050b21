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
    // Limits are bytes: the text promises no count of characters.
    EXPECT_EQ(texts[0], "入力が長すぎます。入力できるのは 20 バイトまでです。");
    wm::pwyMessage->ok->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyMessage, nullptr);
}

}  // namespace

namespace {

// Under the EUC-JP locale the rename window's registration date takes the
// Japanese form, whose year, month and day characters are locale bytes the
// window must convert, not show as they are.
TEST_F(GuiWmJapanese, RegistrationDateReadsInJapaneseUnderEucJp) {
    testutil::JapaneseLocale japanese("Waymark", "ja_JP.eucJP");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    struct Restore {
        int old = wm::nLANG;
        ~Restore() { wm::nLANG = old; }
    } restore;
    wm::nLANG = 1;
    Build({{"Ann", Menus(1, 1)}});
    OpenMenuButton(0);
    data.UserList[0].MenuList[0].ItemList[0].Date = "20240709081500";
    ASSERT_NE(wm::CreateRenameItemWindow(0), nullptr);
    EXPECT_EQ(wm::pRenameItem->date->get_text(), "2024年07月09日");
    EXPECT_EQ(wm::pRenameItem->window->get_title(), "アイテム名の変更");
    wm::pRenameItem->cancel->clicked();
    Pump(10);
    EXPECT_EQ(wm::pRenameItem, nullptr);
}

}  // namespace

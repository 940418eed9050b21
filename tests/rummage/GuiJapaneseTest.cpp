// The main window under a Japanese locale: menus read in Japanese from the
// built catalogue, with their mnemonics, as a person and a screen reader meet them.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "GuiBrowseSupport.h"
#include "JapaneseLocale.h"
#include "TestUtil.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmenubar.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

class RummageJapaneseTest : public rmgtest::BrowseTest {};

TEST_F(RummageJapaneseTest, MenusReadInJapaneseWithTheirMnemonics) {
    testutil::JapaneseLocale japanese("rummage");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    Start();

    Gtk::Menu* fileMenu = dynamic_cast<Gtk::Menu*>(pMainW->MenuItem[0]->get_parent());
    ASSERT_NE(fileMenu, nullptr);
    auto* menuBar = dynamic_cast<Gtk::MenuBar*>(fileMenu->get_attach_widget()->get_parent());
    ASSERT_NE(menuBar, nullptr);
    std::vector<std::string> titles;
    std::vector<std::string> spoken;
    for (Gtk::Widget* child : menuBar->get_children()) {
        auto* item = dynamic_cast<Gtk::MenuItem*>(child);
        titles.push_back(item->get_label());
        spoken.push_back(item->get_accessible()->get_name());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"ファイル(_F)", "編集(_E)", "設定(_S)", "表示(_L)",
                                                "ヘルプ(_H)"}));
    EXPECT_EQ(spoken, (std::vector<std::string>{"ファイル(F)", "編集(E)", "設定(S)", "表示(L)",
                                                "ヘルプ(H)"}));
    EXPECT_EQ(pMainW->MenuItem[0]->get_label(), "新しいウィンドウ(_W)");
    EXPECT_EQ(pMainW->MenuItem[3]->get_accessible()->get_name(), "コピー(C)...");

    // The window goes while the catalogue is still in use.
    TearDown();
}

}  // namespace
}  // namespace rmg

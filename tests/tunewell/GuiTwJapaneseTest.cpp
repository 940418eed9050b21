// The configuration window under a Japanese locale: page titles, as shown
// and as a screen reader names them, come from the built catalogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTwDriver.h"
#include "JapaneseLocale.h"
#include "tunewell/TwTable.h"

namespace {

TEST(GuiTwJapanese, PageTitlesReadInJapanese) {
    testutil::JapaneseLocale japanese("Tunewell");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    twtest::SampleTree tree;
    twtest::FakeClock clock;
    twtest::Driver driver;
    std::vector<std::string> shown;
    std::vector<std::string> named;
    driver.Then("", [&](Gtk::Window*) {
        for (int i = 0; i < tw::pwTwNotebook->get_n_pages(); ++i) {
            Gtk::Widget* page = tw::pwTwNotebook->get_nth_page(i);
            shown.push_back(tw::pwTwNotebook->get_tab_label_text(*page));
            named.push_back(page->get_accessible()->get_name());
        }
        twtest::Shot("tunewell-japanese");
        tw::pwCancelButton->clicked();
    });
    EXPECT_EQ(
        tw::RunTunewell(tw::MODE_NORMAL, tree.wycfg.c_str(), "ja_JP.UTF-8", tree.paths, clock), 0);
    const std::vector<std::string> titles{"ネットワーク", "ダイヤルアップ", "日付と時刻"};
    EXPECT_EQ(shown, titles);
    EXPECT_EQ(named, titles);
}

}  // namespace

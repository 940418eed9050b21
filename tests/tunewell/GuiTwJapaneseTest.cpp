// The configuration window under a Japanese locale: page titles, as shown
// and as a screen reader names them, come from the built catalogue, and
// every window shows its buttons whole.
#include <gtest/gtest.h>
#include <libintl.h>

#include <functional>
#include <string>
#include <vector>

#include "GuiButtonFit.h"
#include "GuiTwDriver.h"
#include "JapaneseLocale.h"
#include "tunewell/TwDialogs.h"
#include "tunewell/TwMessage.h"
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
        tw::RunTunewell(tw::StartMode::kNormal, tree.wycfg.c_str(), "ja_JP.UTF-8", tree.paths, clock), 0);
    const std::vector<std::string> titles{"ネットワーク", "ダイヤルアップ", "日付と時刻"};
    EXPECT_EQ(shown, titles);
    EXPECT_EQ(named, titles);
}

// Each window of the program, in Japanese, in the default and a large font:
// no caption wider than its button, no button past its window or over another.
TEST(GuiTwJapanese, EveryWindowShowsItsButtonsWhole) {
    testutil::JapaneseLocale japanese("Tunewell");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    struct Window {
        const char* title;  // empty: the main window on `page`
        int page;
        std::function<void()> open;  // from the main window
    };
    const Window windows[] = {
        {"", tw::PAGE_NETWORK, nullptr},
        {"", tw::PAGE_DIALUP, nullptr},
        {"", tw::PAGE_TIME, nullptr},
        {"ネットワーク設定の変更 - LAN", tw::PAGE_NETWORK,
         [] {
             tw::pwNetRadio[tw::NET_LAN]->set_active(true);
             tw::pwNetModButton->clicked();
         }},
        {"ネットワーク設定の変更 - 無線 LAN", tw::PAGE_NETWORK,
         [] {
             tw::pwNetRadio[tw::NET_WIRELESS]->set_active(true);
             tw::pwNetModButton->clicked();
         }},
        {"ダイヤルアップ設定の変更 - モデム", tw::PAGE_DIALUP,
         [] { tw::pwDialupModButton->clicked(); }},
    };
    const std::string longText =
        gettext("Invalid Host Name.\nUse only 0-9, a-z, A-Z and hyphen (-) for Host Name.");
    for (const std::string& font : guitest::CaptionFonts()) {
        SCOPED_TRACE("font \"" + font + "\"");
        guitest::FontScope scope(font);
        std::vector<std::string> faults;
        const std::string size = font.empty() ? "default" : "large";
        // Looks at a window in a step of its own: pumping here would run the
        // next steps inside this one.
        auto check = [&faults](const std::string& what, Gtk::Window* window) {
            for (const std::string& fault : guitest::UnreadableButtons(window)) {
                faults.push_back(what + ": " + fault);
            }
        };
        {
            twtest::SampleTree tree;
            twtest::FakeClock clock;
            twtest::Driver driver;
            for (const Window& w : windows) {
                driver.Then("", [&w](Gtk::Window*) {
                    tw::pwTwNotebook->set_current_page(w.page);
                    if (w.open) {
                        w.open();
                    }
                });
                // A later tick: the page just chosen has been laid out.
                driver.Then(w.title, [&w, &windows, &check, &size](Gtk::Window* window) {
                    check(w.open ? w.title : "main window page " + std::to_string(w.page), window);
                    if (w.open) {
                        // Safe to pump: no step is ready while this window is up.
                        twtest::Shot("tunewell-modify-" + std::to_string(&w - windows) + "-" +
                                     size);
                        twtest::ButtonNamed(window, "キャンセル")->clicked();
                    }
                });
            }
            driver.Then("", [&size](Gtk::Window*) {
                twtest::Shot("tunewell-buttons-" + size);
                tw::pwCancelButton->clicked();
            });
            EXPECT_EQ(tw::RunTunewell(tw::StartMode::kNormal, tree.wycfg.c_str(), "ja_JP.UTF-8",
                                      tree.paths, clock),
                      0);
            EXPECT_TRUE(driver.Done());
        }
        for (int kind : {tw::kConfirmCipherKey, tw::kConfirmPassword}) {
            twtest::Driver driver;
            const std::string title =
                kind == tw::kConfirmPassword ? "パスワードの確認" : "暗号キーの確認";
            driver.Then(title, [&](Gtk::Window* window) {
                check(title, window);
                twtest::ButtonNamed(window, "キャンセル")->clicked();
            });
            EXPECT_EQ(tw::CreateConfilmWindow(kind, "secret"), 0);
            EXPECT_TRUE(driver.Done());
        }
        for (int buttons : {tw::kButtonsOkCancel, tw::kButtonsYesNo}) {
            twtest::Driver driver;
            driver.Then("確認", [&](Gtk::Window* window) {
                check("message box", window);
                if (font.empty() && buttons == tw::kButtonsOkCancel) {
                    twtest::Shot("tunewell-long-message");
                }
                twtest::Buttons(window).back()->clicked();
            });
            EXPECT_EQ(tw::MessageBox("確認", longText, buttons | tw::kIconExclamation), 1);
            EXPECT_TRUE(driver.Done());
        }
        EXPECT_EQ(faults, std::vector<std::string>{});
    }
}

}  // namespace

// The message window's button sets and answers, the confirmation window's
// three outcomes and the wait animation's order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTwDriver.h"
#include "tunewell/TwDialogs.h"
#include "tunewell/TwMessage.h"

namespace {

using twtest::ButtonLabels;
using twtest::ButtonNamed;
using twtest::Driver;

TEST(GuiTwDialogs, MessageBoxOffersEachButtonSetAndAnswersByButtonOrClose) {
    struct Case {
        int style;
        std::vector<std::string> buttons;
        int press;  // button index, or -1 for the window's close
        int result;
    };
    const Case cases[] = {
        {0x10001, {"Yes"}, 0, 0},
        {0x20004, {"OK"}, 0, 0},
        {0x30002, {"Yes", "No"}, 0, 0},
        {0x30002, {"Yes", "No"}, 1, 1},
        {0x30002, {"Yes", "No"}, -1, 1},
        {0x40003, {"OK", "Cancel"}, 1, 1},
        {0x40003, {"OK", "Cancel"}, -1, 1},
        {0x20001, {"OK"}, -1, 0},
        {0x90004, {"OK"}, 0, 0},
    };
    for (const Case& c : cases) {
        Driver driver;
        std::vector<std::string> buttons;
        std::string text;
        std::string focus;
        driver.Then("Box test", [&](Gtk::Window* window) {
            buttons = ButtonLabels(window);
            text = twtest::LabelTexts(window).back();
            if (Gtk::Widget* focused = window->get_focus()) {
                focus = focused->get_accessible()->get_name();
            }
            if (c.press < 0) {
                twtest::SendDelete(window);
            } else {
                ButtonNamed(window, c.buttons[c.press])->clicked();
            }
        });
        EXPECT_EQ(tw::MessageBox("Box test", "Line one\nLine two", c.style), c.result)
            << std::hex << c.style << " press " << c.press;
        EXPECT_EQ(buttons, c.buttons) << std::hex << c.style;
        EXPECT_EQ(text, "Line one\nLine two");
        EXPECT_EQ(focus, c.buttons.back()) << "the last button has the focus";
    }
}

TEST(GuiTwDialogs, ConfirmationReturnsOnlyForTheSameTextAndTellsWhatIsWrong) {
    struct Case {
        int kind;
        std::vector<std::string> typed;  // each typed and OK pressed; then Cancel
        bool close;                      // end with the window's close, not Cancel
        int result;
        std::vector<std::string> messages;
    };
    const std::string title[2] = {"Cipher Key validation", "Password validation"};
    const Case cases[] = {
        {tw::kConfirmPassword, {"s3cret"}, false, 1, {}},
        {tw::kConfirmCipherKey, {"abcde"}, false, 1, {}},
        {tw::kConfirmPassword,
         {"", "wrong"},
         false,
         0,
         {"Password is not configured.\nInsert correct Password.", "Invalid Password."}},
        {tw::kConfirmCipherKey,
         {"abcdx", ""},
         true,
         0,
         {"Invalid Cipher Key.", "Invalid Cipher Key."}},
        {tw::kConfirmPassword, {}, true, 0, {}},
    };
    for (const Case& c : cases) {
        Driver driver;
        const std::string expected = c.kind == tw::kConfirmPassword ? "s3cret" : "abcde";
        bool hidden = false;
        int limit = 0;
        std::string shownText;
        std::vector<bool> selectedAfterRefusal;
        for (std::size_t i = 0; i < c.typed.size(); ++i) {
            driver.Then(title[c.kind], [&, i](Gtk::Window* window) {
                Gtk::Entry* entry = twtest::Widgets<Gtk::Entry>(window).front();
                if (i > 0) {
                    int start = 0;
                    int end = 0;
                    selectedAfterRefusal.push_back(
                        window->get_focus() == entry &&
                        (entry->get_text().empty() || entry->get_selection_bounds(start, end)));
                }
                hidden = !entry->get_visibility();
                limit = entry->get_max_length();
                shownText = twtest::LabelTexts(window).back();
                entry->set_text(c.typed[i]);
                ButtonNamed(window, "OK")->clicked();
            });
        }
        if (c.result == 0) {
            driver.Then(title[c.kind], [&](Gtk::Window* window) {
                if (c.close) {
                    twtest::SendDelete(window);
                } else {
                    ButtonNamed(window, "Cancel")->clicked();
                }
            });
        }
        EXPECT_EQ(tw::CreateConfilmWindow(c.kind, expected), c.result) << title[c.kind];
        EXPECT_TRUE(driver.Done());
        EXPECT_EQ(driver.messages, c.messages) << title[c.kind];
        if (!c.typed.empty()) {
            EXPECT_TRUE(hidden);
            EXPECT_EQ(limit, 255);
            EXPECT_EQ(shownText, title[c.kind] + ".");
        }
        for (bool selected : selectedAfterRefusal) {
            EXPECT_TRUE(selected) << "the refused text is selected for retyping";
        }
    }
}

TEST(GuiTwDialogs, WaitAnimationRunsBackAndForth) {
    int frame = 0;
    bool rising = true;
    std::vector<int> seen{frame};
    for (int i = 0; i < 9; ++i) {
        frame = tw::NextWaitFrame(frame, rising);
        seen.push_back(frame);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 2, 1, 0, 1, 2, 3}));
}

}  // namespace

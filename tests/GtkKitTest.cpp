#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiDriver.h"
#include "common/GtkKit.h"

namespace {

// A dialog hidden by anyone (the close box, its own button) must end the run
// and give the input back; a grab left behind freezes every other window.
TEST(GtkKit, HidingTheWindowEndsTheRunAndReleasesTheGrab) {
    Gtk::Window window;
    auto loop = Glib::MainLoop::create(false);
    bool grabbedWhileRunning = false;
    Glib::signal_idle().connect_once([&] {
        grabbedWhileRunning = gtk_grab_get_current() == GTK_WIDGET(window.gobj());
        window.hide();
    });
    suite::RunModalLoop(window, loop);
    EXPECT_TRUE(grabbedWhileRunning);
    EXPECT_EQ(nullptr, gtk_grab_get_current());
    EXPECT_FALSE(window.get_visible());
}

// A program that is ending must not leave an outer dialog waiting for a
// click behind the inner one that was ended.
TEST(GtkKit, EndingAllDialogsEndsEveryNestedRunInnermostFirst) {
    Gtk::Window outer;
    Gtk::Window inner;
    std::vector<std::string> ended;
    unsigned long outerSerial = 0;
    unsigned long innerSerial = 0;
    Glib::signal_idle().connect_once([&] {
        outerSerial = suite::InnermostDialogSerial();
        Glib::signal_idle().connect_once([&] {
            innerSerial = suite::InnermostDialogSerial();
            EXPECT_EQ(&outer, inner.get_transient_for());
            suite::EndAllModalLoops();
        });
        suite::RunModalDialog(inner, nullptr, suite::DialogOwner(nullptr, nullptr));
        ended.push_back("inner");
    });
    // Should the outer run be left waiting, this ends it and says so.
    bool rescued = false;
    auto rescue = Glib::signal_timeout().connect(
        [&] {
            rescued = true;
            outer.hide();
            return false;
        },
        2000);
    suite::RunModalDialog(outer, nullptr, nullptr);
    rescue.disconnect();
    ended.push_back("outer");
    EXPECT_FALSE(rescued);
    EXPECT_EQ((std::vector<std::string>{"inner", "outer"}), ended);
    EXPECT_EQ(0, suite::ModalLoopDepth());
    EXPECT_NE(outerSerial, innerSerial);
    EXPECT_EQ(0u, suite::InnermostDialogSerial());
    EXPECT_EQ(nullptr, gtk_grab_get_current());
}

// A box the program ends (EndAllModalLoops at exit) must not be taken for a
// Yes; a button or the close box answers, the close box as the last button.
TEST(GtkKit, MessageBoxAnswersByButtonOrCloseAndNotWhenTheRunIsEnded) {
    enum Act { kFirst, kSecond, kClose, kEndRun };
    const struct {
        const char* second;
        Act act;
        int answer;
    } cases[] = {
        {"No", kFirst, 0},    {"No", kSecond, 1},  {"No", kClose, 1},
        {nullptr, kClose, 0}, {"No", kEndRun, -1}, {nullptr, kEndRun, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.act);
        std::vector<std::string> captions;
        Glib::signal_idle().connect_once([&] {
            Gtk::Window* box = suite::InnermostDialog();
            ASSERT_NE(nullptr, box);
            captions = guitest::ButtonLabels(box);
            if (c.act == kFirst || c.act == kSecond) {
                guitest::Buttons(box).at(c.act)->clicked();
            } else if (c.act == kClose) {
                guitest::SendDelete(box);
            } else {
                suite::EndAllModalLoops();
            }
        });
        EXPECT_EQ(c.answer, suite::RunMessageBox("Kit box", "Text", {}, "Yes", c.second, nullptr,
                                                 suite::MessageBoxLook()));
        EXPECT_EQ(captions.size(), c.second ? 2u : 1u);
        EXPECT_EQ(0, suite::ModalLoopDepth());
    }
}

// Waymark rebuilds its sheet when the bar's colours change: the old rules
// must go, or they would still win over the new ones. An installed sheet
// reaches every widget, and installing it twice does no harm.
TEST(GtkKit, StyleSheetsReachWidgetsAndAReplacedOneLeavesNoRulesBehind) {
    constexpr const char* kSheet = ".kit-probe { margin-left: 7px; }";
    suite::InstallStyleSheet(kSheet);
    suite::InstallStyleSheet(kSheet);
    Glib::RefPtr<Gtk::CssProvider> sheet;
    suite::ReplaceStyleSheet(sheet, ".kit-swap { margin-left: 5px; }");
    suite::ReplaceStyleSheet(sheet, ".kit-swap { margin-top: 3px; }");
    Gtk::Label probe("x");
    probe.get_style_context()->add_class("kit-probe");
    EXPECT_EQ(7, probe.get_style_context()->get_margin().get_left());
    Gtk::Label swapped("x");
    swapped.get_style_context()->add_class("kit-swap");
    EXPECT_EQ(0, swapped.get_style_context()->get_margin().get_left());
    EXPECT_EQ(3, swapped.get_style_context()->get_margin().get_top());
}

}  // namespace

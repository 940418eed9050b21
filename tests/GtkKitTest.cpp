#include <gtest/gtest.h>

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

TEST(GtkKit, StyleSheetReachesWidgetsAndSecondInstallIsHarmless) {
    constexpr const char* kSheet = ".kit-probe { margin-left: 7px; }";
    suite::InstallStyleSheet(kSheet);
    suite::InstallStyleSheet(kSheet);
    Gtk::Label label("x");
    label.get_style_context()->add_class("kit-probe");
    EXPECT_EQ(7, label.get_style_context()->get_margin().get_left());
}

}  // namespace

// Entry point of the window tests: GTK needs its display before any test.
#include <gtest/gtest.h>
#include <gtkmm.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Sets up gtkmm's wrappers and opens the display (Xvfb in the test run).
    auto app = Gtk::Application::create("org.waymark.suite.test", Gio::APPLICATION_NON_UNIQUE);
    return RUN_ALL_TESTS();
}

// Drives modal dialogs from inside their own nested loop: a callback is
// scheduled before the dialog is run, finds the dialog among the toplevel
// windows, looks at it and answers it (click, Return, window close).
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>

#include "GuiDriver.h"
#include "rummage/rmgdialog.h"

namespace rmgtest {

using guitest::ButtonLabels;
using guitest::ButtonNamed;
using guitest::Buttons;
using guitest::CollectWidgets;
using guitest::FindWindow;
using guitest::LabelTexts;
using guitest::PumpUntil;
using guitest::SendDelete;
using guitest::SendKey;
using guitest::Widgets;

// Runs `action` on the window titled `title` once it shows up, from inside
// whatever loop runs then.  Gives up after a few seconds, ending the
// innermost dialog loop so that a broken test fails instead of hanging.
inline void WhenShown(const Glib::ustring& title, std::function<void(Gtk::Window*)> action) {
    auto start = std::chrono::steady_clock::now();
    Glib::signal_timeout().connect(
        [title, action, start]() {
            Gtk::Window* window = FindWindow(title);
            if (window && window->get_realized()) {
                action(window);
                return false;
            }
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
                ADD_FAILURE() << "no window titled \"" << title << "\"";
                suite::EndModalLoop();
                return false;
            }
            return true;
        },
        20);
}

}  // namespace rmgtest

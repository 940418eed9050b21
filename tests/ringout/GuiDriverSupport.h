// Drives the dialer's windows from inside its own loops: a scenario is a list
// of steps, each waiting for a condition and then acting from an idle
// callback (so that an action may open a modal window whose loop the next
// steps run in).  A scenario that stalls fails and closes everything, so a
// broken test ends instead of hanging.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "TestUtil.h"
#include "ringout/RoCallbacks.h"
#include "ringout/RoSupport.h"

namespace rotest {

using namespace guitest;

inline std::string LabelText(Gtk::Widget* root) {
    const std::vector<std::string> texts = LabelTexts(root);
    return texts.empty() ? std::string() : texts.front();
}

// A run whose files all live in `dir`: options, chat script, daemon, tool,
// traffic counters and process table of running copies; root is granted.
inline ro::RingoutOptions OptionsIn(const testutil::TempDir& dir) {
    ro::RingoutOptions options;
    options.paths.options = dir / "options";
    options.paths.chatScript = dir / "chat_script";
    options.paths.pppd = dir / "pppd";
    options.paths.tunewell = dir / "Tunewell";
    options.paths.netDev = dir / "netdev";
    options.instanceProcRoot = dir / "instances";
    options.becomeRoot = [] { return true; };
    testutil::MakeDirs(options.instanceProcRoot);
    return options;
}

// The first label of the window titled `title` (holding `button`) matches `pattern`.
inline std::function<bool()> LabelMatches(const std::string& title, const std::string& button,
                                          const std::string& pattern) {
    return [=] {
        Gtk::Window* window = WindowWith(title, button);
        return window != nullptr && std::regex_match(LabelText(window), std::regex(pattern));
    };
}

// Closes the visible window titled `title` as the window manager would.
inline void SendDeleteTo(const Glib::ustring& title) {
    if (Gtk::Window* window = FindWindow(title)) {
        SendDelete(window);
    } else {
        ADD_FAILURE() << "no window \"" << title << "\" to close";
    }
}

// Steps on the dialer's windows; a stalled scenario closes every window.
class Scenario : public Steps {
  public:
    // Clicks `button` of the window titled `title` once it shows, after
    // `check` looked at the window.
    Scenario& Click(const std::string& title, const std::string& button,
                    std::function<void(Gtk::Window*)> check = nullptr) {
        auto found = std::make_shared<Gtk::Window*>(nullptr);
        Then(
            "click \"" + button + "\" in \"" + title + "\"",
            [title, button, found] { return (*found = WindowWith(title, button)) != nullptr; },
            [button, found, check] {
                if (check) {
                    check(*found);
                }
                if (Gtk::Button* b = ButtonNamed(*found, button)) {
                    b->clicked();
                }
            });
        return *this;
    }
    Scenario& Then(std::string what, std::function<bool()> ready, std::function<void()> act) {
        Steps::Then(std::move(what), std::move(ready), std::move(act));
        return *this;
    }
    // Starts following the steps; call before the code under test runs.
    void Start(std::chrono::seconds limit = std::chrono::seconds(25)) {
        Steps::Start(limit, [] {
            for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
                if (window->get_visible()) {
                    window->hide();
                }
            }
            ro::QuitMainLoop();
        });
    }
};

// Saves a picture of the window titled `title` (holding `button`) as
// <RINGOUT_SHOT_DIR>/<name>.png when that variable is set: screenshots for
// the record, no check depends on them.
inline void MaybeScreenshot(const std::string& title, const std::string& button,
                            const std::string& name, int settleMs = 300) {
    const char* dir = std::getenv("RINGOUT_SHOT_DIR");
    if (dir == nullptr) {
        return;
    }
    // Let a new window be drawn first; it may be gone by then.
    auto context = Glib::MainContext::get_default();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleMs);
    while (std::chrono::steady_clock::now() < until) {
        context->iteration(false);
    }
    Gtk::Window* window = WindowWith(title, button);
    if (window == nullptr) {
        return;
    }
    auto gdkWindow = window->get_window();
    auto pixbuf =
        Gdk::Pixbuf::create(gdkWindow, 0, 0, gdkWindow->get_width(), gdkWindow->get_height());
    if (pixbuf) {
        pixbuf->save(std::string(dir) + "/" + name + ".png", "png");
    }
}

}  // namespace rotest

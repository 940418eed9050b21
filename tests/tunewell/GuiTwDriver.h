// Drives Tunewell's windows from inside their own loops: a sample tree with
// fake site scripts, a fake clock, a step runner that acts on a window once
// it is the innermost one, and an answerer that records and closes every
// message window.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwCallbacks.h"
#include "tunewell/TwConfig.h"
#include "tunewell/TwInterface.h"
#include "tunewell/TwSupport.h"

namespace twtest {

// The sample tree of bench/TwGuiSampleTree.sh: LAN with fixed addresses,
// wireless by DHCP, a modem with PAP, the zone Asia/Tokyo; the scripts and
// hwclock append what they were given to <dir>/ran.
struct SampleTree {
    testutil::TempDir dir;
    std::string wycfg;
    tw::TwPaths paths;
    explicit SampleTree(int zones = 20) {
        const std::string script =
            (std::filesystem::path(__FILE__).parent_path() / "../../bench/TwGuiSampleTree.sh")
                .lexically_normal()
                .string();
        EXPECT_EQ(testutil::Shell("bash '" + script + "' '" + dir.path() + "' " +
                                  std::to_string(zones) + " >/dev/null"),
                  0);
        wycfg = dir / "wycfg";
        const std::string root = dir / "sysroot";
        paths.clockFile = root + "/etc/sysconfig/clock";
        paths.localtime = root + "/etc/localtime";
        paths.zoneTable = root + "/usr/share/zoneinfo/zone.tab";
        paths.zoneinfoDir = root + "/usr/share/zoneinfo/";
        paths.hwclock = root + "/usr/sbin/hwclock";
    }
    std::string Ran() const {
        return testutil::Exists(dir / "ran") ? testutil::ReadFile(dir / "ran") : "";
    }
    // Every regular file below the tree with its bytes.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (entry.is_regular_file()) {
                files[entry.path().string()] = testutil::ReadFile(entry.path().string());
            }
        }
        return files;
    }
};

using namespace guitest;

// Saves a picture of the screen when TW_SHOTS names a directory.
inline void Shot(const std::string& name) {
    const char* dir = std::getenv("TW_SHOTS");
    if (dir) {
        Pump(300);
        testutil::Shell("import -window root '" + std::string(dir) + "/" + name + ".png'");
    }
}

// Runs steps in order, each once its window (null title: the main window)
// is the innermost one, and answers every message window with its first
// button, recording the texts.  Gives up after a while, cancelling whatever
// runs, so that a broken test fails instead of hanging.
class Driver {
  public:
    using Action = std::function<void(Gtk::Window*)>;
    std::vector<std::string> messages;

    Driver() { timer_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &Driver::Tick), 20); }
    ~Driver() { timer_.disconnect(); }

    // `title` empty: the main window with no dialog over it.
    Driver& Then(const std::string& title, Action action) {
        steps_.push_back({title, std::move(action)});
        return *this;
    }
    bool Done() const { return steps_.empty(); }

  private:
    struct Step {
        std::string title;
        Action action;
    };

    bool Tick() {
        if (Gtk::Window* box = MessageWindow(); box && tw::InnermostDialogSerial() != answered_) {
            std::string text;
            for (const std::string& label : LabelTexts(box)) {
                text += label;
            }
            messages.push_back(text);
            Gtk::Button* first = Buttons(box).front();
            Glib::signal_idle().connect_once([first] { first->clicked(); });
            answered_ = tw::InnermostDialogSerial();
            return true;
        }
        if (!steps_.empty() && !stepPending_) {
            Step& step = steps_.front();
            Gtk::Window* target = nullptr;
            if (step.title.empty()) {
                if (tw::InnermostDialog() == nullptr && tw::pwTwWindow &&
                    tw::pwTwWindow->get_realized() && tw::pwTwWindow->get_sensitive()) {
                    target = tw::pwTwWindow;
                }
            } else if (Gtk::Window* dialog = tw::InnermostDialog();
                       dialog && dialog->get_title() == step.title && dialog->get_realized()) {
                target = dialog;
            }
            if (target) {
                Action action = std::move(step.action);
                steps_.pop_front();
                started_ = std::chrono::steady_clock::now();
                // An action may run a nested loop (a click that opens a
                // window): from its own source, so that this one keeps ticking.
                // One step at a time: the next is looked at only once this one
                // has started.
                stepPending_ = true;
                Glib::signal_idle().connect_once([this, action, target] {
                    stepPending_ = false;
                    action(target);
                });
                return true;
            }
        }
        if (std::chrono::steady_clock::now() - started_ > std::chrono::seconds(15)) {
            Gtk::Window* innermost = tw::InnermostDialog();
            ADD_FAILURE() << "driver stalled with " << steps_.size()
                          << " steps left, waiting for \""
                          << (steps_.empty() ? "" : steps_.front().title) << "\" over \""
                          << (innermost ? std::string(innermost->get_title()) : "main window")
                          << "\"";
            steps_.clear();
            tw::EndModalLoop();
            tw::on_CancelButton_clicked();
            started_ = std::chrono::steady_clock::now();
        }
        return true;
    }

    // The innermost dialog when it is a message window ("Tunewell").
    static Gtk::Window* MessageWindow() {
        Gtk::Window* dialog = tw::InnermostDialog();
        if (dialog && dialog != tw::pwTwWindow && dialog->get_title() == "Tunewell" &&
            dialog->get_realized()) {
            return dialog;
        }
        return nullptr;
    }

    std::deque<Step> steps_;
    bool stepPending_ = false;
    unsigned long answered_ = 0;  // the message window already answered
    sigc::connection timer_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace twtest

// Drives Tunewell's windows from inside their own loops: a sample tree with
// fake site scripts, a fake clock, a step runner that acts on a window once
// it is the innermost one, and an answerer that records and closes every
// message window.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
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

// Runs steps in order, each once its window (empty title: the main window
// with no dialog over it) is the innermost one, and answers every message
// window with its first button, recording the texts.  A stalled driver
// cancels whatever runs.
class Driver : public Steps {
  public:
    using Action = std::function<void(Gtk::Window*)>;
    std::vector<std::string> messages;

    Driver() {
        Start(
            std::chrono::seconds(15),
            [] {
                suite::EndModalLoop();
                tw::on_CancelButton_clicked();
            },
            [this] { return AnswerMessage(); });
    }
    Driver& Then(const std::string& title, Action action) {
        auto target = std::make_shared<Gtk::Window*>(nullptr);
        Steps::Then(
            "\"" + title + "\"", [title, target] { return (*target = Target(title)) != nullptr; },
            [action, target] { action(*target); });
        return *this;
    }

  private:
    static Gtk::Window* Target(const std::string& title) {
        Gtk::Window* dialog = suite::InnermostDialog();
        if (title.empty()) {
            return dialog == nullptr && tw::pwTwWindow && tw::pwTwWindow->get_realized() &&
                           tw::pwTwWindow->get_sensitive()
                       ? tw::pwTwWindow
                       : nullptr;
        }
        return dialog && dialog->get_title() == title && dialog->get_realized() ? dialog : nullptr;
    }

    // The innermost dialog, when it is a message window ("Tunewell") not yet answered.
    bool AnswerMessage() {
        Gtk::Window* box = suite::InnermostDialog();
        if (!box || box == tw::pwTwWindow || box->get_title() != "Tunewell" ||
            !box->get_realized() || suite::InnermostDialogSerial() == answered_) {
            return false;
        }
        std::string text;
        for (const std::string& label : LabelTexts(box)) {
            text += label;
        }
        messages.push_back(text);
        Gtk::Button* first = Buttons(box).front();
        Glib::signal_idle().connect_once([first] { first->clicked(); });
        answered_ = suite::InnermostDialogSerial();
        return true;
    }

    unsigned long answered_ = 0;  // the message window already answered
};

}  // namespace twtest

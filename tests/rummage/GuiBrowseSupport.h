// A main window started on a temporary home tree, for every test of the
// main window and its commands, and the helpers those tests share.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "CoreTableSupport.h"
#include "FileOpSupport.h"
#include "GuiDriver.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgdragdrop.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgwindowui.h"

namespace rmgtest {

inline void Pump() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

// Pumps for a while, so the window reaches its size and layout.
inline void Settle(int ms = 300) {
    guitest::Pump(ms);
}

// Root-window position of the middle of a row of `view`, in its first column.
inline void RowPoint(Gtk::TreeView* view, const Gtk::TreeModel::Path& path, int& x, int& y) {
    Gdk::Rectangle cell;
    view->get_background_area(path, *view->get_column(0), cell);
    int ox = 0;
    int oy = 0;
    view->get_bin_window()->get_origin(ox, oy);
    x = ox + cell.get_x() + 12;
    y = oy + cell.get_y() + cell.get_height() / 2;
}

using guitest::PumpUntil;

// Saves what `window` shows, for a person to look at.
inline void Shoot(Gtk::Window* window, const std::string& name) {
    PumpUntil([&] { return window->get_mapped(); }, 2000);
    guitest::Pump(300);  // time to paint
    auto gdkWindow = window->get_window();
    auto shot =
        Gdk::Pixbuf::create(gdkWindow, 0, 0, gdkWindow->get_width(), gdkWindow->get_height());
    ASSERT_TRUE(shot);
    const char* dir = std::getenv("RUMMAGE_SHOTS");
    shot->save(std::string(dir != nullptr ? dir : ".") + "/" + name + ".png", "png");
}

// Real pointer input for drag and drop.
using FakeInput = guitest::FakePointer;

class BrowseTest : public ::testing::Test {
  protected:
    void SetUp() override { testutil::MakeDirs(home_); }

    // Starts the window as the program does, with `args` after argv[0];
    // `adjust` changes settings after they are loaded, before the window.
    template <typename F>
    void Start(std::vector<std::string> args, F adjust) {
        ASSERT_EQ(rmg::InitGlobalTable(home_), 0);
        args.insert(args.begin(), "rummage");
        rmg::pGTable->Argv = args;
        ASSERT_EQ(
            rmg::SetupStartDirectories(*rmg::pGTable, rmg::ParseCommandLine(args), home_.c_str()),
            0);
        adjust(*rmg::pGTable);
        rmg::pMainW = new rmg::MainW();
        window_ = rmg::CreateMainWindow();
        ASSERT_NE(window_, nullptr);
        rmg::SetFileOpUi(&ui_);
        window_->show_all();
        rmg::OpenStartDirectory();
        Pump();
    }
    template <typename F>
    void Start(F adjust) {
        Start({}, adjust);
    }
    void Start(std::vector<std::string> args = {}) {
        Start(std::move(args), [](rmg::GTable&) {});
    }

    void TearDown() override {
        rmg::SetDropChoiceFunction(nullptr);
        rmg::SetFileOpUi(nullptr);
        rmg::TerminateRummage();
        delete window_;
        window_ = nullptr;  // a test may end the window early
        Pump();
    }

    void Make(std::initializer_list<const char*> entries) const { MakeEntries(home_, entries); }

    Gtk::TreeView* Tree() const { return rmg::pMainW->DirTree; }

    std::vector<std::string> ListNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < rmg::GetListRowCount(); ++i) {
            names.push_back(rmg::GetListRowName(i));
        }
        return names;
    }

    // Names of the children of the tree node of `path`.
    std::vector<std::string> TreeChildren(const std::string& path) const {
        std::vector<std::string> names;
        auto node = rmg::GetPathNode(Tree(), path);
        if (node) {
            for (auto child : node->children()) {
                names.push_back(rmg::GetNodePath(Tree(), child).substr(path.size()));
            }
        }
        return names;
    }

    // The list row showing `name`, or -1.
    static int RowOf(const std::string& name) {
        for (int i = 0; i < rmg::GetListRowCount(); ++i) {
            if (rmg::GetListRowName(i) == name) {
                return i;
            }
        }
        return -1;
    }

    // Answers the Copy/Move question of drops with `answer`, counting them.
    void AnswerDrops(int answer) {
        rmg::SetDropChoiceFunction([this, answer] {
            ++asked_;
            return answer;
        });
    }

    std::string StatusText() const { return rmg::GetStatusBarText(rmg::pMainW->StatusBar); }

    testutil::TempDir tmp_;
    std::string home_ = tmp_.path() + "/home/";
    EnvScope homeEnv_{"HOME", home_.c_str()};
    Gtk::Window* window_ = nullptr;
    rmg::WindowUi ui_;
    int asked_ = 0;  // drop questions answered
};

}  // namespace rmgtest

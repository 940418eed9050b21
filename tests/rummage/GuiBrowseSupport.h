// A main window started on a temporary home tree, for the tests of the
// tree, the list, the keys and drag and drop.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "CoreTableSupport.h"
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
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        Pump();
    }
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

// The X server's test extension, for real pointer input the toolkit
// cannot tell from a person's.  Looked up at run time: only this test
// needs it.
class FakeInput {
  public:
    FakeInput() {
        // One pointer per display: tests run in parallel take turns.
        lock_ = open("/tmp/rummage-test-pointer.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock_ >= 0) {
            flock(lock_, LOCK_EX);
        }
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW);
        x11_ = dlopen("libX11.so.6", RTLD_NOW);
        if (xtst_ != nullptr && x11_ != nullptr) {
            motion_ = reinterpret_cast<MotionFn>(dlsym(xtst_, "XTestFakeMotionEvent"));
            button_ = reinterpret_cast<ButtonFn>(dlsym(xtst_, "XTestFakeButtonEvent"));
            flush_ = reinterpret_cast<FlushFn>(dlsym(x11_, "XFlush"));
        }
        auto xdisplay = reinterpret_cast<void* (*)(GdkDisplay*)>(
            dlsym(RTLD_DEFAULT, "gdk_x11_display_get_xdisplay"));
        if (xdisplay != nullptr) {
            display_ = xdisplay(gdk_display_get_default());
        }
    }
    // The libraries stay loaded: their per-connection records live on.
    ~FakeInput() {
        if (lock_ >= 0) {
            close(lock_);
        }
    }
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;
    bool ok() const {
        return display_ != nullptr && motion_ != nullptr && button_ != nullptr && flush_ != nullptr;
    }
    void Move(int x, int y) {
        motion_(display_, -1, x, y, 0);
        flush_(display_);
        Settle(20);
    }
    void Button(bool press) {
        button_(display_, 1, press ? 1 : 0, 0);
        flush_(display_);
        Settle(50);
    }
    // In small steps, so the toolkit sees a drag and the motion over the tree.
    void Glide(int fromX, int fromY, int toX, int toY) {
        const int steps = 20;
        for (int i = 1; i <= steps; ++i) {
            Move(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
        }
    }

  private:
    using MotionFn = int (*)(void*, int, int, int, unsigned long);
    using ButtonFn = int (*)(void*, unsigned int, int, unsigned long);
    using FlushFn = int (*)(void*);
    void* xtst_ = nullptr;
    void* x11_ = nullptr;
    MotionFn motion_ = nullptr;
    ButtonFn button_ = nullptr;
    FlushFn flush_ = nullptr;
    void* display_ = nullptr;  // the X connection
    int lock_ = -1;
};

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

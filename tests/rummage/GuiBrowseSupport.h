// A main window started on a temporary home tree, for the tests of the
// tree, the list, the keys and drag and drop.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgfilelist.h"
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

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = tmp_.path() + "/home/";
        testutil::MakeDirs(home_);
        const char* oldHome = std::getenv("HOME");
        oldHome_ = oldHome != nullptr ? oldHome : "";
        setenv("HOME", home_.c_str(), 1);
    }

    // `adjust` changes settings after they are loaded, before the window.
    template <typename F>
    void Start(F adjust) {
        ASSERT_EQ(rmg::InitGlobalTable(home_), 0);
        std::vector<std::string> args = {"rummage"};
        rmg::pGTable->Argv = args;
        ASSERT_EQ(rmg::SetupStartDirectories(*rmg::pGTable, rmg::ParseCommandLine(args),
                                             home_.c_str()),
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
    void Start() {
        Start([](rmg::GTable&) {});
    }

    void TearDown() override {
        rmg::SetFileOpUi(nullptr);
        rmg::TerminateRummage();
        delete window_;
        Pump();
        setenv("HOME", oldHome_.c_str(), 1);
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

    std::string StatusText() const { return rmg::GetStatusBarText(rmg::pMainW->StatusBar); }

    testutil::TempDir tmp_;
    std::string home_;
    std::string oldHome_;
    Gtk::Window* window_ = nullptr;
    rmg::WindowUi ui_;
};

}  // namespace rmgtest

// The file, directory and application pickers, and the Browse button.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <stdlib.h>

#include <string>

#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgselfile.h"
#include "rummage/rmgui.h"
#include "tests/rummage/CoreTableSupport.h"
#include "tests/rummage/GuiDialogDriver.h"

namespace {

using namespace rmgtest;

// HOME pointed at a temporary tree for the test's lifetime.  The chooser
// stores its own settings and recent files: keep those off the machine.
struct HomeScope {
    explicit HomeScope(const std::string& home) : env("HOME", home.c_str()) {
        setenv("GSETTINGS_BACKEND", "memory", 0);
        testutil::MakeDirs(home + "/.local/share");
    }
    EnvScope env;
};

// File picker ------------------------------------------------------------------

enum class Answer { Ok, Cancel, Close };

// Opens the file picker for `entry`; picks `file` (if any) and answers.
std::string RunFilePicker(Gtk::Entry& entry, const std::string& file, Answer answer,
                          std::string* folder = nullptr) {
    WhenShown("Select File", [&](Gtk::Window* window) {
        auto* chooser = dynamic_cast<Gtk::FileChooserDialog*>(window);
        ASSERT_TRUE(chooser);
        if (folder) {
            PumpUntil([&] { return !chooser->get_current_folder().empty(); }, 2000);
            *folder = chooser->get_current_folder();
        }
        if (!file.empty()) {
            chooser->select_filename(file);
            PumpUntil([&] { return chooser->get_filename() == file; }, 3000);
        }
        switch (answer) {
            case Answer::Ok:
                chooser->response(Gtk::RESPONSE_OK);
                break;
            case Answer::Cancel:
                chooser->response(Gtk::RESPONSE_CANCEL);
                break;
            case Answer::Close:
                SendDelete(window);
                break;
        }
    });
    rmg::on_FileBrowseButton_clicked(&entry);
    return entry.get_text();
}

TEST(GuiFilePicker, StartsAtHomeOkFillsTheEntryCancelAndClosingLeaveIt) {
    testutil::TempDir dir;
    HomeScope home(dir.path());
    testutil::WriteFile(dir / "pick.txt", "x");
    Gtk::Entry entry;
    entry.set_text("before");
    EXPECT_EQ(RunFilePicker(entry, dir / "pick.txt", Answer::Cancel), "before");
    EXPECT_EQ(RunFilePicker(entry, dir / "pick.txt", Answer::Close), "before");
    std::string folder;
    EXPECT_EQ(RunFilePicker(entry, dir / "pick.txt", Answer::Ok, &folder), dir / "pick.txt");
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(FindWindow("Select File"), nullptr);
}

TEST(GuiBrowseButton, OpensThePickerForItsKindOfTarget) {
    testutil::TempDir dir;
    HomeScope home(dir.path());
    Gtk::Window window;
    Gtk::Box box(Gtk::ORIENTATION_HORIZONTAL);
    Gtk::Entry entry;
    window.add(box);
    box.pack_start(entry);
    Gtk::Button* button = rmg::CreateBrowseButton(&box, &entry, false);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->get_label(), "Browse...");
    EXPECT_TRUE(button->get_visible());
    EXPECT_EQ(box.get_children().back(), button);

    bool opened = false;
    WhenShown("Select File", [&](Gtk::Window* picker) {
        opened = true;
        SendDelete(picker);
    });
    button->clicked();
    EXPECT_TRUE(opened);

    // A directory Browse needs a combo; a plain entry is refused.
    EXPECT_EQ(rmg::CreateBrowseButton(&box, &entry, true), nullptr);
}

// Directory picker -------------------------------------------------------------

class GuiDirPicker : public ::testing::Test {
  protected:
    void SetUp() override {
        home = dir.path() + "/";
        testutil::MakeDirs(home + "alpha/inner");
        testutil::MakeDirs(home + "beta");
        scope.table.HomeDir = home;
        scope.table.CurrentDir = home;
        scope.table.DirHistory = {home};
        target = rmg::CreateComboBox(&targetEntry, true, 2047);
        holder.add(*target);
    }

    // Runs the picker; `act` sees the dialog, its tree and its combo entry.
    int Run(std::function<void(Gtk::Window*, Gtk::TreeView*, Gtk::Entry*)> act) {
        WhenShown("Select directory", [act](Gtk::Window* window) {
            auto trees = Widgets<Gtk::TreeView>(window);
            auto entries = Widgets<Gtk::Entry>(window);
            ASSERT_EQ(trees.size(), 1u);
            ASSERT_EQ(entries.size(), 1u);
            act(window, trees[0], entries[0]);
        });
        rmg::DialogWindow* dialog = nullptr;
        const int result = rmg::CreateSelectDirDlg(&dialog, target);
        EXPECT_EQ(dialog, nullptr);
        return result;
    }

    testutil::TempDir dir;
    std::string home;
    TableScope scope;
    Gtk::Window holder;
    Gtk::Entry* targetEntry = nullptr;
    Gtk::ComboBoxText* target = nullptr;
};

TEST_F(GuiDirPicker, OpensAtTheTargetsDirectoryAndOkTakesTheSelection) {
    targetEntry->set_text(home + "alpha/");
    std::string shown;
    std::vector<std::string> labels;
    int width = 0, height = 0;
    EXPECT_EQ(Run([&](Gtk::Window* window, Gtk::TreeView* tree, Gtk::Entry* entry) {
                  labels = LabelTexts(window);
                  window->get_size_request(width, height);
                  shown = entry->get_text();
                  std::string selected;
                  rmg::GetTreeSelect(tree, &selected);
                  EXPECT_EQ(selected, home + "alpha/");
                  rmg::SetTreeSelectPath(tree, home + "alpha/inner/");
                  ButtonNamed(window, "OK")->clicked();
              }),
              0);
    EXPECT_EQ(labels, std::vector<std::string>{"Select directory:"});
    EXPECT_EQ(width, 310);
    EXPECT_EQ(height, 350);
    EXPECT_EQ(shown, home + "alpha/");
    EXPECT_EQ(targetEntry->get_text(), home + "alpha/inner/");
    EXPECT_EQ(scope.table.DirHistory, (rmg::HistoryList{home + "alpha/inner/", home}));
    // The target's drop-down now offers the history.
    EXPECT_EQ(target->get_model()->children().size(), 2u);
    EXPECT_EQ(scope.table.CurrentDir, home) << "the dialog's tree leaves the shown directory";
}

TEST_F(GuiDirPicker, ReturnInItsComboOpensTheTypedDirectory) {
    std::string selected;
    Run([&](Gtk::Window* window, Gtk::TreeView* tree, Gtk::Entry* entry) {
        entry->set_text(home + "beta/");
        entry->activate();
        rmg::GetTreeSelect(tree, &selected);
        ButtonNamed(window, "OK")->clicked();
    });
    EXPECT_EQ(selected, home + "beta/");
    EXPECT_EQ(targetEntry->get_text(), home + "beta/");
}

TEST_F(GuiDirPicker, CancelClosingAndOkWithoutSelectionChangeNothing) {
    targetEntry->set_text(home + "alpha/");
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        EXPECT_EQ(Run([way](Gtk::Window* window, Gtk::TreeView* tree, Gtk::Entry*) {
                      if (way == 0) {
                          ButtonNamed(window, "Cancel")->clicked();
                      } else if (way == 1) {
                          SendDelete(window);
                      } else {
                          tree->get_selection()->unselect_all();
                          ButtonNamed(window, "OK")->clicked();
                      }
                  }),
                  0);
        EXPECT_EQ(FindWindow("Select directory"), nullptr);
        EXPECT_EQ(targetEntry->get_text(), home + "alpha/");
        EXPECT_EQ(scope.table.DirHistory, rmg::HistoryList{home});
    }
}

// Application picker -------------------------------------------------------------

TEST(GuiAppPicker, NothingKnownShowsNothing) {
    TableScope scope;
    rmg::DialogWindow* dialog = nullptr;
    std::string command = "keep";
    EXPECT_EQ(rmg::SelectAppDlg(&dialog, &command), 0);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(command, "keep");
    EXPECT_EQ(FindWindow("Select application"), nullptr);
}

TEST(GuiAppPicker, ListsNamesSortedAndOkNeedsASelection) {
    TableScope scope;
    scope.table.ApplicationInfo = {
        {"zed", "/usr/bin/zed"}, {"Editor", "/usr/bin/ed -x"}, {"alpha", "/opt/alpha"}};
    std::vector<std::string> rows;
    bool stayedOpen = false;
    WhenShown("Select application", [&](Gtk::Window* window) {
        auto* list = Widgets<Gtk::TreeView>(window).at(0);
        EXPECT_FALSE(list->get_headers_visible());
        EXPECT_FALSE(list->get_can_focus());
        for (const auto& row : list->get_model()->children()) {
            Glib::ustring name;
            row.get_value(0, name);
            rows.push_back(name);
        }
        list->get_selection()->unselect_all();
        ButtonNamed(window, "OK")->clicked();
        stayedOpen = FindWindow("Select application") == window;
        auto second = list->get_model()->children()[1];
        list->get_selection()->select(second);
        ButtonNamed(window, "OK")->clicked();
    });
    rmg::DialogWindow* dialog = nullptr;
    std::string command;
    EXPECT_EQ(rmg::SelectAppDlg(&dialog, &command), 0);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(rows, (std::vector<std::string>{"Editor", "alpha", "zed"}));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(command, "/opt/alpha");
}

}  // namespace

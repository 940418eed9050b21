// The main window under a Japanese locale: menus read in Japanese from the
// built catalogue, with their mnemonics, as a person and a screen reader meet
// them, and every dialog shows its buttons whole.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <libintl.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GuiBrowseSupport.h"
#include "GuiButtonFit.h"
#include "GuiDialogDriver.h"
#include "JapaneseLocale.h"
#include "TestUtil.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmghelpmenu.h"
#include "rummage/rmglayoutmenu.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmenubar.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgprogress.h"
#include "rummage/rmgselfile.h"
#include "rummage/rmgsettingmenu.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace rmg {
namespace {

class RummageJapaneseTest : public rmgtest::BrowseTest {};

TEST_F(RummageJapaneseTest, MenusReadInJapaneseWithTheirMnemonics) {
    testutil::JapaneseLocale japanese("rummage");
    ASSERT_TRUE(japanese.ok()) << japanese.Why();
    Start();

    Gtk::Menu* fileMenu = dynamic_cast<Gtk::Menu*>(pMainW->MenuItem[0]->get_parent());
    ASSERT_NE(fileMenu, nullptr);
    auto* menuBar = dynamic_cast<Gtk::MenuBar*>(fileMenu->get_attach_widget()->get_parent());
    ASSERT_NE(menuBar, nullptr);
    std::vector<std::string> titles;
    std::vector<std::string> spoken;
    for (Gtk::Widget* child : menuBar->get_children()) {
        auto* item = dynamic_cast<Gtk::MenuItem*>(child);
        titles.push_back(item->get_label());
        spoken.push_back(item->get_accessible()->get_name());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"ファイル(_F)", "編集(_E)", "設定(_S)", "表示(_L)",
                                                "ヘルプ(_H)"}));
    EXPECT_EQ(spoken, (std::vector<std::string>{"ファイル(F)", "編集(E)", "設定(S)", "表示(L)",
                                                "ヘルプ(H)"}));
    EXPECT_EQ(pMainW->MenuItem[0]->get_label(), "新しいウィンドウ(_W)");
    EXPECT_EQ(pMainW->MenuItem[3]->get_accessible()->get_name(), "コピー(C)...");

    // The window goes while the catalogue is still in use.
    TearDown();
}

// The answer that leaves a dialog without doing anything.
void Dismiss(Gtk::Window* window) {
    for (const char* answer : {"Cancel", "No", "OK"}) {
        if (Gtk::Button* button = rmgtest::ButtonNamed(window, gettext(answer))) {
            button->clicked();
            return;
        }
    }
    ADD_FAILURE() << "no way out of " << window->get_title();
}

// Every dialog of the file manager, in English and in Japanese in the
// default and a large font: no caption wider than its button, no button
// past its window or over another.  Titles are looked up in the catalogue
// in use.  The property dialog of a 3 GiB sparse file is photographed.
TEST_F(RummageJapaneseTest, EveryDialogShowsItsButtonsWhole) {
    Make({"sub/", "sub/a.txt=a"});
    const std::string big = home_ + "big.img";
    testutil::WriteFile(big, "");
    ASSERT_EQ(::truncate(big.c_str(), 3LL << 30), 0);
    Start([](GTable& t) {
        t.ConfilmDel = 1;
        t.ApplicationInfo = {{"Editor", "editor %s"}};
    });
    // The command `run` on the big file alone.
    auto onBig = [this](void (*run)()) {
        return [this, run] {
            UnselectAllListRows();
            SelectListRow(RowOf("big.img"));
            run();
        };
    };
    struct Dialog {
        const char* title;  // as the catalogue gives it, "%s" filled with the selection
        std::function<void()> open;
        const char* shot = nullptr;  // name of its picture
    };
    const std::vector<Dialog> dialogs = {
        {"Create a new directory", &on_Menu_NewDirectory_activate},
        {"Create a new file", &on_Menu_NewFile_activate},
        {"Copy", onBig(&on_Menu_Copy_activate)},
        {"Move", onBig(&on_Menu_Move_activate)},
        {"Delete", onBig(&on_Menu_Delete_activate)},
        {"Property - %s", onBig(&on_Menu_Property_activate), "property-3gib"},
        {"Select file", &on_Menu_SelectFiles_activate, "select-files"},
        {"Find File", &on_Menu_FindFile_activate},
        {"Symbolic link", onBig(&on_Menu_SymbolicLink_activate)},
        {"Option", &on_Menu_Option_activate},
        {"Sort", &on_Menu_Sort_activate},
        {"Filter", &on_Menu_FilterView_activate},
        {"Abort", &on_Menu_Abort_activate},
        {"Delete", [&] { DeleteMessageBox(nullptr, home_ + "sub/"); }, "delete-question"},
        {"Error",
         [&] {
             MessageBox(gettext("Error"),
                        FillText(gettext("Cannot copy file %s\ncause:%s"),
                                 {big, "No space left on device"}),
                        MB_SKIPCANCEL | MB_ICON_STOP);
         },
         "message-skip"},
        {"File operation",
         [] {
             CreateProgressDlg(OP_COPY);
             guitest::PumpUntil(&ProgressCancelClicked);
             DestroyProgressDlg();
         }},
        {"Select directory",
         [] {
             DialogWindow* dialog = nullptr;
             Gtk::ComboBoxText target(true);
             CreateSelectDirDlg(&dialog, &target);
             delete dialog;
         }},
        {"Select application",
         [] {
             DialogWindow* dialog = nullptr;
             std::string command;
             SelectAppDlg(&dialog, &command);
             delete dialog;
         }},
    };
    struct Setting {
        bool japanese;
        std::string font;
    };
    const Setting settings[] = {{false, ""}, {true, ""}, {true, "Sans 14"}};
    for (const Setting& setting : settings) {
        const std::string name =
            std::string(setting.japanese ? "ja" : "en") + (setting.font.empty() ? "" : "-large");
        SCOPED_TRACE(name);
        std::optional<testutil::JapaneseLocale> japanese;
        if (setting.japanese) {
            japanese.emplace("rummage");
            ASSERT_TRUE(japanese->ok()) << japanese->Why();
        }
        guitest::FontScope font(setting.font);
        std::vector<std::string> faults;
        auto check = [&](Gtk::Window* window) {
            guitest::Pump(100);
            for (const std::string& fault : guitest::UnreadableButtons(window)) {
                faults.push_back(window->get_title() + ": " + fault);
            }
        };
        for (const Dialog& dialog : dialogs) {
            const std::string title = FillText(gettext(dialog.title), {"big.img"});
            bool seen = false;
            rmgtest::WhenShown(title, [&](Gtk::Window* window) {
                seen = true;
                check(window);
                if (dialog.shot) {
                    rmgtest::Shoot(window, std::string(dialog.shot) + "-" + name);
                }
                if (std::string(dialog.title) == "Option") {
                    // Each page's buttons are drawn only while it is shown.
                    auto* book = rmgtest::Widgets<Gtk::Notebook>(window).front();
                    for (int page = 1; page < book->get_n_pages(); ++page) {
                        book->set_current_page(page);
                        check(window);
                    }
                }
                if (std::string(dialog.title) == "Find File") {
                    guitest::WidgetNamed<Gtk::Entry>(window, gettext("Find name:"))
                        ->set_text("*.txt");
                    rmgtest::WhenShown(gettext("Result of find"), [&](Gtk::Window* result) {
                        auto* status = rmgtest::Widgets<Gtk::Label>(result).front();
                        guitest::PumpUntil(
                            [&] { return status->get_text() == gettext("Match file list"); });
                        check(result);
                        rmgtest::ButtonNamed(result, "OK")->clicked();
                    });
                    rmgtest::ButtonNamed(window, "OK")->clicked();
                    return;
                }
                Dismiss(window);
            });
            dialog.open();
            EXPECT_TRUE(seen) << title;
            rmgtest::Pump();
        }
        EXPECT_EQ(faults, std::vector<std::string>{});
    }
    // The windows go while the catalogue is still in use.
    TearDown();
}

}  // namespace
}  // namespace rmg

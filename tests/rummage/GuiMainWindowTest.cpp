// The main window as a person meets it: menus, toolbar, location bar, status
// bars, navigation history, closing, and the program itself started on a
// temporary home tree.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgfiles.h"
#include "rummage/rmglocationbar.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmenubar.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgtoolbar.h"

using testutil::Exists;
using testutil::MakeDirs;
using testutil::TempDir;
using testutil::WaitFor;

namespace rmg {
namespace {

using rmgtest::Pump;
using rmgtest::Settle;

// A small populated home: three directories with a nested one, files.
void MakeHomeTree(const std::string& home) {
    for (const char* dir : {"one/sub/deep", "two", "three", "four", ".hidden"}) {
        MakeDirs(home + "/" + dir);
    }
    testutil::WriteFile(home + "/notes.txt", std::string(1024, 'n'));
    testutil::WriteFile(home + "/report.doc", std::string(512, 'r'));
    testutil::WriteFile(home + "/one/inside.txt", "x");
}

class MainWindowTest : public rmgtest::BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        MakeHomeTree(home_);
    }

    // A click on a directory in the tree.
    void Visit(const std::string& relative) {
        auto node = GetPathNode(pMainW->DirTree, home_ + relative);
        if (!node) {
            OpenChildTree(pMainW->DirTree, home_ + relative, 0);
            return;
        }
        pMainW->DirTree->get_selection()->select(node);
        Pump();
    }

    // Selects the two files of the home tree in the list.
    void SelectBothFiles() {
        ASSERT_GE(RowOf("notes.txt"), 0);
        ASSERT_GE(RowOf("report.doc"), 0);
        SelectListRow(RowOf("notes.txt"));
        Pump();
        SelectListRow(RowOf("report.doc"));
        Pump();
    }

    bool Sensitive(int tool) const { return pMainW->ToolButton[tool]->get_sensitive(); }
    std::string Status() const { return GetStatusBarText(pMainW->StatusBar); }
};

std::vector<std::string> ItemLabels(Gtk::MenuShell* shell) {
    std::vector<std::string> labels;
    for (Gtk::Widget* child : shell->get_children()) {
        labels.push_back(dynamic_cast<Gtk::MenuItem*>(child)->get_label());
    }
    return labels;
}

TEST_F(MainWindowTest, MenusHoldEveryItemWithAcceleratorsAndTips) {
    Start();
    // Every item in order, "|" between them; "-" is a separator.
    std::istringstream labels(
        "Create new window(_W)|New(_N)|Open(_O)|Copy(_C)...|Move(_M)...|Delete(_D)...|-|"
        "Property(_P)...|-|Close window(_X)|Select all(_A)|Select files(_S)...|"
        "Invert selection(_I)|-|Find file(_F)...|-|Symbolic link(_L)...|-|Rescan directory(_R)|"
        "Option(_O)...|Sort column(_S)...|Filter view(_F)...|Manual(_M)...|-|Abort(_A)...");
    std::string label;
    for (int i = 0; i < kMenuItemCount; ++i) {
        Gtk::MenuItem* item = pMainW->MenuItem[i];
        ASSERT_NE(item, nullptr) << i;
        ASSERT_TRUE(std::getline(labels, label, '|')) << i;
        // Tips go to the status bar only, never over the open menu.
        EXPECT_EQ(item->get_tooltip_text(), "") << i;
        if (label == "-") {
            EXPECT_NE(dynamic_cast<Gtk::SeparatorMenuItem*>(item), nullptr) << i;
            EXPECT_FALSE(item->get_sensitive()) << i;
        } else {
            EXPECT_EQ(item->get_label(), label);
            EXPECT_TRUE(item->get_use_underline()) << i;
        }
    }
    EXPECT_FALSE(std::getline(labels, label, '|'));
    // Menu titles in order, Help at the right edge.
    Gtk::Menu* fileMenu = dynamic_cast<Gtk::Menu*>(pMainW->MenuItem[0]->get_parent());
    ASSERT_NE(fileMenu, nullptr);
    Gtk::Widget* fileTitle = fileMenu->get_attach_widget();
    ASSERT_NE(fileTitle, nullptr);
    auto* menuBar = dynamic_cast<Gtk::MenuBar*>(fileTitle->get_parent());
    ASSERT_NE(menuBar, nullptr);
    EXPECT_EQ(ItemLabels(menuBar), (std::vector<std::string>{"File(_F)", "Edit(_E)", "Setting(_S)",
                                                             "Layout(_L)", "Help(_H)"}));
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    EXPECT_TRUE(gtk_menu_item_get_right_justified(
        dynamic_cast<Gtk::MenuItem*>(menuBar->get_children().back())->gobj()));
    G_GNUC_END_IGNORE_DEPRECATIONS

    // The "New" submenu.
    Gtk::Menu* newMenu = pMainW->MenuItem[MENU_NEW]->get_submenu();
    ASSERT_NE(newMenu, nullptr);
    EXPECT_EQ(ItemLabels(newMenu), (std::vector<std::string>{"Directory(_D)...", "File(_F)..."}));

    // Accelerators, found through the item's own accelerator closures.
    struct Accel {
        int item;
        guint key;
        int mods;
    };
    for (const Accel& want :
         {Accel{MENU_OPEN, GDK_KEY_F3, 0}, Accel{MENU_CLOSE_WINDOW, GDK_KEY_w, GDK_CONTROL_MASK},
          Accel{MENU_SELECT_ALL, GDK_KEY_a, GDK_CONTROL_MASK}, Accel{MENU_COPY, 0, 0}}) {
        SCOPED_TRACE(want.item);
        guint key = 0;
        int mods = 0;
        GList* closures =
            gtk_widget_list_accel_closures(GTK_WIDGET(pMainW->MenuItem[want.item]->gobj()));
        for (GList* l = closures; l != nullptr; l = l->next) {
            auto* closure = static_cast<GClosure*>(l->data);
            GtkAccelKey* found = gtk_accel_group_find(
                gtk_accel_group_from_accel_closure(closure),
                [](GtkAccelKey*, GClosure* c, gpointer data) -> gboolean { return c == data; },
                closure);
            if (found != nullptr) {
                key = found->accel_key;
                mods = found->accel_mods;
            }
        }
        g_list_free(closures);
        EXPECT_EQ(key, want.key);
        EXPECT_EQ(mods, want.mods);
    }
}

TEST_F(MainWindowTest, ToolbarLocationBarAndInitialSensitivity) {
    Start();
    EXPECT_EQ(dynamic_cast<Gtk::ToolButton*>(pMainW->ToolButton[TOOL_FORWARD])->get_label(),
              "Forward");
    EXPECT_EQ(pMainW->ToolButton[TOOL_UP]->get_child()->get_tooltip_text(),
              "Go up level in the directory heirarchy.");
    EXPECT_TRUE(Sensitive(TOOL_BACK));
    EXPECT_FALSE(Sensitive(TOOL_UP));
    EXPECT_FALSE(Sensitive(TOOL_FORWARD));
    EXPECT_TRUE(Sensitive(TOOL_HOME));
    EXPECT_GE(pMainW->ToolButton[TOOL_BACK]->get_allocated_height(), 48);

    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_EQ(GetLocationText(), home_);
    EXPECT_EQ(pMainW->FilterStatusBar->get_allocated_width(), 202);
    EXPECT_EQ(window_->get_title(), "Rummage");
}

// The pixels of a widget as drawn now.
std::vector<unsigned char> Pixels(Gtk::Widget& widget) {
    const int w = widget.get_allocated_width();
    const int h = widget.get_allocated_height();
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, w, h);
    auto cr = Cairo::Context::create(surface);
    gtk_widget_draw(widget.gobj(), cr->cobj());
    surface->flush();
    const unsigned char* data = surface->get_data();
    return std::vector<unsigned char>(data, data + surface->get_stride() * h);
}

TEST_F(MainWindowTest, InsensitiveToolButtonsStayDimWhileADialogRuns) {
    Start();
    Gtk::Widget* up =
        dynamic_cast<Gtk::ToolButton*>(pMainW->ToolButton[TOOL_UP])->get_icon_widget();
    ASSERT_NE(up, nullptr);
    ASSERT_FALSE(Sensitive(TOOL_UP));
    const auto dim = Pixels(*up);
    // What a running dialog does to the main window: off, and in the
    // background behind the dialog.
    window_->set_sensitive(false);
    window_->set_state_flags(Gtk::STATE_FLAG_BACKDROP, false);
    Settle();
    EXPECT_EQ(Pixels(*up), dim);
    window_->unset_state_flags(Gtk::STATE_FLAG_BACKDROP);
    window_->set_sensitive(true);
    Settle();
    pMainW->ToolButton[TOOL_UP]->set_sensitive(true);
    Settle();
    EXPECT_NE(Pixels(*up), dim);  // a sensitive one is drawn otherwise
}

TEST_F(MainWindowTest, StatusBarShowsTipsAndRestoresTheCounts) {
    Start();
    EXPECT_EQ(Status(), " " + home_);
    EXPECT_EQ(GetStatusBarText(pMainW->FilterStatusBar), " Filter: Show all files");

    pMainW->MenuItem[MENU_FIND_FILE]->select();
    EXPECT_EQ(Status(), " Locate files on disk.");
    pMainW->MenuItem[MENU_FIND_FILE]->deselect();
    EXPECT_EQ(Status(), " " + home_);

    // The pointer entering and leaving a toolbar button.
    auto cross = [](Gtk::Widget* widget, GdkEventType type) {
        GdkEvent* event = gdk_event_new(type);
        event->crossing.window = GDK_WINDOW(g_object_ref(widget->get_window()->gobj()));
        event->crossing.send_event = TRUE;
        event->crossing.mode = GDK_CROSSING_NORMAL;
        event->crossing.detail = GDK_NOTIFY_ANCESTOR;
        gtk_widget_event(widget->gobj(), event);
        gdk_event_free(event);
    };
    Gtk::Widget* home = pMainW->ToolButton[TOOL_HOME]->get_child();
    cross(home, GDK_ENTER_NOTIFY);
    EXPECT_EQ(Status(), " Go to your home directory.");
    cross(home, GDK_LEAVE_NOTIFY);
    EXPECT_EQ(Status(), " " + home_);

    // Counts of a selection come back after a tip.
    SelectBothFiles();
    EXPECT_EQ(Status(), " 2 files  1.5KByte");
    on_Menu_select(MENU_DELETE);
    EXPECT_EQ(Status(), " Delete files.");
    on_Menu_deselect();
    EXPECT_EQ(Status(), " 2 files  1.5KByte");
}

TEST_F(MainWindowTest, BackAndForwardFollowTheHistory) {
    Start();
    Visit("one/");
    Visit("two/");
    Visit("three/");
    EXPECT_EQ(pGTable->LocationDirHistory,
              (HistoryList{home_ + "three/", home_ + "two/", home_ + "one/", home_}));
    EXPECT_TRUE(Sensitive(TOOL_UP));

    on_Tool_Back_clicked();
    on_Tool_Back_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "one/");
    EXPECT_EQ(GetLocationText(), home_ + "one/");
    EXPECT_TRUE(Sensitive(TOOL_FORWARD));
    EXPECT_TRUE(Sensitive(TOOL_BACK));

    on_Tool_Forward_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "two/");
    EXPECT_TRUE(Sensitive(TOOL_FORWARD));

    Visit("four/");
    EXPECT_EQ(pGTable->LocationDirHistory.front(), home_ + "four/");
    EXPECT_EQ(pGTable->HistoryPosition, 0);
    EXPECT_TRUE(Sensitive(TOOL_BACK));
    EXPECT_FALSE(Sensitive(TOOL_FORWARD));

    // Back to the oldest entry turns Back off; Forward to the newest turns
    // Forward off.
    for (int i = 0; i < 4; ++i)
        on_Tool_Back_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_FALSE(Sensitive(TOOL_BACK));
    EXPECT_FALSE(Sensitive(TOOL_UP));
    on_Tool_Back_clicked();  // nothing further back
    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_EQ(pGTable->HistoryPosition, 4);
    for (int i = 0; i < 4; ++i)
        on_Tool_Forward_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "four/");
    EXPECT_FALSE(Sensitive(TOOL_FORWARD));
    EXPECT_TRUE(Sensitive(TOOL_BACK));
    // The drop-down holds the history.
    EXPECT_EQ(gtk_tree_model_iter_n_children(
                  GTK_TREE_MODEL(pMainW->LocationCombo->get_model()->gobj()), nullptr),
              5);
}

TEST_F(MainWindowTest, ForwardOntoTheShownDirectoryStillRecordsTheNextVisit) {
    Start();
    Visit("one/");
    Visit("two/");
    Visit("three/");
    on_Tool_Back_clicked();
    on_Tool_Back_clicked();  // shows one, position 2
    Visit("two/");           // two moves to the front, position 1
    ASSERT_EQ(pGTable->LocationDirHistory.front(), home_ + "two/");
    on_Tool_Forward_clicked();  // entry 0 is two, already shown
    EXPECT_EQ(pGTable->CurrentDir, home_ + "two/");
    EXPECT_EQ(pGTable->HistoryMoving, 0);
    Visit("four/");
    EXPECT_EQ(pGTable->LocationDirHistory.front(), home_ + "four/");
}

TEST_F(MainWindowTest, UpHomeRescanAndTypedLocations) {
    Start();
    Visit("one/");
    OpenChildTree(pMainW->DirTree, home_ + "one/sub/deep/", 0);
    Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "one/sub/deep/");
    on_Tool_Up_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "one/sub/");
    EXPECT_TRUE(Sensitive(TOOL_UP));
    on_Tool_Home_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_FALSE(Sensitive(TOOL_UP));
    on_Tool_Up_clicked();  // nothing above home
    EXPECT_EQ(pGTable->CurrentDir, home_);

    // Typed: inside home, outside home, too long, missing.
    SetLocationText(home_ + "two");
    on_LocationComboEntry_activate();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "two/");
    EXPECT_EQ(GetLocationText(), home_ + "two/");
    EXPECT_TRUE(Sensitive(TOOL_UP));
    SetLocationText("/");
    on_LocationComboEntry_activate();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "two/");
    EXPECT_EQ(GetLocationText(), home_ + "two/");
    // The entry keeps at most 2047 characters; what is left names nothing
    // that exists, so the deepest existing directory, home, is shown.
    SetLocationText(home_ + std::string(2100, 'x'));
    EXPECT_EQ(GetLocationText().size(), 2047u);
    on_LocationComboEntry_activate();
    EXPECT_EQ(pGTable->CurrentDir, home_);
    SetLocationText(home_ + "three/missing/");
    on_LocationComboEntry_activate();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "three/");
    EXPECT_EQ(GetLocationText(), home_ + "three/");

    // Rescan (toolbar) lists what appeared meanwhile; Rescan directory
    // returns to the top.
    MakeDirs(home_ + "three/new");
    on_Tool_Rescan_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "three/");
    EXPECT_TRUE(GetPathNode(pMainW->DirTree, home_ + "three/new/"));
    EXPECT_GE(RowOf("new"), 0);
    MakeDirs(home_ + "five");
    pMainW->MenuItem[MENU_RESCAN_DIRECTORY]->activate();
    Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_EQ(GetLocationText(), home_);
    EXPECT_FALSE(Sensitive(TOOL_UP));
    EXPECT_TRUE(GetPathNode(pMainW->DirTree, home_ + "five/"));
}

TEST_F(MainWindowTest, StartDirectoryShowsInTheLocationBar) {
    Start({"--home", home_, home_ + "one/sub"});
    EXPECT_EQ(pGTable->CurrentDir, home_ + "one/sub/");
    EXPECT_EQ(GetLocationText(), home_ + "one/sub/");
    EXPECT_TRUE(Sensitive(TOOL_UP));
    EXPECT_EQ(pGTable->LocationDirHistory.front(), home_ + "one/sub/");
    on_Tool_Back_clicked();
    EXPECT_EQ(pGTable->CurrentDir, home_);
}

TEST_F(MainWindowTest, PropertyFollowsTheSelectionAndFileMenuSensitivity) {
    Start();
    // The tree's home node is the one item: Property on, but the top of
    // the tree can be neither copied, moved nor deleted.
    EXPECT_TRUE(pMainW->MenuItem[MENU_PROPERTY]->get_sensitive());
    EXPECT_TRUE(Sensitive(TOOL_PROPERTY));
    on_Menu_File_activate();
    EXPECT_FALSE(pMainW->MenuItem[MENU_COPY]->get_sensitive());
    EXPECT_FALSE(pMainW->MenuItem[MENU_MOVE]->get_sensitive());
    EXPECT_FALSE(pMainW->MenuItem[MENU_DELETE]->get_sensitive());

    SelectListRow(RowOf("notes.txt"));
    Pump();
    EXPECT_TRUE(Sensitive(TOOL_PROPERTY));
    SelectListRow(RowOf("report.doc"));
    Pump();
    EXPECT_FALSE(Sensitive(TOOL_PROPERTY));
    EXPECT_FALSE(pMainW->MenuItem[MENU_PROPERTY]->get_sensitive());
    // Opening the File menu sets the sensitivity.
    dynamic_cast<Gtk::Menu*>(pMainW->MenuItem[0]->get_parent())->get_attach_widget()->activate();
    Pump();
    EXPECT_TRUE(pMainW->MenuItem[MENU_COPY]->get_sensitive());
    EXPECT_FALSE(pMainW->MenuItem[MENU_OPEN]->get_sensitive());

    std::vector<std::string> items;
    std::string description;
    EXPECT_EQ(GetFileOperationString(items, &description), SELECT_FILES);
    EXPECT_EQ(items, (std::vector<std::string>{home_ + "notes.txt", home_ + "report.doc"}));
    EXPECT_EQ(description, "2 file");
}

// The command items follow the selection without their menu being opened:
// F3 once did nothing after the File menu had last been seen with two rows
// selected, and Copy stayed offered for the top directory until then.
TEST_F(MainWindowTest, AcceleratorsFollowTheSelectionWithoutTheMenuOpened) {
    Start();
    EXPECT_FALSE(pMainW->MenuItem[MENU_COPY]->get_sensitive());
    EXPECT_FALSE(pMainW->MenuItem[MENU_DELETE]->get_sensitive());
    Visit("two");
    EXPECT_TRUE(pMainW->MenuItem[MENU_COPY]->get_sensitive());
    Visit("");
    EXPECT_FALSE(pMainW->MenuItem[MENU_COPY]->get_sensitive());

    SelectBothFiles();
    on_Menu_File_activate();
    EXPECT_FALSE(pMainW->MenuItem[MENU_OPEN]->get_sensitive());
    EXPECT_FALSE(pMainW->MenuItem[MENU_SYMBOLIC_LINK]->get_sensitive());
    pMainW->FileList->get_selection()->unselect_all();
    SelectListRow(RowOf("one"));
    Pump();
    EXPECT_TRUE(pMainW->MenuItem[MENU_OPEN]->get_sensitive());
    EXPECT_TRUE(pMainW->MenuItem[MENU_SYMBOLIC_LINK]->get_sensitive());
    guitest::SendKey(window_, GDK_KEY_F3);
    Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "one/");
}

// Finds the shown pop-up menu and activates the item with `label`, or
// dismisses the menu when `label` is null.
void AnswerPopup(const char* label) {
    Glib::signal_timeout().connect_once(
        [label] {
            for (Gtk::Window* top : Gtk::Window::list_toplevels()) {
                auto* child = dynamic_cast<Gtk::Menu*>(top->get_child());
                if (child == nullptr || !top->get_visible())
                    continue;
                if (label == nullptr) {
                    child->deactivate();
                    return;
                }
                for (Gtk::Widget* w : child->get_children()) {
                    auto* item = dynamic_cast<Gtk::MenuItem*>(w);
                    if (item != nullptr && item->get_label() == label) {
                        child->activate_item(*item);
                        return;
                    }
                }
            }
            ADD_FAILURE() << "no pop-up menu shown";
        },
        200);
}

TEST_F(MainWindowTest, DropPopupAsksCopyOrMove) {
    Start();
    for (const auto& [label, choice] :
         {std::pair<const char*, int>{"Copy(_C)", 1}, {"Move(_M)", 2}, {nullptr, 0}}) {
        AnswerPopup(label);
        EXPECT_EQ(CreateFileOperationPopup(), choice);
    }
}

TEST_F(MainWindowTest, PlacementFromTheSettings) {
    testutil::WriteFile(
        home_ + ".rummage",
        "\n[Main Window]\nWindowX=-10\nWindowY=-20\nWindowWidth=640\nWindowHeight=420\n"
        "PandPosition=0\n");
    Start();
    int x = -1;
    int y = -1;
    window_->get_position(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(pMainW->Paned->get_position(), 200);
    int w = 0;
    int h = 0;
    window_->get_default_size(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 420);
}

TEST_F(MainWindowTest, ScreenSizedWindowIsCentred) {
    auto root = Gdk::Screen::get_default()->get_root_window();
    testutil::WriteFile(home_ + ".rummage",
                        "\n[Main Window]\nWindowX=300\nWindowY=200\nWindowWidth=" +
                            std::to_string(root->get_width()) + "\nWindowHeight=" +
                            std::to_string(root->get_height()) + "\nPandPosition=150\n");
    Start();
    EXPECT_EQ(window_->property_window_position().get_value(), Gtk::WIN_POS_CENTER);
    EXPECT_EQ(pMainW->Paned->get_position(), 150);
}

TEST_F(MainWindowTest, ClosingByTheTitleBarSavesTheSettings) {
    Start();
    Visit("two/");
    pMainW->Paned->set_position(234);
    Pump();
    ::unlink((home_ + ".rummage").c_str());
    window_->close();  // what the title bar's close button sends
    ASSERT_TRUE(rmgtest::PumpUntil([] { return pGTable == nullptr; }, 10000));
    const std::string saved = testutil::ReadFile(home_ + ".rummage");
    EXPECT_NE(saved.find("CurrentDir=" + home_ + "two/\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("PandPosition=234\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("History0=" + home_ + "two/\n"), std::string::npos) << saved;
    EXPECT_EQ(pMainW, nullptr);
}

TEST_F(MainWindowTest, CloseWindowSavesTheSettingsAndEndsTheLoop) {
    Start();
    Visit("three/");
    ::unlink((home_ + ".rummage").c_str());
    // Ctrl+W reaches "Close window" through the window's accelerators.
    Glib::signal_idle().connect_once([this] {
        gtk_accel_groups_activate(G_OBJECT(window_->gobj()), GDK_KEY_w, GDK_CONTROL_MASK);
    });
    RunMainLoop();  // returns because "Close window" ends it
    EXPECT_EQ(pGTable, nullptr);
    const std::string saved = testutil::ReadFile(home_ + ".rummage");
    EXPECT_NE(saved.find("CurrentDir=" + home_ + "three/\n"), std::string::npos) << saved;
}

TEST_F(MainWindowTest, TitleBarCloseEndsTheProgramOnceTheOperationStopped) {
    Start();
    ::unlink((home_ + ".rummage").c_str());
    SetupProgress({}, OP_COPY);  // a file operation is under way
    Glib::signal_idle().connect_once([this] { window_->close(); });
    bool stopped = false;
    bool recordsLived = false;
    Glib::signal_timeout().connect_once(
        [&] {
            // The operation's next step sees the stop; the records it uses
            // are still there until it has ended.
            recordsLived = pGTable != nullptr && pMainW != nullptr;
            stopped = UpdateProgress() == RESULT_NO;
            EndProgress();
        },
        200);
    auto guard = Glib::signal_timeout().connect(
        [] {
            QuitMainLoop();
            return false;
        },
        5000);
    RunMainLoop();
    guard.disconnect();
    EXPECT_TRUE(recordsLived);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(pGTable, nullptr);
    EXPECT_TRUE(Exists(home_ + ".rummage"));
}

TEST_F(MainWindowTest, NewWindowIsADetachedProcessWithTheSameArguments) {
    Start({"--home", home_});
    // A stand-in "rummage" first on the search path records its arguments.
    const std::string bin = tmp_.path() + "/bin";
    MakeDirs(bin);
    const std::string record = tmp_.path() + "/args";
    testutil::WriteFile(
        bin + "/rummage",
        "#!/bin/sh\necho \"$@\" > " + record + ".part && mv " + record + ".part " + record + "\n",
        0755);
    {
        const char* path = std::getenv("PATH");
        rmgtest::EnvScope env("PATH", (bin + ":" + (path != nullptr ? path : "")).c_str());
        pMainW->MenuItem[MENU_CREATE_NEW_WINDOW]->activate();
    }
    ASSERT_TRUE(WaitFor([&] { return Exists(record); }));
    EXPECT_EQ(testutil::ReadFile(record), "--home " + home_ + "\n");
    // Nothing is left for this process to collect.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

// ---- The program itself -------------------------------------------------

// The built program with HOME at `home`; ended on every way out of the test.
guitest::Program StartProgram(const TempDir& tmp, const std::string& home,
                              const std::string& args) {
    return guitest::Program(
        "env HOME='" + home + "' '" + testutil::BuildBinDir() + "/rummage' " + args, tmp);
}

bool WindowShown() {
    return testutil::Shell("xwininfo -name Rummage >/dev/null 2>&1") == 0;
}

TEST(RummageProgramTest, VersionPrintsTheVersionLineOnly) {
    TempDir tmp;
    MakeDirs(tmp / "home");
    auto p = StartProgram(tmp, tmp / "home", "--version");
    EXPECT_EQ(p.Wait(15000), 0);
    EXPECT_EQ(p.Out().rfind("Rummage  Version 1.01\n", 0), 0u);
    EXPECT_FALSE(Exists(tmp / "home/.rummage"));
}

TEST(RummageProgramTest, EachTerminatingSignalSavesTheSettings) {
    for (int signo : {SIGTERM, SIGINT, SIGQUIT, SIGHUP}) {
        SCOPED_TRACE(signo);
        TempDir tmp;
        const std::string home = tmp / "home";
        MakeHomeTree(home);
        ASSERT_FALSE(WindowShown()) << "another window is still up";
        auto p = StartProgram(tmp, home, "--home '" + home + "' '" + home + "/one'");
        ASSERT_TRUE(WaitFor(WindowShown, std::chrono::seconds(30)));
        // Settings of the first run are written at start; only the save at
        // the end holds the start directory.
        ASSERT_TRUE(WaitFor([&] { return Exists(home + "/.rummage"); }));
        EXPECT_EQ(testutil::ReadFile(home + "/.rummage").find("/one/"), std::string::npos);
        ::kill(p.pid(), signo);
        EXPECT_EQ(p.Wait(15000), 0);
        const std::string saved = testutil::ReadFile(home + "/.rummage");
        EXPECT_NE(saved.find("CurrentDir=" + home + "/one/\n"), std::string::npos) << saved;
        EXPECT_NE(saved.find("[LocationDirHistory]"), std::string::npos);
    }
}

}  // namespace
}  // namespace rmg

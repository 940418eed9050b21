#include "rummage/rmgmainwindow.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgkeys.h"
#include "rummage/rmglocationbar.h"
#include "rummage/rmgmenubar.h"
#include "rummage/rmgstring.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgtoolbar.h"
#include "rummage/rmgutil.h"

namespace rmg {

MainW* pMainW = nullptr;

namespace {

Glib::RefPtr<Glib::MainLoop> gMainLoop;
// A close waits for the running file operation to stop.
bool gClosePending = false;

void SetToolSensitive(int index, bool sensitive) {
    if (pMainW != nullptr && pMainW->ToolButton[index] != nullptr) {
        pMainW->ToolButton[index]->set_sensitive(sensitive);
    }
}

Gtk::TreeView* MainTree() {
    return pMainW != nullptr ? pMainW->DirTree : nullptr;
}

void OpenInTree(const std::string& path, int expand) {
    if (Gtk::TreeView* tree = MainTree()) {
        OpenChildTree(tree, path, expand);
    }
}

// Location entry and Up follow CurrentDir.
void SyncLocationWidgets() {
    if (pGTable == nullptr || pMainW == nullptr) {
        return;
    }
    SetLocationText(pGTable->CurrentDir);
    SetToolSensitive(TOOL_UP, pGTable->CurrentDir != pGTable->HomeDir);
}

// Back and Forward: open the history entry at `position`.  Nothing when
// there is none (position and flags unchanged).
bool OpenHistoryEntry(int position) {
    const HistoryList& history = pGTable->LocationDirHistory;
    if (position < 0 || position >= static_cast<int>(history.size())) {
        return false;
    }
    pGTable->HistoryMoving = 1;
    pGTable->HistoryPosition = position;
    const std::string dir = history[position];
    OpenInTree(dir, 1);
    // When the entry is the directory already shown the tree's selection
    // does not change and nobody clears the flag; the next visit would then
    // be left out of the history.
    pGTable->HistoryMoving = 0;
    SyncLocationWidgets();
    return true;
}

Gtk::Label* StatusLabel(Gtk::Statusbar* bar) {
    if (bar == nullptr) {
        return nullptr;
    }
    auto* area = dynamic_cast<Gtk::Container*>(bar->get_message_area());
    if (area == nullptr) {
        return nullptr;
    }
    for (Gtk::Widget* child : area->get_children()) {
        if (auto* label = dynamic_cast<Gtk::Label*>(child)) {
            return label;
        }
    }
    return nullptr;
}

Gtk::Statusbar* CreateStatusRow(Gtk::Box& box) {
    auto* row = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 2));
    auto* status = Gtk::manage(new Gtk::Statusbar());
    auto* filter = Gtk::manage(new Gtk::Statusbar());
    filter->set_size_request(202, -1);
    row->pack_start(*status, Gtk::PACK_EXPAND_WIDGET);
    row->pack_start(*filter, Gtk::PACK_SHRINK);
    box.pack_start(*row, Gtk::PACK_SHRINK);
    pMainW->StatusBar = status;
    pMainW->FilterStatusBar = filter;
    return status;
}

// The bars sit in plain boxes: GTK 3's detachable handle box is deprecated
// and draws its child blank.
void PackBar(Gtk::Box& box, Gtk::Widget& child, int border) {
    auto* frame = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
    frame->set_border_width(border);
    frame->pack_start(child, Gtk::PACK_SHRINK);
    box.pack_start(*frame, Gtk::PACK_SHRINK);
}

void PlaceWindow(Gtk::Window& window) {
    int screenWidth = 0;
    int screenHeight = 0;
    if (auto screen = Gdk::Screen::get_default()) {
        if (auto root = screen->get_root_window()) {
            screenWidth = root->get_width();
            screenHeight = root->get_height();
        }
    }
    const GTable& t = *pGTable;
    if (t.WindowWidth >= screenWidth && t.WindowHeight >= screenHeight) {
        window.set_position(Gtk::WIN_POS_CENTER);
    } else {
        window.move(t.WindowX < 0 ? 0 : t.WindowX, t.WindowY < 0 ? 0 : t.WindowY);
    }
    if (t.WindowWidth != 0 && t.WindowHeight != 0) {
        window.set_default_size(t.WindowWidth, t.WindowHeight);
    }
}

// The command items' sensitivity follows every change of what they would
// act on; expanding or collapsing the tree's node changes what Open does.
void FollowSelectionWithCommands() {
    pMainW->FileList->get_selection()->signal_changed().connect(
        sigc::ptr_fun(&SensitiveSelectionCommands));
    Gtk::TreeView* tree = pMainW->DirTree;
    tree->get_selection()->signal_changed().connect(sigc::ptr_fun(&SensitiveSelectionCommands));
    tree->signal_row_expanded().connect(
        [](const Gtk::TreeModel::iterator&, const Gtk::TreeModel::Path&) {
            SensitiveSelectionCommands();
        });
    tree->signal_row_collapsed().connect(
        [](const Gtk::TreeModel::iterator&, const Gtk::TreeModel::Path&) {
            SensitiveSelectionCommands();
        });
}

void OnDestroyThunk(GtkWidget*, gpointer) {
    on_MainWindow_destroy();
}

}  // namespace

Gtk::Window* MainWindow() {
    return pMainW != nullptr ? pMainW->Window : nullptr;
}

Gtk::Window* CreateMainWindow() {
    if (pMainW == nullptr || pGTable == nullptr) {
        return nullptr;
    }
    auto* window = new Gtk::Window();
    pMainW->Window = window;
    window->set_title(_("Rummage"));
    PlaceWindow(*window);

    auto* vbox = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
    window->add(*vbox);

    auto* menuRow = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
    auto* toolRow = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
    auto* locationRow = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
    bool built = CreateMenuBar(*menuRow, *window) != nullptr &&
                 CreateToolBar(*toolRow) != nullptr && CreateLocationBar(*locationRow) != nullptr;
    if (built) {
        PackBar(*vbox, *menuRow, 0);
        PackBar(*vbox, *toolRow, 0);
        PackBar(*vbox, *locationRow, 2);

        auto* paned = Gtk::manage(new Gtk::Paned(Gtk::ORIENTATION_HORIZONTAL));
        pMainW->Paned = paned;
        paned->set_wide_handle(true);
        vbox->pack_start(*paned, Gtk::PACK_EXPAND_WIDGET);
        paned->set_position(pGTable->PandPosition != 0 ? pGTable->PandPosition : 200);
        built = CreateDirTree(paned) != nullptr && CreateFileList(paned) != nullptr &&
                CreateStatusRow(*vbox) != nullptr;
    }
    if (!built) {
        delete window;
        pMainW->Window = nullptr;
        return nullptr;
    }
    DisplayFilterStatus();
    FollowSelectionWithCommands();

    g_signal_connect(window->gobj(), "destroy", G_CALLBACK(OnDestroyThunk), nullptr);
    window->signal_delete_event().connect(sigc::ptr_fun(&on_MainWindow_delete_event));
    // Before the window's own handling, so the panes get the arrows first.
    window->signal_key_press_event().connect(sigc::ptr_fun(&on_MainWindow_key_press_event), false);
    pGTable->HistoryPosition = 0;
    pGTable->HistoryMoving = 0;
    SetLocationComboList(*pMainW->LocationCombo, pGTable->LocationDirHistory);
    return window;
}

void OpenStartDirectory() {
    if (pGTable == nullptr || pMainW == nullptr) {
        return;
    }
    const std::string start = pGTable->CurrentDir;
    OpenInTree(start, 0);
    SensitiveSelectionCommands();
    // The tree was built with CurrentDir already set, so selecting the
    // start directory is no change to it and runs no history update; a
    // start directory below home must still show in the location bar, be
    // reachable again by Back, and leave Up usable.
    if (pGTable->CurrentDir != pGTable->HomeDir) {
        UpdateLocationHistory();
    } else {
        SyncLocationWidgets();
    }
}

void RunMainLoop() {
    gMainLoop = Glib::MainLoop::create();
    gMainLoop->run();
    gMainLoop.reset();
}

void QuitMainLoop() {
    if (gMainLoop) {
        gMainLoop->quit();
    }
}

void SetStatusBarText(Gtk::Statusbar* bar, const std::string& text) {
    if (Gtk::Label* label = StatusLabel(bar)) {
        label->set_text(Glib::filename_display_name(text));
    }
}

std::string GetStatusBarText(Gtk::Statusbar* bar) {
    Gtk::Label* label = StatusLabel(bar);
    return label != nullptr ? std::string(label->get_text()) : std::string();
}

void UpdateLocationHistory() {
    if (pGTable == nullptr || pMainW == nullptr) {
        return;
    }
    GTable& t = *pGTable;
    SetLocationText(t.CurrentDir);
    if (t.HistoryMoving == 0) {
        AddHistoryListS(t.LocationDirHistory, t.CurrentDir);
        if (pMainW->LocationCombo != nullptr) {
            SetLocationComboList(*pMainW->LocationCombo, t.LocationDirHistory);
        }
        if (t.HistoryPosition > 0) {
            --t.HistoryPosition;
        }
        if (t.HistoryPosition > 0) {
            SetToolSensitive(TOOL_BACK, true);
        } else {
            SetToolSensitive(TOOL_FORWARD, false);
        }
    }
    t.HistoryMoving = 0;
    SetToolSensitive(TOOL_UP, t.CurrentDir != t.HomeDir);
    if (pMainW->FileList != nullptr) {
        DisplayFileStatus();
    }
}

void SensitivePropertyButton() {
    if (pMainW == nullptr || pGTable == nullptr) {
        return;
    }
    std::vector<std::string> items;
    GetFileOperationString(items, nullptr);
    const bool one = items.size() == 1;
    if (pMainW->MenuItem[MENU_PROPERTY] != nullptr) {
        pMainW->MenuItem[MENU_PROPERTY]->set_sensitive(one);
    }
    SetToolSensitive(TOOL_PROPERTY, one);
}

void on_Tool_Back_clicked() {
    if (pGTable == nullptr) {
        return;
    }
    const int position = pGTable->HistoryPosition + 1;
    if (!OpenHistoryEntry(position)) {
        return;
    }
    SetToolSensitive(TOOL_FORWARD, true);
    if (position >= static_cast<int>(pGTable->LocationDirHistory.size()) - 1) {
        SetToolSensitive(TOOL_BACK, false);
    }
}

void on_Tool_Forward_clicked() {
    if (pGTable == nullptr) {
        return;
    }
    const int position = pGTable->HistoryPosition - 1;
    if (!OpenHistoryEntry(position)) {
        return;
    }
    SetToolSensitive(TOOL_BACK, true);
    if (position <= 0) {
        SetToolSensitive(TOOL_FORWARD, false);
    }
}

void on_Tool_Up_clicked() {
    if (pGTable == nullptr) {
        return;
    }
    OpenInTree(GetParentDirectory(pGTable->CurrentDir), 1);
}

void on_Tool_Home_clicked() {
    if (pGTable == nullptr) {
        return;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0' && CheckChildDirectory(home, pGTable->HomeDir) == 0) {
        OpenInTree(home, 1);
    } else {
        OpenInTree(pGTable->HomeDir, 1);
    }
}

void on_Tool_Rescan_clicked() {
    if (pGTable == nullptr || MainTree() == nullptr) {
        return;
    }
    const std::string dir = pGTable->CurrentDir;
    RescanTree(MainTree(), dir);
    OpenInTree(dir, 1);
}

void on_Tool_Property_clicked() {
    if (pMainW != nullptr && pMainW->MenuItem[MENU_PROPERTY] != nullptr) {
        pMainW->MenuItem[MENU_PROPERTY]->activate();
    }
}

void on_Menu_RescanDirectory_activate() {
    if (pGTable == nullptr || MainTree() == nullptr) {
        return;
    }
    RescanTree(MainTree(), pGTable->HomeDir);
    pGTable->CurrentDir = pGTable->HomeDir;
    OpenInTree(pGTable->HomeDir, 1);
    // CurrentDir was set before the tree moved, so no history update ran.
    SyncLocationWidgets();
    DisplayFileStatus();
}

void on_LocationComboEntry_activate() {
    if (pGTable == nullptr) {
        return;
    }
    std::string text = GetLocationText();
    if (text.size() > kPathMax || CheckChildDirectory(text.c_str(), pGTable->HomeDir) != 0) {
        text = pGTable->CurrentDir;
    }
    OpenInTree(text, 1);
    // A path that does not exist (or the shown one) leaves the selection
    // alone; the entry shows what is listed again.
    SyncLocationWidgets();
}

void on_Menu_select(int index) {
    if (pMainW == nullptr) {
        return;
    }
    std::string tip;
    GetMenuTipsString(index, tip);
    SetStatusBarText(pMainW->StatusBar, " " + tip);
}

void on_Menu_deselect() {
    if (pMainW != nullptr && pGTable != nullptr) {
        SetStatusBarText(pMainW->StatusBar, pGTable->StatusText);
    }
}

void on_Tool_enter(int index) {
    if (pMainW == nullptr) {
        return;
    }
    std::string tip;
    GetToolTipsString(index, tip);
    SetStatusBarText(pMainW->StatusBar, " " + tip);
}

void on_Tool_leave() {
    on_Menu_deselect();
}

void TerminateRummage() {
    if (pGTable != nullptr) {
        WindowGeometry geometry;
        WindowGeometry* live = nullptr;
        if (pMainW != nullptr && pMainW->Window != nullptr && pMainW->Window->gobj() != nullptr) {
            pMainW->Window->get_position(geometry.x, geometry.y);
            pMainW->Window->get_size(geometry.width, geometry.height);
            if (pMainW->Paned != nullptr) {
                geometry.hasPaned = true;
                geometry.pandPosition = pMainW->Paned->get_position();
            }
            if (pMainW->FileList != nullptr) {
                geometry.columnWidths = GetListColumnWidths();
            }
            live = &geometry;
        }
        TerminateGlobalTable(live);
    }
    delete pMainW;
    pMainW = nullptr;
}

int ExecRummage() {
    // The new window gets this one's command line unchanged.
    return ExecRummage(pGTable != nullptr ? pGTable->Argv : std::vector<std::string>{"rummage"});
}

void on_Menu_CreateNewWindow_activate() {
    ExecRummage();
}

namespace {

// Saves, releases the records, and takes the window off the screen: with
// the records gone it must not draw again before the loop has ended.
void EndRummage() {
    Gtk::Window* window = MainWindow();
    TerminateRummage();
    if (window != nullptr) {
        window->hide();
    }
    QuitMainLoop();
}

}  // namespace

void CloseRummage() {
    if (!OperationRunning()) {
        EndRummage();
        return;
    }
    // The records stay until the operation has unwound: it is asked to
    // stop, and the window closes once it has.
    RequestOperationStop();
    if (gClosePending) {
        return;
    }
    gClosePending = true;
    Glib::signal_timeout().connect(
        [] {
            if (OperationRunning()) {
                return true;
            }
            gClosePending = false;
            EndRummage();
            return false;
        },
        50);
}

void on_Menu_CloseWindow_activate() {
    CloseRummage();
}

bool on_MainWindow_delete_event(GdkEventAny*) {
    // The program ends as with "Close window"; a window merely hidden would
    // leave it running unseen.
    CloseRummage();
    return true;
}

void on_MainWindow_destroy() {
    QuitMainLoop();
}

}  // namespace rmg

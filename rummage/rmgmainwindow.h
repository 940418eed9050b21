// The main window of the file manager: menu bar, toolbar, location bar, the
// tree and list under a divider, two status bars, and the navigation history.
#pragma once

#include <gtkmm.h>

#include <string>

namespace rmg {

inline constexpr int kMenuItemCount = 25;
inline constexpr int kToolButtonCount = 9;

// Positions in MainW::MenuItem (menu table order; separators included).
inline constexpr int MENU_CREATE_NEW_WINDOW = 0;
inline constexpr int MENU_NEW = 1;
inline constexpr int MENU_OPEN = 2;
inline constexpr int MENU_COPY = 3;
inline constexpr int MENU_MOVE = 4;
inline constexpr int MENU_DELETE = 5;
inline constexpr int MENU_PROPERTY = 7;
inline constexpr int MENU_CLOSE_WINDOW = 9;
inline constexpr int MENU_SELECT_ALL = 10;
inline constexpr int MENU_SELECT_FILES = 11;
inline constexpr int MENU_INVERT_SELECTION = 12;
inline constexpr int MENU_FIND_FILE = 14;
inline constexpr int MENU_SYMBOLIC_LINK = 16;
inline constexpr int MENU_RESCAN_DIRECTORY = 18;
inline constexpr int MENU_OPTION = 19;
inline constexpr int MENU_SORT = 20;
inline constexpr int MENU_FILTER_VIEW = 21;
inline constexpr int MENU_MANUAL = 22;
inline constexpr int MENU_ABORT = 24;

// Positions in MainW::ToolButton.
inline constexpr int TOOL_BACK = 0;
inline constexpr int TOOL_UP = 1;
inline constexpr int TOOL_FORWARD = 2;
inline constexpr int TOOL_RESCAN = 4;
inline constexpr int TOOL_HOME = 6;
inline constexpr int TOOL_PROPERTY = 8;

// Widgets of the main window; all belong to the window's widget tree.
struct MainW {
    Gtk::Window* Window = nullptr;
    Gtk::MenuItem* MenuItem[kMenuItemCount] = {};
    // Spaces hold their separator item, so every entry is set.
    Gtk::ToolItem* ToolButton[kToolButtonCount] = {};
    Gtk::ComboBoxText* LocationCombo = nullptr;
    Gtk::Paned* Paned = nullptr;
    Gtk::ScrolledWindow* TreeScroll = nullptr;
    Gtk::TreeView* DirTree = nullptr;
    Gtk::ScrolledWindow* ListScroll = nullptr;
    Gtk::TreeView* FileList = nullptr;
    Gtk::Statusbar* StatusBar = nullptr;
    Gtk::Statusbar* FilterStatusBar = nullptr;
};

extern MainW* pMainW;

// The main window dialogs open over; null before it is built.
Gtk::Window* MainWindow();

// Builds the window and fills pMainW (which must be allocated); null when a
// part could not be built.
Gtk::Window* CreateMainWindow();

// Opens the tree at CurrentDir without expanding it (which fills the list)
// and brings the location entry and Up in line with what is shown.
void OpenStartDirectory();

// The program's main loop; on_MainWindow_destroy and "Close window" end it.
void RunMainLoop();
void QuitMainLoop();

// Sets the text of a status bar's label directly (no message stack).
void SetStatusBarText(Gtk::Statusbar* bar, const std::string& text);
std::string GetStatusBarText(Gtk::Statusbar* bar);

// Called by the main tree's selection handler after it made a new
// CurrentDir: history, Back/Forward/Up sensitivity, location entry.
void UpdateLocationHistory();

// Property menu item and button sensitive exactly when one item is selected.
void SensitivePropertyButton();

// Navigation handlers (also used by the keys and tests).
void on_Tool_Back_clicked();
void on_Tool_Up_clicked();
void on_Tool_Forward_clicked();
void on_Tool_Rescan_clicked();
void on_Tool_Home_clicked();
void on_Tool_Property_clicked();
void on_LocationComboEntry_activate();
void on_Menu_RescanDirectory_activate();

// Status-bar tips.
void on_Menu_select(int index);
void on_Menu_deselect();
void on_Tool_enter(int index);
void on_Tool_leave();

// Saves the settings with the live window geometry and releases the global
// records (pGTable, pMainW); nothing when already done.
void TerminateRummage();
// Ends the program: saves, releases the records and ends the main loop; a
// running file operation is asked to stop first and the rest follows once
// it has.  "Close window", the title bar's close and the signals use it.
void CloseRummage();
// Starts a new detached file manager process with this one's arguments.
int ExecRummage();

void on_Menu_CreateNewWindow_activate();
void on_Menu_CloseWindow_activate();
bool on_MainWindow_delete_event(GdkEventAny* event);
void on_MainWindow_destroy();

}  // namespace rmg

// The menu bar of the main window, built from one table, and the handlers of
// its commands.
#pragma once

#include <gtkmm.h>

namespace rmg {

inline constexpr int MENU_KIND_ITEM = 0;
inline constexpr int MENU_KIND_SEPARATOR = 1;
inline constexpr int MENU_KIND_RADIO = 2;  // supported by the builder, used by no entry

// One menu table entry.  `handler` null: none (separators, "New").
struct MenuEntry {
    guint key;
    Gdk::ModifierType modifiers;
    int kind;
    const char* label;  // untranslated, mnemonic as "(_X)"
    void (*handler)();
};

inline constexpr int kMenuCount = 5;
// Entries 0..24 go to the five menus in turn; 25 and 26 form "New".
inline constexpr int kMenuEntries[kMenuCount] = {10, 9, 1, 2, 3};

const MenuEntry& GetMenuEntry(int index);
// Untranslated title of menu `menu` (0 "File(_F)" .. 4 "Help(_H)").
const char* GetMenuTitle(int menu);

// Builds the menu bar into `box`, adds a new accelerator group to `window`
// and fills pMainW->MenuItem.  Null when something could not be built.
Gtk::MenuBar* CreateMenuBar(Gtk::Box& box, Gtk::Window& window);

// Open, Copy, Move, Delete and Symbolic link follow the selection of the
// list and the tree.  Run on every selection change, not only when a menu
// opens: their accelerators act on what the items say.
void SensitiveSelectionCommands();

// Opening the File and Edit menus: sensitivity from the current selection.
void on_Menu_File_activate();
void on_Menu_Edit_activate();

// Commands of the Edit, Setting, Layout and Help menus (defined with
// their dialogs).
void on_Menu_SelectAll_activate();
void on_Menu_SelectFiles_activate();
void on_Menu_Invert_Selection_activate();
void on_Menu_FindFile_activate();
void on_Menu_SymbolicLink_activate();
void on_Menu_Option_activate();
void on_Menu_Sort_activate();
void on_Menu_FilterView_activate();
void on_Menu_Manual_activate();
void on_Menu_Abort_activate();

}  // namespace rmg

// The launcher's dialogs: message and confirmation boxes, adding, renaming
// and deleting items, editing the lists of users and menus, and the choice
// of an application.  Each window is held by one record that exists only
// while the window is open.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "waymark/WmFile.h"

namespace wm {

// What the dialog records share: the window, and its OK and Cancel where it
// has them.  A record is closed by disposing of its window and itself.
struct DialogRecord {
    Gtk::Window* window = nullptr;
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
};

struct MessageWindow : DialogRecord {
    int code = 0;
    bool showItemWindow = false;  // closing shows the item window again
};

// What a confirmation deletes.
struct ConfirmRequest {
    int code = 0;
    int index = -1;
};

struct ConfirmWindow {
    Gtk::Window* window = nullptr;
    Gtk::Button* yes = nullptr;
    Gtk::Button* no = nullptr;
    ConfirmRequest request;
};

struct AddItemWindow : DialogRecord {
    Gtk::Entry* name = nullptr;
    Gtk::Entry* link = nullptr;
    Gtk::Button* file = nullptr;
    int menu = -1;        // absolute index of the target menu
    int dropToggle = -1;  // menu button the drop landed on, -1 when not by a drop
};

struct RenameItemWindow : DialogRecord {
    Gtk::Entry* name = nullptr;
    Gtk::Entry* link = nullptr;
    Gtk::Entry* date = nullptr;
    int item = -1;
};

struct EditWindow : DialogRecord {
    bool users = false;
    Gtk::Entry* entry = nullptr;
    Gtk::Button* add = nullptr;
    Gtk::Button* up = nullptr;
    Gtk::Button* down = nullptr;
    Gtk::Button* rename = nullptr;
    Gtk::Button* remove = nullptr;
    Gtk::TreeView* list = nullptr;
    Glib::RefPtr<Gtk::ListStore> store;
    std::unique_ptr<NaviData> copy;  // the working copy until OK
    int row = -1;
};

struct RenameWindow : DialogRecord {
    Gtk::Entry* entry = nullptr;
};

extern MessageWindow* pwyMessage;
extern ConfirmWindow* pwyConfilm;
extern AddItemWindow* pAddItem;
extern RenameItemWindow* pRenameItem;
extern EditWindow* pwyEdit;
extern RenameWindow* pwyRename;
extern Gtk::Window* pwSelectApp;

// Shows a message code (nothing when a message is already shown).  Mode 3:
// closing the box by any route ends the program.
void wyMessageBox(int code, bool showItemWindow = false);
// Asks to delete what `request` names.
void wyConfilmBox(const ConfirmRequest& request);

// Add-item window for menu `menu` of the current user; `dropToggle` is the
// menu button a drop landed on (-1 otherwise).  Null when it cannot open.
Gtk::Window* CreateAddItemWindow(int menu, int dropToggle);
void on_AddItemOK_clicked();
void on_AddItemFile_clicked();

// The item info menu of `slot`, popped up at the pointer.
void CreateItemInfoMenu(int slot);
Gtk::Window* CreateRenameItemWindow(int item);
void on_RenameItemOK_clicked();
// Asks to delete item `item` of the open menu.
void DeleteItemAsked(int item);

// The edit menu at the pointer; `CreatewyEditWindow` opens the list of
// users or of the current user's menus on a copy of the model.
void CreateEditMenu();
Gtk::Window* CreatewyEditWindow(bool users);
void on_EditAdd_clicked();
void on_EditMove_clicked(bool down);
void on_EditRename_clicked();
void on_EditDelete_clicked();
void on_EditOK_clicked();
Gtk::Window* CreatewyRenameWindow(bool users, const std::string& name);
void on_RenameOK_clicked();

// The select-application window over `apps`; runs until it closes.  The
// chosen row, or -1.
int SelectApplicationWindow(const std::vector<NaviExt>& apps);

// Closes any open dialog window (at exit).
void DestroyDialogs();

}  // namespace wm

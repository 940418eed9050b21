// The launcher's model (users own menus, menus own items) and every edit of
// it, with what is current or selected afterwards.  Widget-free: the window
// handlers call it, WmFile fills and saves it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "waymark/WmTable.h"

namespace wm {

// Most users, menus of a user and items of a menu.
inline constexpr int kMaxUsers = 20;
inline constexpr int kMaxMenus = 20;
inline constexpr int kMaxItems = 100;

// Item categories.
inline constexpr int CATEGORY_WEB = 0;
inline constexpr int CATEGORY_APPLICATION = 1;
inline constexpr int CATEGORY_DOCUMENT = 2;

// One colour, 16-bit components (the file keeps the upper byte).
struct NaviColor {
    unsigned short red = 0;
    unsigned short green = 0;
    unsigned short blue = 0;
};

struct NaviItem {
    std::string ItemName;
    std::string LinkName;
    int ItemCategory = CATEGORY_WEB;
    std::string Date;      // "%04d%02d%02d%02d%02d%02d", local time
    std::string IconPath;  // XPM file, or empty for the category picture
    // The picture the windows loaded from IconPath; copies of the item share
    // it and it goes with the last of them.  The core never looks inside.
    std::shared_ptr<void> Icon;
};

struct NaviMenu {
    std::string MenuName;
    std::vector<NaviItem> ItemList;
    int ItemCount = 0;
    int ScrollTop = 0;  // first item shown in the item window; not stored
};

struct NaviUser {
    std::string UserName;
    std::vector<NaviMenu> MenuList;
    int MenuCount = 0;
    int CurrentMenu = -1;  // open menu, -1 for none
    bool NoDelete = false;
};

// An entry of [Extension] (extension without its dot -> program) or of
// [Application] (name shown in the chooser -> program).
struct NaviExt {
    std::string Key;
    std::string Value;
};

struct NaviData {
    std::string Version;
    std::string HelpPath;  // ends in "/"
    std::string DataDir;   // absolute, ends in "/"
    std::string WebAP;
    std::string WebProcName;
    std::string FileManager;  // may be empty
    int UserCount = 0;
    int CurrentUser = -1;
    std::vector<NaviUser> UserList;
    NaviColor ToggleN;
    NaviColor ToggleA;
    NaviColor TStringN;
    NaviColor TStringA;
    std::string ButtonFont;
    std::vector<NaviExt> ExtList;  // [Extension], file order
    std::vector<NaviExt> AppList;  // [Application], file order
};
// The counts always equal the lengths of their lists: every operation below
// keeps them so, and the writer trusts the lists.

// ---- list operations ---------------------------------------------------

// The n-th entry of a list, or null when n is negative or past the end.
template <typename T>
T* GetList(std::vector<T>& list, int n) {
    return n < 0 || static_cast<std::size_t>(n) >= list.size() ? nullptr
                                                               : &list[static_cast<std::size_t>(n)];
}
template <typename T>
const T* GetList(const std::vector<T>& list, int n) {
    return n < 0 || static_cast<std::size_t>(n) >= list.size() ? nullptr
                                                               : &list[static_cast<std::size_t>(n)];
}

// The list step of MoveUser and MoveMenu: entry i changes places with its
// neighbour below (down) or above; false when there is none.
template <typename T>
bool MoveListItem(std::vector<T>& list, int i, bool down) {
    const int j = down ? i + 1 : i - 1;
    if (GetList(list, i) == nullptr || GetList(list, j) == nullptr) {
        return false;
    }
    std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
    return true;
}

// The record at index i, or null outside 0..count-1.
NaviUser* GetUser(NaviData& data, int i);
const NaviUser* GetUser(const NaviData& data, int i);
NaviMenu* GetMenu(NaviUser& user, int i);
const NaviMenu* GetMenu(const NaviUser& user, int i);
NaviItem* GetItem(NaviMenu& menu, int i);
const NaviItem* GetItem(const NaviMenu& menu, int i);
NaviUser* GetCurrentUser(NaviData& data);
const NaviUser* GetCurrentUser(const NaviData& data);
NaviMenu* GetCurrentMenu(NaviUser& user);
const NaviMenu* GetCurrentMenu(const NaviUser& user);

// Appends; 0, or CODE_NO_MEMORY with the model unchanged.  Names and links
// keep only their first line and lose other control bytes.  A new user has
// no menus, CurrentMenu 0, and becomes the current user.  A new item is
// dated now and has no icon.
int AddUser(NaviData& data, const std::string& name);
int AddMenu(NaviUser& user, const std::string& name);
int AddItem(NaviMenu& menu, const std::string& name, const std::string& link, int category);

// Replace a name; 0, or -1 when there is no record at i.
int RenameUser(NaviData& data, int i, const std::string& name);
int RenameMenu(NaviUser& user, int i, const std::string& name);
int RenameItem(NaviMenu& menu, int i, const std::string& name);

// One place towards the end (down) or the start; the current index stays on
// the same record.  Nothing when there is no neighbour that way.
void MoveUser(NaviData& data, int i, bool down);
void MoveMenu(NaviUser& user, int i, bool down);
// In the open menu of the current user: moves the first item equal to
// `item` (SameItem) to `position` + ScrollTop (past the end: to the end).
// True when it moved.
bool MoveItem(NaviData& data, const NaviItem& item, int position);
// Takes item `index` out of menu `from` and appends it to menu `to` of
// `user`.  0, -1 (no such menu or item, same menu, or `to` is full), or
// CODE_NO_MEMORY with the model unchanged.
int MoveItemToMenu(NaviUser& user, int from, int index, int to);

// The same item record: name, link, date and category (not the picture).
bool SameItem(const NaviItem& a, const NaviItem& b);
// Index of the item equal to `item` in `menu`: `hint` while the item still
// stands there, else the first equal one; -1 when there is none.
int FindItem(const NaviMenu& menu, const NaviItem& item, int hint = -1);

// An item being dragged: where it stood when the drag began, and a copy to
// find it again by.
struct DraggedItem {
    int user = -1;
    int menu = -1;
    int item = -1;
    NaviItem copy;
};
// How a drop of a dragged item on a menu button ends.
enum class MenuDrop {
    kMoved,     // at the end of the target menu, which is now the open one
    kSameMenu,  // its own menu: nothing moves
    kMenuFull,  // the target holds kMaxItems already
    kRefused,   // another user now, a menu or the item gone, or no memory
};
// Moves the dragged item to the end of menu `to` of the current user.  The
// model may have changed since the drag began: the item is found again.
MenuDrop MoveDraggedItem(NaviData& data, const DraggedItem& drag, int to);

// Remove a record and all it owns, adjusting the current index.
void RemoveUser(NaviData& data, int i);
void RemoveMenu(NaviUser& user, int i);
void RemoveItem(NaviMenu& menu, int i);

// ---- the user and menu editors ------------------------------------------
// Each editor works on a copy of the model and lists either its users
// (`users` set) or the menus of its current user; rows are list indexes.

// The names the editor lists, in order.
std::vector<std::string> EditNames(const NaviData& copy, bool users);
// How many rows the editor takes at most.
int EditLimit(bool users);
// Appends a user (who becomes current) or a menu.  0 or CODE_NO_MEMORY.
int AddEditEntry(NaviData& copy, bool users, const std::string& name);
// Renames row `row`; 0, or -1 when there is no such row.
int RenameEditEntry(NaviData& copy, bool users, int row, const std::string& name);
// Moves row `row` one place; the row it stands in afterwards (which stays
// selected), or -1 when it has no neighbour that way.
int MoveEditEntry(NaviData& copy, bool users, int row, bool down);
// Whether row `row` may be deleted: any menu, a user not marked NoDelete.
bool EditEntryDeletable(const NaviData& copy, bool users, int row);
// Deletes row `row` and all it owns; false when there is no such row.
// Nothing is selected afterwards.
bool RemoveEditEntry(NaviData& copy, bool users, int row);
// The editor's OK: `copy` becomes the model with no menu open.  Returns the
// first menu the strip of `toggleCount` buttons shows, `menuTop` kept when
// the menus still fill the strip from there.
int TakeEditedCopy(NaviData& data, NaviData&& copy, int menuTop, int toggleCount);

// Deep copy for the editing windows (item pictures are shared); null when
// memory runs out.
std::unique_ptr<NaviData> CopyData(const NaviData& data);
// Empties the model (every user removed, lists cleared).
void FreeNaviData(NaviData& data);

// ScrollTop kept even and in range for the menu's item count (a stale value
// after deletions would show slots past the end); returns the new value.
int ClampScrollTop(NaviMenu& menu);

// The present local time as the 14 digits of Date.
std::string MakeDate();

}  // namespace wm

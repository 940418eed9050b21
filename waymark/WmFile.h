// The launcher's data model (users own menus, menus own items), the data
// files Waymark.dat and User00.dat..User19.dat that hold it, and the list
// operations the windows edit it with.  Texts are bytes in the locale's
// encoding; lengths are in bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "waymark/WmTable.h"

namespace wm {

// Limits of the fields, as the reader enforces them.
inline constexpr std::size_t kVersionMax = 6;
inline constexpr std::size_t kNameMax = 20;
inline constexpr std::size_t kLinkMax = 2048;
inline constexpr std::size_t kPathMax = 2048;
inline constexpr std::size_t kDateMax = 14;
inline constexpr std::size_t kDeleteMax = 8;
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

// The live model; owned by main, set after a successful load.
extern NaviData* pNaviData;

// Defaults taken when [Color] is incomplete or out of range, and when
// ButtonFont is missing.
inline constexpr NaviColor kDefaultToggleN{25 << 8, 129 << 8, 255 << 8};
inline constexpr NaviColor kDefaultToggleA{99 << 8, 184 << 8, 255 << 8};
inline constexpr NaviColor kDefaultTString{0, 0, 0};
extern const char* const kDefaultButtonFont;

// ---- files -------------------------------------------------------------

// Whole file; 0, or -1 when it is missing, empty or unreadable.  The text
// ends at the first NUL byte, as the file's users have always read it.
int wyReadFile(const std::string& path, std::string& text);
// Replaces the file whole and crash-safely (beside, fsync, rename; the old
// file stays on any failure).  0 or -1.
int wyWriteFile(const std::string& path, const std::string& text);

// The record a save of several data files leaves in DataDir while it puts
// them in place; the next load finishes that save.
inline constexpr const char* kSaveRecord = "Waymark.commit";
// Whether `name` is one of the data files (Waymark.dat, User00.dat..User19.dat).
bool IsDataFileName(const std::string& name);
// Finishes a save that was cut off after it committed and removes what an
// uncommitted one left.  0 or an errno value.
int RecoverNaviFiles(const std::string& dataDir);

// DataDir + "Waymark.dat" and DataDir + "User%02d.dat".
std::string NaviFilePath(const NaviData& data);
std::string UserFilePath(const NaviData& data, int index);

// Loads the whole model: GetNaviInfo, then every user file.  0 or the
// start-up message code (mode 3).  `waymark` is the WAYMARK value, null or
// empty for unset; a relative one is made absolute against the current
// directory.  The form without it reads the environment.  GetNaviInfo
// first finishes (or throws away) a save that was cut off, so the files
// read are all of one save.
int ReadNaviInfo(NaviData& data);
int ReadNaviInfo(NaviData& data, const char* waymark);
int GetNaviInfo(NaviData& data, const char* waymark);
int GetUserInfo(NaviData& data, int index);
// The readers without the files: the text of Waymark.dat into `data` (its
// DataDir untouched), and one user file's text appended as the next user.
int ParseNaviText(NaviData& data, const std::string& text);
int ParseUserText(NaviData& data, const std::string& text);

// Key reader: 0 found, 1 missing (also empty, too long, or, for numbers,
// longer than 7 bytes).  Section headers count only at the start of a line.
int GetInfo(const std::string& text, const char* section, const char* key, std::string& out,
            std::size_t maxLength);
int GetInfo(const std::string& text, const char* section, const char* key, int& out);
// [Color] component 0..255 as a 16-bit value; 0 or 1 (missing or out of range).
int GetColor(const std::string& text, const char* key, unsigned short& component);
// All four colours, or all four defaults when any key fails.
void GetColorInfo(NaviData& data, const std::string& text);
// Appends the "key=value" lines of `section`; 0, or 1 when there is no such
// header.
int GetExtensionData(const std::string& text, const char* section, std::vector<NaviExt>& list);

// Writes the changed user files and Waymark.dat and removes the stale user
// files above the count, all as one set: a failure or a crash at any step
// leaves, for the next load, the old files or the new ones, never a mix
// (every user exactly once).  0 or the write-failure code (mode 1).  A model
// the reader would refuse (a value over its limit, an empty required value,
// a line break in a value, counts out of range) is not written: the old
// files stay and the write-failure code is returned.
int WriteNaviInfo(const NaviData& data);
int SetNaviInfo(const NaviData& data);
int SetUserInfo(const NaviData& data, int index);

// The complete file texts, as the writers write them.  0, or the
// write-failure code for a model that must not be written.
int BuildNaviText(const NaviData& data, std::string& out);
int BuildUserText(const NaviData& data, int index, std::string& out);

// Text building: a section header preceded by an empty line, or one
// "key=value" line.
void SetInfo(std::string& text, const char* section);
void SetInfo(std::string& text, const char* key, const std::string& value);
void SetInfo(std::string& text, const char* key, int value);
void SetColorInfo(std::string& text, const char* key, unsigned short component);
void SetExtensionData(std::string& text, const std::vector<NaviExt>& list);

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
// `item` (name, link, date, category) to `position` + ScrollTop (past the
// end: to the end).  True when it moved.
bool MoveItem(NaviData& data, const NaviItem& item, int position);
// Takes item `index` out of menu `from` and appends it to menu `to` of
// `user`.  0, -1 (no such menu or item, same menu, or `to` is full), or
// CODE_NO_MEMORY with the model unchanged.
int MoveItemToMenu(NaviUser& user, int from, int index, int to);

// Remove a record and all it owns, adjusting the current index.
void RemoveUser(NaviData& data, int i);
void RemoveMenu(NaviUser& user, int i);
void RemoveItem(NaviMenu& menu, int i);

// Deep copy for the editing windows (item pictures are shared); null when
// memory runs out.
std::unique_ptr<NaviData> CopyData(const NaviData& data);
// Empties the model (every user removed, lists cleared).
void FreeNaviData(NaviData& data);

// ScrollTop kept even and in range for the menu's item count (a stale value
// after deletions would show slots past the end); returns the new value.
int ClampScrollTop(NaviMenu& menu);
// Index of the item shown in `slot` (0..9) of `menu`, or -1 when the slot
// shows nothing.
int SlotItemIndex(const NaviMenu& menu, int slot);

// The present local time as the 14 digits of Date.
std::string MakeDate();

}  // namespace wm

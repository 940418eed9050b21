// Editing the model: lookups by index, adding, renaming, moving and
// removing users, menus and items, the editors' rows, copying the model.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>
#include <utility>

#include "waymark/WmList.h"
#include "waymark/WmText.h"

namespace wm {
namespace {

// Moves entry i one place and keeps `current` on the same record.
template <typename T>
void MoveEntry(std::vector<T>& list, int i, bool down, int& current) {
    const int j = down ? i + 1 : i - 1;
    if (!MoveListItem(list, i, down)) {
        return;
    }
    if (current == i) {
        current = j;
    } else if (current == j) {
        current = i;
    }
}

int Count(std::size_t n) {
    return static_cast<int>(n);
}

// -1 when there is no `entry` to rename.
template <typename T>
int Rename(T* entry, std::string T::*name, const std::string& text) {
    if (entry == nullptr) {
        return -1;
    }
    entry->*name = CleanValue(text);
    return 0;
}

}  // namespace

NaviUser* GetUser(NaviData& data, int i) {
    return GetList(data.UserList, i);
}
const NaviUser* GetUser(const NaviData& data, int i) {
    return GetList(data.UserList, i);
}
NaviMenu* GetMenu(NaviUser& user, int i) {
    return GetList(user.MenuList, i);
}
const NaviMenu* GetMenu(const NaviUser& user, int i) {
    return GetList(user.MenuList, i);
}
NaviItem* GetItem(NaviMenu& menu, int i) {
    return GetList(menu.ItemList, i);
}
const NaviItem* GetItem(const NaviMenu& menu, int i) {
    return GetList(menu.ItemList, i);
}
NaviUser* GetCurrentUser(NaviData& data) {
    return GetList(data.UserList, data.CurrentUser);
}
const NaviUser* GetCurrentUser(const NaviData& data) {
    return GetList(data.UserList, data.CurrentUser);
}
NaviMenu* GetCurrentMenu(NaviUser& user) {
    return GetList(user.MenuList, user.CurrentMenu);
}
const NaviMenu* GetCurrentMenu(const NaviUser& user) {
    return GetList(user.MenuList, user.CurrentMenu);
}

int AddUser(NaviData& data, const std::string& name) {
    try {
        NaviUser user;
        user.UserName = CleanValue(name);
        user.CurrentMenu = 0;
        data.UserList.push_back(std::move(user));
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    data.UserCount = Count(data.UserList.size());
    data.CurrentUser = data.UserCount - 1;
    return 0;
}

int AddMenu(NaviUser& user, const std::string& name) {
    try {
        NaviMenu menu;
        menu.MenuName = CleanValue(name);
        user.MenuList.push_back(std::move(menu));
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    user.MenuCount = Count(user.MenuList.size());
    return 0;
}

int AddItem(NaviMenu& menu, const std::string& name, const std::string& link, int category) {
    try {
        NaviItem item;
        item.ItemName = CleanValue(name);
        item.LinkName = CleanValue(link);
        item.ItemCategory = category;
        item.Date = MakeDate();
        menu.ItemList.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    menu.ItemCount = Count(menu.ItemList.size());
    return 0;
}

int RenameUser(NaviData& data, int i, const std::string& name) {
    return Rename(GetUser(data, i), &NaviUser::UserName, name);
}

int RenameMenu(NaviUser& user, int i, const std::string& name) {
    return Rename(GetMenu(user, i), &NaviMenu::MenuName, name);
}

int RenameItem(NaviMenu& menu, int i, const std::string& name) {
    return Rename(GetItem(menu, i), &NaviItem::ItemName, name);
}

void MoveUser(NaviData& data, int i, bool down) {
    MoveEntry(data.UserList, i, down, data.CurrentUser);
}

void MoveMenu(NaviUser& user, int i, bool down) {
    MoveEntry(user.MenuList, i, down, user.CurrentMenu);
}

bool MoveItem(NaviData& data, const NaviItem& item, int position) {
    NaviUser* user = GetCurrentUser(data);
    NaviMenu* menu = user != nullptr ? GetCurrentMenu(*user) : nullptr;
    if (menu == nullptr) {
        return false;
    }
    std::vector<NaviItem>& list = menu->ItemList;
    const int found = FindItem(*menu, item);
    const int target = std::max(0, position) + std::max(0, menu->ScrollTop);
    if (found < 0 || found == target) {
        return false;
    }
    const auto from = static_cast<std::size_t>(found);
    NaviItem moving = std::move(list[from]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(from));
    const std::size_t at = std::min(static_cast<std::size_t>(target), list.size());
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::move(moving));
    return true;
}

int MoveItemToMenu(NaviUser& user, int from, int index, int to) {
    NaviMenu* source = GetMenu(user, from);
    NaviMenu* target = GetMenu(user, to);
    if (source == nullptr || target == nullptr || from == to ||
        GetItem(*source, index) == nullptr || Count(target->ItemList.size()) >= kMaxItems) {
        return -1;
    }
    try {
        target->ItemList.push_back(source->ItemList[static_cast<std::size_t>(index)]);
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    source->ItemList.erase(source->ItemList.begin() + index);
    source->ItemCount = Count(source->ItemList.size());
    target->ItemCount = Count(target->ItemList.size());
    ClampScrollTop(*source);
    return 0;
}

bool SameItem(const NaviItem& a, const NaviItem& b) {
    return a.ItemName == b.ItemName && a.LinkName == b.LinkName && a.Date == b.Date &&
           a.ItemCategory == b.ItemCategory;
}

int FindItem(const NaviMenu& menu, const NaviItem& item, int hint) {
    if (const NaviItem* at = GetItem(menu, hint); at != nullptr && SameItem(*at, item)) {
        return hint;
    }
    for (std::size_t i = 0; i < menu.ItemList.size(); ++i) {
        if (SameItem(menu.ItemList[i], item)) {
            return Count(i);
        }
    }
    return -1;
}

MenuDrop MoveDraggedItem(NaviData& data, const DraggedItem& drag, int to) {
    NaviUser* user = GetCurrentUser(data);
    NaviMenu* target = user != nullptr ? GetMenu(*user, to) : nullptr;
    const NaviMenu* source = user != nullptr ? GetMenu(*user, drag.menu) : nullptr;
    if (target == nullptr || source == nullptr || drag.user != data.CurrentUser) {
        return MenuDrop::kRefused;
    }
    if (to == drag.menu) {
        return MenuDrop::kSameMenu;
    }
    if (target->ItemCount >= kMaxItems) {
        return MenuDrop::kMenuFull;
    }
    const int index = FindItem(*source, drag.copy, drag.item);
    if (index < 0 || MoveItemToMenu(*user, drag.menu, index, to) != 0) {
        return MenuDrop::kRefused;
    }
    user->CurrentMenu = to;
    return MenuDrop::kMoved;
}

void RemoveUser(NaviData& data, int i) {
    if (GetUser(data, i) == nullptr) {
        return;
    }
    const int last = Count(data.UserList.size()) - 1;
    NaviUser& user = data.UserList[static_cast<std::size_t>(i)];
    while (!user.MenuList.empty()) {
        RemoveMenu(user, 0);
    }
    data.UserList.erase(data.UserList.begin() + i);
    data.UserCount = Count(data.UserList.size());
    int& current = data.CurrentUser;
    if (current == -1) {
        return;
    }
    if (data.UserList.empty()) {
        current = -1;
    } else if (current > i || (current == i && i == last)) {
        current -= 1;
    }
}

void RemoveMenu(NaviUser& user, int i) {
    if (GetMenu(user, i) == nullptr) {
        return;
    }
    const int last = Count(user.MenuList.size()) - 1;
    NaviMenu& menu = user.MenuList[static_cast<std::size_t>(i)];
    while (!menu.ItemList.empty()) {
        RemoveItem(menu, 0);
    }
    user.MenuList.erase(user.MenuList.begin() + i);
    user.MenuCount = Count(user.MenuList.size());
    int& current = user.CurrentMenu;
    if (current == -1) {
        return;
    }
    if (current == 0) {
        current = -1;
    } else if (current > i || (current == i && i == last)) {
        current -= 1;
    }
}

void RemoveItem(NaviMenu& menu, int i) {
    if (GetItem(menu, i) == nullptr) {
        return;
    }
    menu.ItemList.erase(menu.ItemList.begin() + i);
    menu.ItemCount = Count(menu.ItemList.size());
    ClampScrollTop(menu);
}

std::vector<std::string> EditNames(const NaviData& copy, bool users) {
    std::vector<std::string> names;
    if (users) {
        for (const NaviUser& user : copy.UserList) {
            names.push_back(user.UserName);
        }
    } else if (const NaviUser* user = GetCurrentUser(copy)) {
        for (const NaviMenu& menu : user->MenuList) {
            names.push_back(menu.MenuName);
        }
    }
    return names;
}

int EditLimit(bool users) {
    return users ? kMaxUsers : kMaxMenus;
}

int AddEditEntry(NaviData& copy, bool users, const std::string& name) {
    if (users) {
        return AddUser(copy, name);
    }
    NaviUser* user = GetCurrentUser(copy);
    return user != nullptr ? AddMenu(*user, name) : 0;
}

int RenameEditEntry(NaviData& copy, bool users, int row, const std::string& name) {
    if (users) {
        return RenameUser(copy, row, name);
    }
    NaviUser* user = GetCurrentUser(copy);
    return user != nullptr ? RenameMenu(*user, row, name) : -1;
}

int MoveEditEntry(NaviData& copy, bool users, int row, bool down) {
    const int to = down ? row + 1 : row - 1;
    const int rows = Count(EditNames(copy, users).size());
    if (row < 0 || to < 0 || to >= rows) {
        return -1;
    }
    if (users) {
        MoveUser(copy, row, down);
    } else if (NaviUser* user = GetCurrentUser(copy)) {
        MoveMenu(*user, row, down);
    }
    return to;
}

bool EditEntryDeletable(const NaviData& copy, bool users, int row) {
    if (!users) {
        return true;
    }
    const NaviUser* user = GetUser(copy, row);
    return user != nullptr && !user->NoDelete;
}

bool RemoveEditEntry(NaviData& copy, bool users, int row) {
    if (users) {
        if (GetUser(copy, row) == nullptr) {
            return false;
        }
        RemoveUser(copy, row);
        return true;
    }
    NaviUser* user = GetCurrentUser(copy);
    if (user == nullptr || GetMenu(*user, row) == nullptr) {
        return false;
    }
    RemoveMenu(*user, row);
    return true;
}

int TakeEditedCopy(NaviData& data, NaviData&& copy, int menuTop, int toggleCount) {
    data = std::move(copy);
    NaviUser* user = GetCurrentUser(data);
    if (user == nullptr) {
        return 0;
    }
    user->CurrentMenu = -1;
    const int last = user->MenuCount - toggleCount;
    if (menuTop > last) {
        return last > 0 ? last : 0;
    }
    return menuTop;
}

std::unique_ptr<NaviData> CopyData(const NaviData& data) {
    try {
        return std::make_unique<NaviData>(data);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeNaviData(NaviData& data) {
    while (!data.UserList.empty()) {
        RemoveUser(data, 0);
    }
    data.ExtList.clear();
    data.AppList.clear();
}

int ClampScrollTop(NaviMenu& menu) {
    const int count = Count(menu.ItemList.size());
    int top = menu.ScrollTop;
    if (top % 2 != 0) {
        top += 1;
    }
    // The last row may hold one item: the top never goes past the row that
    // keeps the window full.
    const int maxTop = count <= 10 ? 0 : (count + 1) / 2 * 2 - 10;
    if (top > maxTop) {
        top = maxTop;
    }
    if (top < 0) {
        top = 0;
    }
    menu.ScrollTop = top;
    return top;
}

std::string MakeDate() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

}  // namespace wm

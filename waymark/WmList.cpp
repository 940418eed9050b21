// Editing the model: lookups by index, adding, renaming, moving and
// removing users, menus and items, copying the whole model.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>
#include <utility>

#include "waymark/WmFile.h"
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

bool ItemEqual(const NaviItem& a, const NaviItem& b) {
    return a.ItemName == b.ItemName && a.LinkName == b.LinkName && a.Date == b.Date &&
           a.ItemCategory == b.ItemCategory;
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
    NaviUser* user = GetUser(data, i);
    if (user == nullptr) {
        return -1;
    }
    user->UserName = CleanValue(name);
    return 0;
}

int RenameMenu(NaviUser& user, int i, const std::string& name) {
    NaviMenu* menu = GetMenu(user, i);
    if (menu == nullptr) {
        return -1;
    }
    menu->MenuName = CleanValue(name);
    return 0;
}

int RenameItem(NaviMenu& menu, int i, const std::string& name) {
    NaviItem* item = GetItem(menu, i);
    if (item == nullptr) {
        return -1;
    }
    item->ItemName = CleanValue(name);
    return 0;
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
    std::size_t from = 0;
    while (from < list.size() && !ItemEqual(list[from], item)) {
        ++from;
    }
    const int target = std::max(0, position) + std::max(0, menu->ScrollTop);
    if (from == list.size() || Count(from) == target) {
        return false;
    }
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

int SlotItemIndex(const NaviMenu& menu, int slot) {
    if (slot < 0 || slot >= 10 || menu.ScrollTop < 0) {
        return -1;
    }
    const int index = menu.ScrollTop + slot;
    return GetItem(menu, index) != nullptr ? index : -1;
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

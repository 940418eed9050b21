// Editing the model: where the current user or menu ends up after moves and
// deletions, item moves and drops, the editors' rows, and lookups that never
// reach past a list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "waymark/WmList.h"

namespace {

using namespace wm;

NaviData Users(int n, int current) {
    NaviData data;
    for (int i = 0; i < n; ++i) {
        AddUser(data, "u" + std::to_string(i));
    }
    data.CurrentUser = current;
    return data;
}

std::vector<std::string> Names(const NaviData& data) {
    std::vector<std::string> out;
    for (const NaviUser& u : data.UserList) {
        out.push_back(u.UserName);
    }
    return out;
}

TEST(WmList, RemoveUserAndMenuAdjustTheCurrentIndex) {
    struct Case {
        int count;
        int current;
        int removed;
        int expected;
    };
    const Case cases[] = {
        {3, -1, 0, -1},  // nothing current stays so
        {1, 0, 0, -1},   // the last user gone
        {3, 2, 0, 1},    // a user before the current one
        {3, 1, 1, 1},    // the current one, not last: the next takes its place
        {3, 2, 2, 1},    // the current one and last
        {3, 0, 2, 0},    // a user after the current one
    };
    for (const Case& c : cases) {
        NaviData data = Users(c.count, c.current);
        RemoveUser(data, c.removed);
        EXPECT_EQ(data.CurrentUser, c.expected) << c.count << c.current << c.removed;
        EXPECT_EQ(data.UserCount, c.count - 1);
    }
    const Case menuCases[] = {
        {3, -1, 1, -1}, {3, 0, 2, -1}, {3, 2, 0, 1}, {3, 1, 1, 1}, {3, 2, 2, 1}, {3, 1, 2, 1},
    };
    for (const Case& c : menuCases) {
        NaviUser user;
        for (int i = 0; i < c.count; ++i) {
            AddMenu(user, "m" + std::to_string(i));
        }
        user.CurrentMenu = c.current;
        RemoveMenu(user, c.removed);
        EXPECT_EQ(user.CurrentMenu, c.expected) << c.count << c.current << c.removed;
        EXPECT_EQ(user.MenuCount, c.count - 1);
    }
}

TEST(WmList, MovesKeepTheCurrentIndexOnTheSameRecord) {
    NaviData data = Users(3, 1);
    MoveUser(data, 1, true);
    EXPECT_EQ(Names(data), (std::vector<std::string>{"u0", "u2", "u1"}));
    EXPECT_EQ(data.CurrentUser, 2);
    MoveUser(data, 1, true);  // moves u2 down past u1, the current one
    EXPECT_EQ(data.CurrentUser, 1);
    MoveUser(data, 0, false);  // no neighbour above: nothing
    MoveUser(data, 2, true);   // none below: nothing
    EXPECT_EQ(Names(data), (std::vector<std::string>{"u0", "u1", "u2"}));

    NaviUser user;
    AddMenu(user, "a");
    AddMenu(user, "b");
    user.CurrentMenu = 0;
    MoveMenu(user, 1, false);
    EXPECT_EQ(user.MenuList[0].MenuName, "b");
    EXPECT_EQ(user.CurrentMenu, 1);
}

TEST(WmList, NewUserBecomesCurrentAndNamesLoseControlBytes) {
    NaviData data = Users(2, 0);
    ASSERT_EQ(AddUser(data, "new\nsecond line"), 0);
    EXPECT_EQ(data.CurrentUser, 2);
    EXPECT_EQ(data.UserList[2].UserName, "new");
    EXPECT_EQ(data.UserList[2].CurrentMenu, 0);
    ASSERT_EQ(AddMenu(data.UserList[2], "ta\tb"), 0);
    ASSERT_EQ(AddItem(data.UserList[2].MenuList[0], "i", "http://a\r\nb", CATEGORY_WEB), 0);
    const NaviItem& item = data.UserList[2].MenuList[0].ItemList[0];
    EXPECT_EQ(data.UserList[2].MenuList[0].MenuName, "tab");
    EXPECT_EQ(item.LinkName, "http://a");
    EXPECT_EQ(item.Date.size(), 14u);
    EXPECT_EQ(RenameItem(data.UserList[2].MenuList[0], 1, "x"), -1);
}

NaviData OneMenu(int items, int scrollTop) {
    NaviData data = Users(1, 0);
    AddMenu(data.UserList[0], "m");
    data.UserList[0].CurrentMenu = 0;
    NaviMenu& menu = data.UserList[0].MenuList[0];
    for (int i = 0; i < items; ++i) {
        AddItem(menu, "i" + std::to_string(i), "http://" + std::to_string(i), CATEGORY_WEB);
    }
    menu.ScrollTop = scrollTop;
    return data;
}

std::string Order(const NaviMenu& menu) {
    std::string s;
    for (const NaviItem& i : menu.ItemList) {
        s += i.ItemName.substr(1) + " ";
    }
    return s;
}

TEST(WmList, MoveItemPlacesTheDraggedItemAtTheDropSlot) {
    NaviData data = OneMenu(5, 0);
    NaviMenu& menu = data.UserList[0].MenuList[0];
    const NaviItem dragged = menu.ItemList[0];
    EXPECT_TRUE(MoveItem(data, dragged, 3));
    EXPECT_EQ(Order(menu), "1 2 3 0 4 ");
    EXPECT_FALSE(MoveItem(data, dragged, 3));  // already there
    EXPECT_TRUE(MoveItem(data, menu.ItemList[1], 9));
    EXPECT_EQ(Order(menu), "1 3 0 4 2 ");  // past the end: at the end

    NaviData scrolled = OneMenu(12, 2);
    NaviMenu& m2 = scrolled.UserList[0].MenuList[0];
    EXPECT_TRUE(MoveItem(scrolled, m2.ItemList[0], 0));  // slot 0 shows item 2
    EXPECT_EQ(m2.ItemList[2].ItemName, "i0");
    NaviItem stranger = m2.ItemList[0];
    stranger.Date = "other";
    EXPECT_FALSE(MoveItem(scrolled, stranger, 5));
}

TEST(WmList, MoveItemToAnotherMenuRespectsTheLimit) {
    NaviData data = OneMenu(3, 0);
    NaviUser& user = data.UserList[0];
    AddMenu(user, "full");
    for (int i = 0; i < kMaxItems; ++i) {
        AddItem(user.MenuList[1], "f", "http://f", CATEGORY_WEB);
    }
    AddMenu(user, "empty");
    EXPECT_EQ(MoveItemToMenu(user, 0, 1, 1), -1);
    EXPECT_EQ(MoveItemToMenu(user, 0, 1, 0), -1);
    EXPECT_EQ(MoveItemToMenu(user, 0, 3, 2), -1);
    ASSERT_EQ(MoveItemToMenu(user, 0, 1, 2), 0);
    EXPECT_EQ(user.MenuList[0].ItemCount, 2);
    EXPECT_EQ(user.MenuList[2].ItemCount, 1);
    EXPECT_EQ(user.MenuList[2].ItemList[0].ItemName, "i1");
}

TEST(WmList, ScrollTopStaysInRangeAfterDeletions) {
    struct Case {
        int items;
        int top;
        int expected;
    };
    const Case cases[] = {{11, 2, 2},   {11, 4, 2},   {12, 3, 2}, {10, 2, 0},
                          {30, 20, 20}, {30, 22, 20}, {5, -2, 0}};
    for (const Case& c : cases) {
        NaviData data = OneMenu(c.items, c.top);
        EXPECT_EQ(ClampScrollTop(data.UserList[0].MenuList[0]), c.expected)
            << c.items << "/" << c.top;
    }
    // Deleting from the end of a scrolled menu pulls the window back, so no
    // slot shows an item that is gone.
    NaviData data = OneMenu(14, 4);
    NaviMenu& menu = data.UserList[0].MenuList[0];
    for (int i = 0; i < 4; ++i) {
        RemoveItem(menu, menu.ItemCount - 1);
    }
    EXPECT_EQ(menu.ScrollTop, 0);
    EXPECT_NE(GetItem(menu, menu.ScrollTop + 9), nullptr);
    RemoveItem(menu, 9);
    EXPECT_EQ(GetItem(menu, menu.ScrollTop + 9), nullptr);
    menu.ScrollTop = 40;  // stale value left by someone else
    EXPECT_EQ(GetItem(menu, menu.ScrollTop), nullptr);
}

// A drop on a menu button: the item goes to the end of the target menu,
// which opens, however the source menu changed while the item was dragged.
TEST(WmList, DraggedItemDropsOnAMenuOnlyWhenItCanStillBeFound) {
    struct Case {
        const char* what;
        int dragUser;
        int to;
        int shift;  // items put before the dragged one after the drag began
        bool gone;  // the dragged item deleted after the drag began
        int targetItems;
        MenuDrop expected;
    };
    const Case cases[] = {
        {"plain move", 0, 1, 0, false, 0, MenuDrop::kMoved},
        {"found again after items were added", 0, 1, 2, false, 0, MenuDrop::kMoved},
        {"its own menu", 0, 0, 0, false, 0, MenuDrop::kSameMenu},
        {"a full target", 0, 1, 0, false, kMaxItems, MenuDrop::kMenuFull},
        {"no such menu", 0, 5, 0, false, 0, MenuDrop::kRefused},
        {"dragged under another user", 1, 1, 0, false, 0, MenuDrop::kRefused},
        {"deleted meanwhile", 0, 1, 0, true, 0, MenuDrop::kRefused},
    };
    for (const Case& c : cases) {
        NaviData data = OneMenu(3, 0);
        NaviUser& user = data.UserList[0];
        AddMenu(user, "target");
        for (int i = 0; i < c.targetItems; ++i) {
            AddItem(user.MenuList[1], "t", "http://t", CATEGORY_WEB);
        }
        const DraggedItem drag{c.dragUser, 0, 1, user.MenuList[0].ItemList[1]};
        for (int i = 0; i < c.shift; ++i) {
            user.MenuList[0].ItemList.insert(user.MenuList[0].ItemList.begin(), NaviItem{});
            user.MenuList[0].ItemCount += 1;
        }
        if (c.gone) {
            RemoveItem(user.MenuList[0], 1);
        }
        const int sourceBefore = user.MenuList[0].ItemCount;
        EXPECT_EQ(MoveDraggedItem(data, drag, c.to), c.expected) << c.what;
        if (c.expected == MenuDrop::kMoved) {
            EXPECT_EQ(user.CurrentMenu, c.to) << c.what;
            EXPECT_EQ(user.MenuList[0].ItemCount, sourceBefore - 1) << c.what;
            EXPECT_EQ(FindItem(user.MenuList[0], drag.copy), -1) << c.what;
            EXPECT_TRUE(SameItem(user.MenuList[1].ItemList.back(), drag.copy)) << c.what;
        } else {
            EXPECT_EQ(user.CurrentMenu, 0) << c.what;
            EXPECT_EQ(user.MenuList[0].ItemCount, sourceBefore) << c.what;
        }
    }
}

TEST(WmList, FindItemPrefersTheHintOverAnEarlierTwin) {
    NaviData data = OneMenu(3, 0);
    NaviMenu& menu = data.UserList[0].MenuList[0];
    menu.ItemList[2] = menu.ItemList[0];
    EXPECT_EQ(FindItem(menu, menu.ItemList[0], 2), 2);
    EXPECT_EQ(FindItem(menu, menu.ItemList[0], 1), 0);
    NaviItem picture = menu.ItemList[1];
    picture.IconPath = "/elsewhere.xpm";  // the picture is no part of the record
    EXPECT_EQ(FindItem(menu, picture), 1);
    picture.ItemCategory = CATEGORY_DOCUMENT;
    EXPECT_EQ(FindItem(menu, picture), -1);
}

// The user and menu editors: each step on the copy, as the rows show it.
TEST(WmList, EditorRowsAddMoveRenameAndDeleteOnTheCopy) {
    for (const bool users : {true, false}) {
        NaviData copy = Users(2, 0);
        AddMenu(copy.UserList[0], "u0");
        AddMenu(copy.UserList[0], "u1");
        const std::string kind = users ? "users" : "menus";
        ASSERT_EQ(AddEditEntry(copy, users, "x"), 0) << kind;
        EXPECT_EQ(EditNames(copy, users), (std::vector<std::string>{"u0", "u1", "x"})) << kind;
        EXPECT_EQ(MoveEditEntry(copy, users, 2, false), 1) << kind;
        EXPECT_EQ(MoveEditEntry(copy, users, 0, false), -1) << kind;
        EXPECT_EQ(MoveEditEntry(copy, users, 2, true), -1) << kind;
        EXPECT_EQ(RenameEditEntry(copy, users, 1, "y"), 0) << kind;
        EXPECT_EQ(RenameEditEntry(copy, users, 3, "z"), -1) << kind;
        EXPECT_TRUE(RemoveEditEntry(copy, users, 0)) << kind;
        EXPECT_FALSE(RemoveEditEntry(copy, users, 2)) << kind;
        EXPECT_EQ(EditNames(copy, users), (std::vector<std::string>{"y", "u1"})) << kind;
        EXPECT_EQ(EditLimit(users), users ? kMaxUsers : kMaxMenus) << kind;
    }
    // A protected user can be moved and renamed, never deleted; any menu can.
    NaviData copy = Users(2, 0);
    AddMenu(copy.UserList[0], "m");
    copy.UserList[1].NoDelete = true;
    EXPECT_TRUE(EditEntryDeletable(copy, true, 0));
    EXPECT_FALSE(EditEntryDeletable(copy, true, 1));
    EXPECT_FALSE(EditEntryDeletable(copy, true, 2));
    EXPECT_TRUE(EditEntryDeletable(copy, false, 0));
}

// OK in an editor: no menu stays open and the strip starts where the menus
// still fill it.
TEST(WmList, EditedCopyClosesTheMenuAndKeepsTheStripFilled) {
    struct Case {
        int menus;
        int menuTop;
        int toggles;
        int expected;
    };
    const Case cases[] = {{10, 4, 5, 4}, {10, 7, 5, 5}, {3, 2, 5, 0}, {0, 1, 5, 0}};
    for (const Case& c : cases) {
        NaviData data;
        NaviData copy = Users(1, 0);
        for (int i = 0; i < c.menus; ++i) {
            AddMenu(copy.UserList[0], "m" + std::to_string(i));
        }
        copy.UserList[0].CurrentMenu = 0;
        EXPECT_EQ(TakeEditedCopy(data, std::move(copy), c.menuTop, c.toggles), c.expected)
            << c.menus << "/" << c.menuTop;
        EXPECT_EQ(data.UserList[0].CurrentMenu, -1);
        EXPECT_EQ(data.UserList[0].MenuCount, c.menus);
    }
    NaviData data = Users(1, 0);
    EXPECT_EQ(TakeEditedCopy(data, NaviData{}, 3, 5), 0);  // every user deleted
    EXPECT_EQ(data.UserCount, 0);
}

}  // namespace

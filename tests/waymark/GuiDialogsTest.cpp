// The launcher's dialogs: message and confirmation boxes, adding and
// renaming items, and the user and menu editors working on a copy.
#include <gtest/gtest.h>

#include <cstdio>

#include "GuiWaymarkSupport.h"

namespace {

using namespace wmtest;

class GuiWmDialogs : public WaymarkFixture {
  protected:
    // The message shown now: its title and text; the box is closed.
    std::pair<std::string, std::string> TakeMessage() {
        if (wm::pwyMessage == nullptr) {
            return {"", ""};
        }
        const std::string title = wm::pwyMessage->window->get_title();
        const std::vector<std::string> texts = LabelTexts(wm::pwyMessage->window);
        wm::pwyMessage->ok->clicked();
        Pump(10);
        return {title, texts.empty() ? "" : texts[0]};
    }
    std::string Files() { return NaviFile() + UserFile(0) + UserFile(1); }
};

TEST_F(GuiWmDialogs, MessageBoxShowsTheTitleAndTextOfItsCode) {
    Build({{"Ann", Menus(1, 1)}});
    struct Case {
        int code;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {wm::CODE_WRITE_NAVI_FAILED, "Format Error", "Failed to write Waymark.dat file."},
        {wm::CODE_WRITE_USER_FAILED, "Format Error", "Failed to write User.dat file."},
        {wm::CODE_ITEMS_EXCEED, "Starting Application",
         "Cannot add new Items. No more than 100 Items in Menu are not permitted."},
        {wm::CODE_NO_APPLICATION, "Starting Application",
         "Application \n is not exists to run this file."},
        {wm::CODE_CHARS_EXCEED, "Input Error",
         "Characters exceed.  No more than 20 characters are not permitted."},
        {wm::CODE_NO_MEMORY, "Memory Error",
         "Not enough memory to continue.\nPlease close unnecessary applications."},
    };
    for (const Case& c : cases) {
        wm::wyMessageBox(c.code);
        ASSERT_NE(wm::pwyMessage, nullptr);
        int w = 0, h = 0;
        wm::pwyMessage->window->get_size_request(w, h);
        EXPECT_EQ(w, 488);
        EXPECT_EQ(h, 118);
        EXPECT_EQ(Widgets<Gtk::Image>(wm::pwyMessage->window).size(), 1u);  // the Stop picture
        // A second message while one is shown is dropped.
        wm::wyMessageBox(wm::CODE_BAD_DROP);
        EXPECT_EQ(TakeMessage(), std::make_pair(std::string(c.title), std::string(c.text)));
        EXPECT_EQ(wm::pwyMessage, nullptr);
    }
    EXPECT_FALSE(wm::QuitRequested());
}

TEST_F(GuiWmDialogs, StartupFailureClosedFromTheTitleBarEndsTheProgram) {
    wm::ClearQuitRequest();
    wm::wyMessageBox(wm::CODE_INVALID_USER);
    ASSERT_NE(wm::pwyMessage, nullptr);
    EXPECT_EQ(wm::pwyMessage->window->get_title(), "Format Error");
    Pump(30);
    SendDelete(wm::pwyMessage->window);
    Pump(10);
    EXPECT_EQ(wm::pwyMessage, nullptr);
    EXPECT_TRUE(wm::QuitRequested());
    wm::ClearQuitRequest();
}

TEST_F(GuiWmDialogs, ClosingTheDeleteQuestionIsNoAndYesDeletesAndSaves) {
    Build({{"Ann", Menus(1, 3)}});
    OpenMenuButton(0);
    const std::string before = Files();
    wm::DeleteItemAsked(1);
    ASSERT_NE(wm::pwyConfilm, nullptr);
    EXPECT_EQ(wm::pwyConfilm->window->get_title(), "Delete Item Confirmation");
    EXPECT_EQ(LabelTexts(wm::pwyConfilm->window),
              std::vector<std::string>{"Deleting Item.  Yes or No?"});
    Pump(30);
    SendDelete(wm::pwyConfilm->window);
    Pump(10);
    EXPECT_EQ(wm::pwyConfilm, nullptr);
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 3);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(wm::GroupWindowVisible());

    wm::DeleteItemAsked(1);
    ButtonNamed(wm::pwyConfilm->window, "Yes")->clicked();
    Pump(10);
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 2);
    EXPECT_EQ(SlotTexts()[1], "i0-2");
    EXPECT_EQ(UserFile(0).find("i0-1"), std::string::npos);
}

TEST_F(GuiWmDialogs, FailedSaveAfterADeleteTellsAndNeverDeletesASecondItem) {
    Build({{"Ann", Menus(1, 3)}});
    OpenMenuButton(0);
    // A directory where the user file must go makes every save fail.
    ASSERT_EQ(std::remove((dir / "User00.dat").c_str()), 0);
    testutil::MakeDirs(dir / "User00.dat/x");
    wm::DeleteItemAsked(0);
    ButtonNamed(wm::pwyConfilm->window, "Yes")->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyConfilm, nullptr);  // a second Yes cannot delete the next item
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 2);
    EXPECT_EQ(TakeMessage(), std::make_pair(std::string("Format Error"),
                                            std::string("Failed to write User.dat file.")));
    EXPECT_TRUE(wm::GroupWindowVisible());
}

TEST_F(GuiWmDialogs, AddItemChecksItsEntriesInOrderAndSortsByKind) {
    Build({{"Ann", Menus(1, 0)}});
    testutil::WriteFile(dir / "doc.txt", "x");
    testutil::MakeDirs(dir / "folder");
    struct Case {
        std::string name;
        std::string link;
        const char* title;  // "" when accepted
        const char* text;   // or the category number when accepted
    };
    const Case cases[] = {
        {"", "http://a/", "Add Item", "Item Name is not configured."},
        {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", "http://a/",
         "Input Error", "Characters exceed.  No more than 20 characters are not permitted."},
        {"n", "", "Add Item", "Place of Item is not configured."},
        {"n", "http://" + std::string(2042, 'x'), "Input Error",
         "Inputted characters exceed 2048."},
        {"n", "mailto:x@y", "Add Item",
         "Invalid Item.  Please use URL start with http, ftp or file name start with /. "},
        {"n", dir / "missing", "Add Item", "File not exists."},
        {"n", dir / "folder", "Add Item", "Directory cannot be saved."},
        {"n", "/dev/null", "Add Item", "This file is not valid file."},
        {"web", "FTP://files.example.org/", "", "0"},
        {"app", dir / "app", "", "1"},
        {"doc", dir / "doc.txt", "", "2"},
    };
    int added = 0;
    for (const Case& c : cases) {
        ASSERT_NE(wm::CreateAddItemWindow(0, -1), nullptr);
        wm::pAddItem->name->set_text(c.name);
        wm::pAddItem->link->set_text(c.link);
        wm::on_AddItemOK_clicked();
        Pump(10);
        if (*c.title != '\0') {
            EXPECT_EQ(TakeMessage(), std::make_pair(std::string(c.title), std::string(c.text)))
                << c.link;
            ASSERT_NE(wm::pAddItem, nullptr);  // the window stays for a correction
            wm::pAddItem->cancel->clicked();
            Pump(10);
            continue;
        }
        EXPECT_EQ(wm::pAddItem, nullptr);
        const wm::NaviMenu& menu = data.UserList[0].MenuList[0];
        ASSERT_EQ(menu.ItemCount, ++added);
        EXPECT_EQ(menu.ItemList.back().ItemCategory, std::atoi(c.text)) << c.link;
    }
    EXPECT_NE(UserFile(0).find("ItemName=doc\nLinkName=" + dir / "doc.txt" + "\nItemCategory=2\n"),
              std::string::npos);
    // Escape is Cancel.
    ASSERT_NE(wm::CreateAddItemWindow(0, -1), nullptr);
    Pump(30);
    SendKey(wm::pAddItem->window, GDK_KEY_Escape);
    Pump(10);
    EXPECT_EQ(wm::pAddItem, nullptr);
}

TEST_F(GuiWmDialogs, RenameItemShowsTheDateAndSavesTheNewName) {
    Build({{"Ann", Menus(1, 2)}});
    OpenMenuButton(0);
    data.UserList[0].MenuList[0].ItemList[1].Date = "20240709081500";
    ASSERT_NE(wm::CreateRenameItemWindow(1), nullptr);
    EXPECT_EQ(wm::pRenameItem->window->get_title(), "Rename Item");
    EXPECT_EQ(wm::pRenameItem->date->get_text(), "07/09/2024");
    EXPECT_FALSE(wm::pRenameItem->link->get_sensitive());
    wm::pRenameItem->name->set_text("");
    wm::on_RenameItemOK_clicked();
    EXPECT_EQ(TakeMessage(), std::make_pair(std::string("Modify Item Name"),
                                            std::string("Item Name is not configured.")));
    wm::pRenameItem->name->set_text("Renamed");
    wm::on_RenameItemOK_clicked();
    Pump(10);
    EXPECT_EQ(wm::pRenameItem, nullptr);
    EXPECT_EQ(SlotTexts()[1], "Renamed");
    EXPECT_NE(UserFile(0).find("ItemName=Renamed\n"), std::string::npos);
}

TEST_F(GuiWmDialogs, UserEditorCancelLeavesTheModelAndFilesByteIdentical) {
    Build({{"Ann", Menus(2, 1)}, {"Bob", Menus(1, 1)}});
    const std::string before = Files();
    ASSERT_NE(wm::CreatewyEditWindow(true), nullptr);
    wm::EditWindow& e = *wm::pwyEdit;
    EXPECT_EQ(e.window->get_title(), "Edit User");
    e.entry->set_text("Carl");
    e.add->clicked();
    e.list->get_selection()->select(Gtk::TreePath("0"));
    e.down->clicked();
    e.rename->clicked();
    ASSERT_NE(wm::pwyRename, nullptr);
    wm::pwyRename->entry->set_text("Anna");
    wm::pwyRename->ok->clicked();
    Pump(10);
    e.list->get_selection()->select(Gtk::TreePath("2"));
    e.remove->clicked();
    ASSERT_NE(wm::pwyConfilm, nullptr);
    EXPECT_EQ(wm::pwyConfilm->window->get_title(), "Delete User Confirmation");
    ButtonNamed(wm::pwyConfilm->window, "Yes")->clicked();
    Pump(10);
    EXPECT_EQ(e.copy->UserCount, 2);
    EXPECT_EQ(e.copy->UserList[1].UserName, "Anna");
    e.cancel->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyEdit, nullptr);
    EXPECT_EQ(Files(), before);
    ASSERT_EQ(data.UserCount, 2);
    EXPECT_EQ(data.UserList[0].UserName, "Ann");
    EXPECT_EQ(data.UserList[1].UserName, "Bob");
}

TEST_F(GuiWmDialogs, MenuEditorOkReplacesTheModelRefreshesTheStripAndSaves) {
    Build({{"Ann", Menus(2, 1)}});
    ASSERT_NE(wm::CreatewyEditWindow(false), nullptr);
    wm::EditWindow& e = *wm::pwyEdit;
    EXPECT_EQ(e.window->get_title(), "Edit Menu");
    // A taken name, then a new one.
    e.entry->set_text("M1");
    e.add->clicked();
    EXPECT_EQ(TakeMessage(),
              std::make_pair(std::string("Add Menu"),
                             std::string("Input name is already used or registered.")));
    e.entry->set_text("News");
    e.add->clicked();
    e.list->get_selection()->select(Gtk::TreePath("2"));
    e.up->clicked();
    e.ok->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyEdit, nullptr);
    const wm::NaviUser& user = data.UserList[0];
    ASSERT_EQ(user.MenuCount, 3);
    EXPECT_EQ(user.MenuList[1].MenuName, "News");
    EXPECT_EQ(wm::pNavi->toggles[1].upper->get_text(), "News");
    EXPECT_NE(UserFile(0).find("[Menu01]\nMenuName=News\nItemCount=0\n"), std::string::npos);
}

// Names and paths whose bytes the locale cannot decode are shown with a
// stand-in but kept as they are: the user can still be chosen, renaming it
// to itself is refused, an untouched item name and a dropped file's path
// reach the model and the files unchanged.
TEST_F(GuiWmDialogs, BytesTheLocaleCannotDecodeAreKeptNotReplaced) {
    const std::string bob =
        "B\xFF"
        "ob";
    const std::string item = "it\xFE";
    Build({{"Ann", Menus(1, 0)}, {bob, {{"M0", {item}}}}});
    wm::pNavi->combo->set_active(1);
    Pump(20);
    ASSERT_EQ(data.CurrentUser, 1);
    EXPECT_NE(NaviFile().find("\nCurrentUser=1\n"), std::string::npos);

    ASSERT_NE(wm::CreatewyEditWindow(true), nullptr);
    wm::pwyEdit->list->get_selection()->select(Gtk::TreePath("1"));
    wm::pwyEdit->rename->clicked();
    ASSERT_NE(wm::pwyRename, nullptr);
    wm::pwyRename->ok->clicked();
    ASSERT_EQ(TakeMessage(),
              std::make_pair(std::string("Modify User Name"),
                             std::string("Input name is already used or registered.")));
    wm::pwyRename->cancel->clicked();
    wm::pwyEdit->ok->clicked();
    Pump(10);
    EXPECT_EQ(data.UserList[1].UserName, bob);

    OpenMenuButton(0);
    ASSERT_NE(wm::CreateRenameItemWindow(0), nullptr);
    wm::pRenameItem->ok->clicked();
    Pump(10);
    EXPECT_EQ(data.UserList[1].MenuList[0].ItemList[0].ItemName, item);
    EXPECT_NE(UserFile(1).find("ItemName=" + item + "\n"), std::string::npos);
    EXPECT_NE(UserFile(1).find("UserName=" + bob + "\n"), std::string::npos);

    const std::string path = dir / "caf\xE9.txt";
    testutil::WriteFile(path, "x");
    ASSERT_TRUE(wm::DropTextOnMenu(0, "file:" + path, wm::TARGET_STRING));
    wm::pAddItem->ok->clicked();
    Pump(10);
    EXPECT_EQ(wm::pwyMessage, nullptr);
    const wm::NaviMenu& menu = data.UserList[1].MenuList[0];
    ASSERT_EQ(menu.ItemCount, 2);
    EXPECT_EQ(menu.ItemList[1].LinkName, path);
    EXPECT_EQ(menu.ItemList[1].ItemName, "caf\xE9.txt");
    EXPECT_EQ(menu.ItemList[1].ItemCategory, wm::CATEGORY_DOCUMENT);
}

TEST_F(GuiWmDialogs, EditorButtonsFollowTheSelectionTheProtectedUserAndTheLimit) {
    Build({{"Ann", {}}, {"Bob", {}}});
    data.UserList[0].NoDelete = true;
    ASSERT_NE(wm::CreatewyEditWindow(true), nullptr);
    wm::EditWindow& e = *wm::pwyEdit;
    EXPECT_FALSE(e.rename->get_sensitive());
    e.list->get_selection()->select(Gtk::TreePath("0"));
    EXPECT_TRUE(e.rename->get_sensitive());
    EXPECT_FALSE(e.up->get_sensitive());
    EXPECT_TRUE(e.down->get_sensitive());
    EXPECT_FALSE(e.remove->get_sensitive());  // protected, but movable and renamable
    e.list->get_selection()->select(Gtk::TreePath("1"));
    EXPECT_TRUE(e.remove->get_sensitive());
    EXPECT_FALSE(e.down->get_sensitive());

    // Renaming to its own present name is refused as already used.
    e.rename->clicked();
    wm::pwyRename->ok->clicked();
    EXPECT_EQ(TakeMessage(),
              std::make_pair(std::string("Modify User Name"),
                             std::string("Input name is already used or registered.")));
    wm::pwyRename->cancel->clicked();
    Pump(10);

    for (int i = 2; i < wm::kMaxUsers; ++i) {
        e.entry->set_text("U" + std::to_string(i));
        e.add->clicked();
    }
    EXPECT_FALSE(e.add->get_sensitive());
    EXPECT_FALSE(e.entry->get_sensitive());
    e.list->get_selection()->select(Gtk::TreePath("5"));
    e.remove->clicked();
    ButtonNamed(wm::pwyConfilm->window, "Yes")->clicked();
    Pump(10);
    EXPECT_TRUE(e.add->get_sensitive());
    e.cancel->clicked();
}

}  // namespace

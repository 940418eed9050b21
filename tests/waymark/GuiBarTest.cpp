// The bar and the item window: geometry, switching users, opening menus,
// scrolling, drops and dragging items, launching from a slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "GuiWaymarkSupport.h"

namespace {

using namespace wmtest;

TEST(GuiWmBarText, FontSetNamesGiveADisplayFontAndUndecodableBytesNeverReachGtk) {
    struct Case {
        const char* fontSet;
        const char* family;
        int pixels;
        bool bold;
    };
    const Case cases[] = {
        {wm::kDefaultButtonFont, "helvetica", 14, false},
        {"-misc-fixed-bold-r-normal--*-120-*-*-c-*-iso8859-1", "fixed", 16, true},
        {"not an xlfd", "sans-serif", 14, false},
        {"-*-*-*-*-*--999-*", "sans-serif", 14, false},
    };
    for (const Case& c : cases) {
        const wm::CssFont font = wm::FontFromFontSet(c.fontSet);
        EXPECT_EQ(font.family, c.family) << c.fontSet;
        EXPECT_EQ(font.pixels, c.pixels) << c.fontSet;
        EXPECT_EQ(font.bold, c.bold) << c.fontSet;
    }
    EXPECT_EQ(wm::ToDisplay("ab\xC7.\xFF").raw(), "ab?.?");
    EXPECT_EQ(wm::ToDisplay("caf\xC3\xA9").raw(), "caf\xC3\xA9");
}

TEST(GuiWmProgram, VersionPrintsTheBannerAndEndsWithoutADisplay) {
    ExpectVersionBanner(testutil::BuildBinDir() + "/Waymark", "Waymark  Version 1.00\n");
}

class GuiWmBar : public WaymarkFixture {};

int VisibleToggles() {
    int shown = 0;
    for (int i = 0; i < wm::pNavi->ToggleCount; ++i) {
        shown += wm::pNavi->toggles[i].button->get_visible() ? 1 : 0;
    }
    return shown;
}

TEST_F(GuiWmBar, BarSpansTheWidthWithItsButtonsAndShowsTheUsersMenus) {
    Build({{"Ann", Menus(3, 1)}, {"Bob", Menus(9, 1)}}, 1024);
    int w = 0, h = 0;
    bar->get_size_request(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, wm::kBarHeight);
    EXPECT_EQ(wm::pNavi->ToggleCount, 7);
    // Menu buttons fit the screen's width, never more than twenty.
    for (const auto& [width, toggles] : {std::pair{1280, 10}, {4000, 20}, {300, 0}}) {
        EXPECT_EQ(wm::ToggleCountFor(width), toggles) << width;
    }
    EXPECT_EQ(VisibleToggles(), 3);
    EXPECT_EQ(wm::pNavi->toggles[0].upper->get_text(), "M0");
    EXPECT_EQ(wm::pNavi->comboEntry->get_text(), "Ann");
    // Three picture buttons and the two arrows on the bar.
    for (const char* name : {"Edit", "File manager", "Help", "Previous menus", "Next menus"}) {
        EXPECT_NE(WidgetNamed<Gtk::Button>(bar, name), nullptr) << name;
    }
    // Three menus on a seven-button strip: the arrows do nothing.
    wm::pNavi->rightArrow->clicked();
    EXPECT_EQ(wm::pNavi->MenuTop, 0);
}

TEST_F(GuiWmBar, ChoosingAUserShowsTheirMenusAndSavesTheChoice) {
    Build({{"Ann", Menus(2, 1)}, {"Bob", Menus(9, 1)}}, 1024);
    OpenMenuButton(1);
    ASSERT_TRUE(wm::GroupWindowVisible());

    wm::pNavi->combo->set_active(1);
    Pump(20);
    EXPECT_EQ(data.CurrentUser, 1);
    EXPECT_FALSE(wm::GroupWindowVisible());  // switching users closes the menu
    EXPECT_EQ(data.UserList[0].CurrentMenu, -1);
    EXPECT_EQ(VisibleToggles(), 7);
    EXPECT_NE(NaviFile().find("\nCurrentUser=1\n"), std::string::npos);

    // Nine menus: the strip moves by one per arrow click, and no further.
    for (int i = 0; i < 4; ++i) {
        wm::pNavi->rightArrow->clicked();
    }
    EXPECT_EQ(wm::pNavi->MenuTop, 2);
    EXPECT_EQ(wm::pNavi->toggles[0].upper->get_text(), "M2");

    // The open menu keeps its own index while its button moves along the
    // strip, and closes when it leaves the strip.
    OpenMenuButton(1);  // M3
    wm::pNavi->leftArrow->clicked();
    EXPECT_EQ(data.UserList[1].CurrentMenu, 3);
    EXPECT_EQ(wm::pNavi->ActiveToggle, 2);
    EXPECT_TRUE(wm::pNavi->toggles[2].button->get_active());
    EXPECT_FALSE(wm::pNavi->toggles[1].button->get_active());
    EXPECT_TRUE(wm::GroupWindowVisible());
    wm::pNavi->leftArrow->clicked();
    OpenMenuButton(0);  // M0
    wm::pNavi->rightArrow->clicked();
    EXPECT_FALSE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[1].CurrentMenu, -1);
    EXPECT_EQ(wm::pNavi->ActiveToggle, -1);
}

TEST_F(GuiWmBar, OpeningAMenuShowsItsItemsAndScrollingMovesByTwo) {
    Build({{"Ann", Menus(2, 11)}}, 1024);
    OpenMenuButton(0);
    ASSERT_TRUE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, 0);
    std::vector<std::string> texts = SlotTexts();
    EXPECT_EQ(texts.front(), "i0-0");
    EXPECT_EQ(texts.back(), "i0-9");

    wm::pwyGroup->adjustment->set_value(1);  // rounded up to an even row start
    Pump(20);
    texts = SlotTexts();
    EXPECT_EQ(data.UserList[0].MenuList[0].ScrollTop, 2);
    EXPECT_EQ(texts[0], "i0-2");
    EXPECT_EQ(texts[8], "i0-10");
    EXPECT_EQ(texts[9], "");             // the last slot is hidden
    EXPECT_FALSE(wm::ItemScroll(true));  // at the end the zone timer stops itself
    EXPECT_TRUE(wm::ItemScroll(false));
    EXPECT_EQ(SlotTexts()[0], "i0-0");

    // Opening another menu closes the first.
    OpenMenuButton(1);
    EXPECT_FALSE(wm::pNavi->toggles[0].button->get_active());
    EXPECT_EQ(data.UserList[0].CurrentMenu, 1);
    EXPECT_EQ(SlotTexts()[0], "i1-0");
    // Pressing it again closes it.
    OpenMenuButton(1);
    EXPECT_FALSE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, -1);
}

TEST_F(GuiWmBar, StaleScrollTopAfterDeletionsShowsNoDeletedItem) {
    Build({{"Ann", Menus(1, 20)}}, 1024);
    OpenMenuButton(0);
    wm::pwyGroup->adjustment->set_value(10);
    Pump(20);
    ASSERT_EQ(SlotTexts()[0], "i0-10");
    wm::NaviMenu& menu = data.UserList[0].MenuList[0];
    while (menu.ItemCount > 3) {
        wm::RemoveItem(menu, menu.ItemCount - 1);
    }
    menu.ScrollTop = 10;  // as a delete left it
    wm::SetGroupWindow();
    const std::vector<std::string> texts = SlotTexts();
    EXPECT_EQ(texts[0], "i0-0");
    EXPECT_EQ(texts[2], "i0-2");
    EXPECT_EQ(texts[3], "");
    starter.files.clear();
    wm::LaunchSlot(5);  // a slot showing nothing starts nothing
    EXPECT_TRUE(starter.files.empty());
}

// A dropped address or file proposes a name and link; OK adds the item to the
// drop's menu, saves it and opens that menu.
TEST_F(GuiWmBar, DroppedAddressOrFileProposesAnItemAndOkAddsSavesAndOpensIt) {
    Build({{"Ann", Menus(2, 1)}}, 1024);
    testutil::WriteFile(dir / "notes.txt", "x");
    auto dropAndAdd = [this](int at, const std::string& text, guint target, const std::string& name,
                             const std::string& link, int category) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(wm::DropTextOnMenu(at, text, target));
        ASSERT_NE(wm::pAddItem, nullptr);
        EXPECT_EQ(wm::pAddItem->name->get_text(), name);
        EXPECT_EQ(wm::pAddItem->link->get_text(), link);
        wm::pAddItem->ok->clicked();
        Pump(20);
        EXPECT_EQ(wm::pAddItem, nullptr);
        const wm::NaviMenu& menu = data.UserList[0].MenuList[at];
        ASSERT_EQ(menu.ItemCount, 2);
        EXPECT_EQ(menu.ItemList[1].ItemCategory, category);
        EXPECT_NE(UserFile(0).find("ItemName=" + name + "\nLinkName=" + link + "\n"),
                  std::string::npos);
        EXPECT_TRUE(wm::pNavi->toggles[at].button->get_active());
        EXPECT_EQ(data.UserList[0].CurrentMenu, at);
        EXPECT_TRUE(wm::GroupWindowVisible());
    };
    dropAndAdd(1, "HTTP://www.example.org/a/b.html\r\n", wm::TARGET_PLAIN, "www.example.org",
               "HTTP://www.example.org/a/b.html", wm::CATEGORY_WEB);
    dropAndAdd(0, "# comment\r\nfile://" + dir.path() + "/notes.txt\r\n", wm::TARGET_URI_LIST,
               "notes.txt", dir / "notes.txt", wm::CATEGORY_DOCUMENT);
}

TEST_F(GuiWmBar, DropThatIsNotAFileOrAddressIsRefusedWithItsMessage) {
    Build({{"Ann", Menus(1, 0)}}, 1024);
    EXPECT_FALSE(wm::DropTextOnMenu(0, "mailto:someone@example.org", wm::TARGET_STRING));
    EXPECT_EQ(wm::pAddItem, nullptr);
    ASSERT_NE(wm::pwyMessage, nullptr);
    EXPECT_EQ(wm::pwyMessage->window->get_title(), "Add Item");
    EXPECT_EQ(
        LabelTexts(wm::pwyMessage->window),
        std::vector<std::string>{"Dropped data is not a file or URL, registration cancelled."});
    // While a dialog is open further drops are ignored.
    wm::pwyMessage->ok->clicked();
    Pump(20);
    EXPECT_EQ(wm::pwyMessage, nullptr);
    ASSERT_TRUE(wm::DropTextOnMenu(0, "ftp://files.example.org/x", wm::TARGET_STRING));
    EXPECT_FALSE(wm::DropTextOnMenu(0, "http://other.example.org/", wm::TARGET_STRING));
    EXPECT_EQ(wm::pAddItem->name->get_text(), "files.example.org");
}

TEST_F(GuiWmBar, DraggingAnItemOntoAnotherMenuOrSlotMovesItAndSaves) {
    Build({{"Ann", Menus(3, 2)}}, 1024);
    OpenMenuButton(0);
    const unsigned serial = wm::BeginItemDrag(1);
    ASSERT_NE(serial, 0u);
    // A forged or stale serial moves nothing.
    EXPECT_FALSE(wm::DropItemOnMenu(2, serial + 1));
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 2);

    ASSERT_EQ(wm::BeginItemDrag(1), serial + 1);
    ASSERT_TRUE(wm::DropItemOnMenu(2, serial + 1));
    const wm::NaviUser& user = data.UserList[0];
    EXPECT_EQ(user.MenuList[0].ItemCount, 1);
    ASSERT_EQ(user.MenuList[2].ItemCount, 3);
    EXPECT_EQ(user.MenuList[2].ItemList[2].ItemName, "i0-1");
    EXPECT_EQ(user.CurrentMenu, 2);
    EXPECT_TRUE(wm::pNavi->toggles[2].button->get_active());
    EXPECT_FALSE(wm::pNavi->toggles[0].button->get_active());
    EXPECT_EQ(SlotTexts()[2], "i0-1");
    EXPECT_NE(UserFile(0).find("[Item02-002]\nItemName=i0-1\n"), std::string::npos);

    // Onto its own menu's button: nothing moves, the items come back.
    const unsigned again = wm::BeginItemDrag(0);
    EXPECT_FALSE(wm::DropItemOnMenu(2, again));
    EXPECT_TRUE(wm::GroupWindowVisible());
    EXPECT_EQ(user.MenuList[2].ItemCount, 3);

    // Onto another slot: the menu is reordered.
    ASSERT_TRUE(wm::DropItemOnSlot(2, wm::BeginItemDrag(0)));
    EXPECT_EQ(SlotTexts()[0], "i2-1");
    EXPECT_EQ(SlotTexts()[2], "i2-0");
    EXPECT_NE(UserFile(0).find("[Item02-002]\nItemName=i2-0\n"), std::string::npos);
}

// Releasing a slot starts its item and closes the menu; a document without an
// association asks for the application first.
TEST_F(GuiWmBar, ReleasingASlotStartsItsItemAndADocumentAsksForAnApplication) {
    Build({{"Ann", Menus(1, 2)}}, 1024);
    testutil::WriteFile(dir / "photo.jpeg", "x");
    wm::NaviMenu& menu = data.UserList[0].MenuList[0];
    ASSERT_EQ(wm::AddItem(menu, "photo", dir / "photo.jpeg", wm::CATEGORY_DOCUMENT), 0);
    OpenMenuButton(0);
    wm::LaunchSlot(1);
    ASSERT_EQ(starter.argvs.size(), 1u);
    EXPECT_EQ(starter.files[0], dir / "browser");
    EXPECT_EQ(starter.argvs[0].back(), "http://i0-1/");
    EXPECT_FALSE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, -1);
    EXPECT_FALSE(wm::pNavi->toggles[0].button->get_active());

    OpenMenuButton(0);
    // Pick the second application in the chooser once it shows.
    Glib::signal_timeout().connect_once(
        [] {
            ASSERT_NE(wm::pwSelectApp, nullptr);
            EXPECT_EQ(wm::pwSelectApp->get_title(), "Select Applecation");
            auto* list = Widgets<Gtk::TreeView>(wm::pwSelectApp).at(0);
            Gtk::Button* ok = ButtonNamed(wm::pwSelectApp, "OK");
            EXPECT_FALSE(ok->get_sensitive());
            list->get_selection()->select(Gtk::TreePath("1"));
            EXPECT_TRUE(ok->get_sensitive());
            ok->clicked();
        },
        100);
    wm::LaunchSlot(2);
    ASSERT_EQ(starter.files.size(), 2u);
    EXPECT_EQ(starter.files[1], dir / "viewer");
    EXPECT_EQ(starter.argvs[1].back(), dir / "photo.jpeg");

    // Cancelled: nothing starts and the items come back.
    OpenMenuButton(0);
    Glib::signal_timeout().connect_once([] { ButtonNamed(wm::pwSelectApp, "Cancel")->clicked(); },
                                        100);
    wm::LaunchSlot(2);
    EXPECT_EQ(starter.files.size(), 2u);
    EXPECT_TRUE(wm::GroupWindowVisible());
}

// What the screen shows with a menu open: the bar's colour across the top,
// and an item window whose rounded corners let the screen through (its
// shape comes from the outline picture).  WAYMARK_SCREENSHOT names a file to
// save the picture to, for a person to look at.
TEST_F(GuiWmBar, OpenMenuShowsAShapedItemWindowBelowTheBar) {
    const int width = Gdk::Screen::get_default()->get_width();
    Build({{"Guest",
            {{"Tools", {"File manager", "Terminal", "Editor"}},
             {"Web", {"www.debian.org"}},
             {"Help", {"Waymark help"}}}}},
          width);
    // A red patch under the item window's top left corner.
    const int left = width / 2 - 287;
    Gtk::Window patch(Gtk::WINDOW_POPUP);
    Gtk::DrawingArea red;
    red.signal_draw().connect([](const Cairo::RefPtr<Cairo::Context>& cr) {
        cr->set_source_rgb(1, 0, 0);
        cr->paint();
        return true;
    });
    patch.add(red);
    patch.set_size_request(40, 40);
    patch.move(left - 10, 67 - 10);
    patch.show_all();
    ASSERT_TRUE(PumpUntil([&patch] { return patch.get_mapped(); }));
    Pump(100);
    OpenMenuButton(0);
    auto root = Gdk::Screen::get_default()->get_root_window();
    ASSERT_TRUE(PumpUntil([] { return wm::pwyGroup->window->get_mapped(); }));
    Pump(300);
    auto shot = Gdk::Pixbuf::create(root, 0, 0, root->get_width(), root->get_height());
    ASSERT_TRUE(shot);
    if (const char* target = std::getenv("WAYMARK_SCREENSHOT")) {
        shot->save(target, "png");
    }
    auto rgb = [&shot](int x, int y) {
        const guint8* p =
            shot->get_pixels() + y * shot->get_rowstride() + x * shot->get_n_channels();
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    EXPECT_EQ(rgb(width - 2, 4), 0x1981FF);        // the bar, to the right edge
    EXPECT_EQ(rgb(left + 287, 67 + 8), 0x5F79C5);  // the item window's frame
    EXPECT_EQ(rgb(left + 1, 67 + 1), 0xFF0000);    // its cut corner shows what is below
}

}  // namespace

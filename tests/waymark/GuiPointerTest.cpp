// Real pointer input on the launcher: a click opens a menu, dragging an
// item's handle onto another menu button moves the item, a click on a slot
// starts its item.  Goes through the X server's test extension, so the
// toolkit's own drag and drop runs end to end.
#include <gtest/gtest.h>

#include "GuiWaymarkSupport.h"

namespace {

using namespace wmtest;

// Screen points: the centre of menu button `position` on the 1024-pixel bar,
// and the origin of item slot `slot`.
Point TogglePoint(int position) {
    const int share = (1024 - 312) / 7;
    return {176 + position * share + share / 2, 20};
}
Point SlotOrigin(int slot) {
    return {1024 / 2 - 287 + (slot % 2 == 0 ? 26 : 287), 67 + 70 * (slot / 2) + 18};
}
Point SlotCentre(int slot) {
    const Point origin = SlotOrigin(slot);
    return {origin.x + 60, origin.y + 30};
}
Point InfoButton(int slot) {
    const Point origin = SlotOrigin(slot);
    return {origin.x + 226 + 12, origin.y + 30 + 12};
}

class GuiWmPointer : public WaymarkFixture {
  protected:
    static void Drag(FakePointer& input, Point from, Point to) { DragPointer(input, from, to); }
    // Opens menu button `position` with a click and waits for its items.
    static void OpenByClick(FakePointer& input, int position) {
        input.Click(TogglePoint(position).x, TogglePoint(position).y);
        ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
        ASSERT_TRUE(PumpUntil([] { return wm::pwyGroup->window->get_mapped(); }));
        Pump(200);
    }
    // Clicks the shown menu entry `label`.
    static void ClickMenuEntry(FakePointer& input, const std::string& label) {
        Gtk::MenuItem* entry = nullptr;
        ASSERT_TRUE(PumpUntil([&] {
            for (Gtk::MenuItem* item : ShownMenuItems()) {
                if (item->get_label() == label) {
                    entry = item;
                }
            }
            return entry != nullptr;
        })) << label;
        Pump(200);
        const Point at = CentreOf(*entry);
        input.Click(at.x, at.y);
    }
};

TEST_F(GuiWmPointer, DraggingAnItemHandleMovesItToAnotherMenuOrSlotAndAClickStartsIt) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    Build({{"Ann", Menus(2, 2)}}, 1024);
    input.Click(TogglePoint(0).x, TogglePoint(0).y);
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    ASSERT_TRUE(PumpUntil([] { return wm::pwyGroup->window->get_mapped(); }));
    Pump(200);

    const Point slot1 = SlotOrigin(1);
    Drag(input, {slot1.x + 225 + 14, slot1.y + 11 + 7}, TogglePoint(1));  // slot 1's handle
    ASSERT_TRUE(PumpUntil([this] { return data.UserList[0].MenuList[1].ItemCount == 3; }));
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 1);
    EXPECT_EQ(data.UserList[0].MenuList[1].ItemList[2].ItemName, "i0-1");
    EXPECT_EQ(data.UserList[0].CurrentMenu, 1);
    EXPECT_NE(UserFile(0).find("[Item01-002]\nItemName=i0-1\n"), std::string::npos);

    // Onto another slot of the same menu: the item moves there.
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    Pump(200);
    const Point slot0 = SlotOrigin(0), slot2 = SlotOrigin(2);
    Drag(input, {slot0.x + 239, slot0.y + 18}, {slot2.x + 60, slot2.y + 30});
    ASSERT_TRUE(
        PumpUntil([this] { return data.UserList[0].MenuList[1].ItemList[2].ItemName == "i1-0"; }));
    EXPECT_NE(UserFile(0).find("[Item01-002]\nItemName=i1-0\n"), std::string::npos);

    // A click on a slot starts its item and closes the menu.
    Pump(200);
    input.Click(slot0.x + 60, slot0.y + 30);
    ASSERT_TRUE(PumpUntil([this] { return !starter.argvs.empty(); }));
    EXPECT_EQ(starter.argvs[0].back(), "http://i1-1/");
    EXPECT_FALSE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, -1);
}

// The info button belongs to the item's menu, never to launching: its
// click pops up only the info menu, whose entries rename and delete the
// item.  An item starts only on a left press and release on its own slot.
TEST_F(GuiWmPointer, InfoButtonOpensOnlyTheInfoMenuWhoseEntriesRenameAndDelete) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    Build({{"Ann", Menus(1, 4)}}, 1024);
    OpenByClick(input, 0);

    input.Click(InfoButton(1).x, InfoButton(1).y);
    ASSERT_TRUE(PumpUntil([] { return !ShownMenuItems().empty(); }));
    EXPECT_EQ(ShownMenuLabels(), (std::vector<std::string>{"Rename... ", "Delete... "}));
    EXPECT_TRUE(starter.argvs.empty());
    EXPECT_EQ(wm::pwSelectApp, nullptr);
    EXPECT_TRUE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, 0);

    ClickMenuEntry(input, "Rename... ");
    ASSERT_TRUE(PumpUntil([] { return wm::pRenameItem != nullptr; }));
    EXPECT_EQ(wm::pRenameItem->name->get_text(), "i0-1");
    wm::pRenameItem->name->set_text("Renamed");
    wm::pRenameItem->ok->clicked();
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemList[1].ItemName, "Renamed");
    EXPECT_NE(UserFile(0).find("ItemName=Renamed\n"), std::string::npos);
    Pump(200);

    input.Click(InfoButton(2).x, InfoButton(2).y);
    ClickMenuEntry(input, "Delete... ");
    ASSERT_TRUE(PumpUntil([] { return wm::pwyConfilm != nullptr; }));
    ButtonNamed(wm::pwyConfilm->window, "Yes")->clicked();
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    EXPECT_EQ(SlotTexts()[2], "i0-3");
    EXPECT_EQ(UserFile(0).find("i0-2"), std::string::npos);
    Pump(200);

    // A right click, and a left press carried off to another slot, start
    // nothing; the menu stays open.
    const Point slot0 = SlotCentre(0);
    input.Move(slot0.x, slot0.y);
    input.Button(true, 3);
    input.Button(false, 3);
    Pump(200);
    // A popup a right click may open is dismissed before the drag.
    if (!ShownMenuItems().empty()) {
        input.Click(slot0.x, slot0.y - 80);
    }
    Drag(input, SlotCentre(0), SlotCentre(3));
    Pump(200);
    EXPECT_TRUE(starter.argvs.empty());
    EXPECT_TRUE(wm::GroupWindowVisible());
    EXPECT_EQ(data.UserList[0].CurrentMenu, 0);
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 3);
}

// The scroll bar draws its thumb where the items stand and moves them by a
// click on its trough and by dragging the thumb; a click on a slot then
// starts the item shown there, not the one that stood there before.
TEST_F(GuiWmPointer, ScrollBarScrollsByClickAndDragAndTheSlotUnderThePointerStarts) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    std::vector<MenuData> menus = Menus(1, 30);
    menus.push_back({"Few", {"a", "b", "c"}});
    Build({{"Ann", menus}}, 1024);
    OpenByClick(input, 0);
    Gtk::Scrollbar& scroll = *wm::pwyGroup->scrollbar;
    auto thumb = [&scroll] {
        int start = 0, end = 0;
        gtk_range_get_slider_range(GTK_RANGE(scroll.gobj()), &start, &end);
        return std::pair{start, end};
    };
    const auto [top, bottom] = thumb();
    EXPECT_GT(bottom - top, 8) << "no thumb to take";
    EXPECT_LT(bottom - top, scroll.get_allocated_height() / 2);
    // The thumb is painted: a point in it has the thumb's colour.
    auto root = Gdk::Screen::get_default()->get_root_window();
    const Point inThumb = ScreenPoint(scroll, scroll.get_allocated_width() / 2, (top + bottom) / 2);
    auto shot = Gdk::Pixbuf::create(root, inThumb.x, inThumb.y, 1, 1);
    const guint8* p = shot->get_pixels();
    EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], 0xAFBED7);

    // A click low in the trough moves the items down.
    const wm::NaviMenu& menu = data.UserList[0].MenuList[0];
    const Point low = ScreenPoint(scroll, 8, scroll.get_allocated_height() - 30);
    input.Click(low.x, low.y);
    ASSERT_TRUE(PumpUntil([&menu] { return menu.ScrollTop > 0; }));
    EXPECT_EQ(menu.ScrollTop % 2, 0);
    EXPECT_EQ(SlotTexts()[0], "i0-" + std::to_string(menu.ScrollTop));
    EXPECT_GT(thumb().first, top);
    Shoot("waymark-scrolled", &input);

    // Dragging the thumb to the top and then to the bottom.
    auto dragThumbTo = [&](int y) {
        const auto [from, to] = thumb();
        Drag(input, ScreenPoint(scroll, 8, (from + to) / 2), ScreenPoint(scroll, 8, y));
        Pump(100);
    };
    dragThumbTo(-40);
    ASSERT_TRUE(PumpUntil([&menu] { return menu.ScrollTop == 0; }));
    EXPECT_EQ(SlotTexts()[0], "i0-0");
    dragThumbTo(scroll.get_allocated_height() + 40);
    ASSERT_TRUE(PumpUntil([&menu] { return menu.ScrollTop == 20; }));
    EXPECT_EQ(SlotTexts()[9], "i0-29");

    // Back up a little: the slot under the pointer starts its own item.
    input.Click(ScreenPoint(scroll, 8, 30).x, ScreenPoint(scroll, 8, 30).y);
    ASSERT_TRUE(PumpUntil([&menu] { return menu.ScrollTop < 20; }));
    Pump(200);
    const int shownTop = menu.ScrollTop;
    input.Click(SlotCentre(3).x, SlotCentre(3).y);
    ASSERT_TRUE(PumpUntil([this] { return !starter.argvs.empty(); }));
    EXPECT_EQ(starter.argvs[0].back(), "http://i0-" + std::to_string(shownTop + 3) + "/");
    EXPECT_FALSE(wm::GroupWindowVisible());

    // A menu whose items all show: the thumb fills the trough.
    OpenByClick(input, 1);
    GdkRectangle trough{};
    gtk_range_get_range_rect(GTK_RANGE(scroll.gobj()), &trough);
    const auto [first, last] = thumb();
    EXPECT_GE(last - first, trough.height - 2);
}

// The user chooser opens with the mouse: its arrow takes a click, and a
// click on a name in its list chooses that user.
TEST_F(GuiWmPointer, UserChooserOpensWithAClickOnItsArrowAndChoosesAUser) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    Build({{"Ann", Menus(1, 1)}, {"Bob", Menus(2, 1)}}, 1024);
    Pump(200);
    Gtk::ComboBox& combo = *wm::pNavi->combo;
    EXPECT_EQ(combo.get_allocated_width(), 128);
    // The arrow's own button, at the combo's right end.
    // The arrow's button is one of the combo's own children, not one it was given.
    GtkWidget* arrowButton = nullptr;
    struct Find {
        static void In(GtkWidget* widget, gpointer found) {
            if (GTK_IS_TOGGLE_BUTTON(widget)) {
                *static_cast<GtkWidget**>(found) = widget;
            } else if (GTK_IS_CONTAINER(widget)) {
                gtk_container_forall(GTK_CONTAINER(widget), &Find::In, found);
            }
        }
    };
    Find::In(GTK_WIDGET(combo.gobj()), &arrowButton);
    ASSERT_NE(arrowButton, nullptr);
    EXPECT_GE(gtk_widget_get_allocated_width(arrowButton), 16);
    const Point arrow = ScreenPoint(combo, 128 - 8, 12);
    input.Click(arrow.x, arrow.y);
    ASSERT_TRUE(PumpUntil([&combo] { return combo.property_popup_shown().get_value(); }));
    std::vector<Gtk::MenuItem*> rows;
    ASSERT_TRUE(PumpUntil([&rows] {
        rows = ShownMenuItems();
        return rows.size() == 2;
    }));
    Pump(300);
    const Point bob = CentreOf(*rows[1]);
    input.Click(bob.x, bob.y);
    ASSERT_TRUE(PumpUntil([this] { return data.CurrentUser == 1; }));
    EXPECT_EQ(wm::pNavi->comboEntry->get_text(), "Bob");
    EXPECT_NE(NaviFile().find("\nCurrentUser=1\n"), std::string::npos);
}

// The program itself: a start-up failure shows its box, and its OK ends the
// program with status 0 (Waywatch then starts it again).
TEST(GuiWmProgramStart, StartupFailureBoxOkEndsTheProgram) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    testutil::TempDir dir;
    Program program("env -u WAYMARK '" + testutil::BuildBinDir() + "/Waymark'", dir);
    ASSERT_TRUE(PumpUntil(
        [] { return testutil::Shell("xwininfo -root -tree | grep -q '\"Format Error\"'") == 0; },
        10000));
    Pump(300);
    const int width = Gdk::Screen::get_default()->get_width();
    const int height = Gdk::Screen::get_default()->get_height();
    // The box is 488 by 118, centred; OK sits at 396, 66 and is 84 by 42.
    input.Click((width - 488) / 2 + 396 + 42, (height - 118) / 2 + 66 + 21);
    ASSERT_TRUE(PumpUntil([&program] { return program.Wait(0) >= 0; }, 10000));
    EXPECT_EQ(program.Wait(0), 0) << program.Err();
}

}  // namespace

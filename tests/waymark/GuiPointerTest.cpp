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
struct Point {
    int x, y;
};
Point TogglePoint(int position) {
    const int share = (1024 - 312) / 7;
    return {176 + position * share + share / 2, 20};
}
Point SlotOrigin(int slot) {
    return {1024 / 2 - 287 + (slot % 2 == 0 ? 26 : 287), 67 + 70 * (slot / 2) + 18};
}

class GuiWmPointer : public WaymarkFixture {
  protected:
    // Presses at `from`, glides to `to` and lets go there.
    static void Drag(FakePointer& input, Point from, Point to) {
        input.Move(from.x, from.y);
        input.Button(true);
        input.Glide(from.x, from.y, to.x, to.y);
        Pump(100);
        input.Button(false);
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

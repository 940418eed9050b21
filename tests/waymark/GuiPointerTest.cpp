// Real pointer input on the launcher: a click opens a menu, dragging an
// item's handle onto another menu button moves the item, a click on a slot
// starts its item.  Goes through the X server's test extension, so the
// toolkit's own drag and drop runs end to end.
#include <gtest/gtest.h>

#include "GuiWaymarkSupport.h"

namespace {

using namespace wmtest;

class GuiWmPointer : public WaymarkFixture {
  protected:
    // Centre of menu button `position` on the 1024-pixel bar, in screen terms.
    static void TogglePoint(int position, int& x, int& y) {
        const int share = (1024 - 312) / 7;
        x = 176 + position * share + share / 2;
        y = 20;
    }
    // Screen origin of item slot `slot`.
    static void SlotOrigin(int slot, int& x, int& y) {
        x = 1024 / 2 - 287 + (slot % 2 == 0 ? 26 : 287);
        y = 67 + 70 * (slot / 2) + 18;
    }
};

TEST_F(GuiWmPointer, DraggingAnItemHandleMovesItToAnotherMenuOrSlotAndAClickStartsIt) {
    FakePointer input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension";
    }
    Build({{"Ann", Menus(2, 2)}}, 1024);
    int x = 0, y = 0;
    TogglePoint(0, x, y);
    input.Click(x, y);
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    ASSERT_TRUE(PumpUntil([] { return wm::pwyGroup->window->get_mapped(); }));
    Pump(200);

    int sx = 0, sy = 0;
    SlotOrigin(1, sx, sy);
    const int hx = sx + 225 + 14, hy = sy + 11 + 7;  // the handle of slot 1
    int tx = 0, ty = 0;
    TogglePoint(1, tx, ty);
    input.Move(hx, hy);
    input.Button(true);
    input.Glide(hx, hy, tx, ty);
    Pump(100);
    input.Button(false);
    ASSERT_TRUE(PumpUntil([this] { return data.UserList[0].MenuList[1].ItemCount == 3; }));
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemCount, 1);
    EXPECT_EQ(data.UserList[0].MenuList[1].ItemList[2].ItemName, "i0-1");
    EXPECT_EQ(data.UserList[0].CurrentMenu, 1);
    EXPECT_NE(UserFile(0).find("[Item01-002]\nItemName=i0-1\n"), std::string::npos);

    // Onto another slot of the same menu: the item moves there.
    ASSERT_TRUE(PumpUntil([] { return wm::GroupWindowVisible(); }));
    Pump(200);
    SlotOrigin(0, sx, sy);
    int dx = 0, dy = 0;
    SlotOrigin(2, dx, dy);
    input.Move(sx + 239, sy + 18);
    input.Button(true);
    input.Glide(sx + 239, sy + 18, dx + 60, dy + 30);
    Pump(100);
    input.Button(false);
    ASSERT_TRUE(
        PumpUntil([this] { return data.UserList[0].MenuList[1].ItemList[2].ItemName == "i1-0"; }));
    EXPECT_NE(UserFile(0).find("[Item01-002]\nItemName=i1-0\n"), std::string::npos);

    // A click on a slot starts its item and closes the menu.
    Pump(200);
    SlotOrigin(0, sx, sy);
    input.Click(sx + 60, sy + 30);
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
    EXPECT_EQ(program.Wait(0), 0);
}

}  // namespace

// Keyboard navigation through the main window's key handler.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdio>

#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgkeys.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

class KeysTest : public rmgtest::BrowseTest {
  protected:
    bool Press(guint keyval, bool shift = false) {
        GdkEventKey event{};
        event.type = GDK_KEY_PRESS;
        event.keyval = keyval;
        event.state = shift ? GDK_SHIFT_MASK : 0;
        const bool used = on_MainWindow_key_press_event(&event);
        rmgtest::Pump();
        return used;
    }
    static bool Shown(int row) {
        return rmgtest::PumpUntil([row] { return IsListRowFullyVisible(row); }, 2000);
    }
    std::vector<int> Selected() const { return GetListSelectedRows(); }
    std::string TreeSelected() const {
        std::string path;
        GetTreeSelect(Tree(), &path);
        return path;
    }
};

TEST_F(KeysTest, TabSwitchesBetweenListTreeAndTheLocationEntry) {
    Make({"a/", "b/", "f=f"});
    Start();
    EXPECT_TRUE(Press(GDK_KEY_Tab));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_TRUE(Press(GDK_KEY_ISO_Left_Tab, true));
    EXPECT_TRUE(Selected().empty());
    // Keys now move the tree, and the list follows.
    Press(GDK_KEY_Down);
    EXPECT_EQ(TreeSelected(), home_ + "a/");
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/");
    Press(GDK_KEY_Down);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "b/");
    Press(GDK_KEY_Up);
    Press(GDK_KEY_Up);
    EXPECT_EQ(pGTable->CurrentDir, home_);
    Press(GDK_KEY_End);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "b/");
    Press(GDK_KEY_Home);
    EXPECT_EQ(pGTable->CurrentDir, home_);

    // The location entry keeps its own keys; Tab there hands them back.
    Press(GDK_KEY_Tab);
    Gtk::Entry* entry = pMainW->LocationCombo->get_entry();
    entry->grab_focus();
    ASSERT_TRUE(entry->is_focus());
    EXPECT_FALSE(Press(GDK_KEY_Down));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_TRUE(Press(GDK_KEY_Tab));
    EXPECT_FALSE(entry->is_focus());
    EXPECT_TRUE(Selected().empty());
}

TEST_F(KeysTest, ListMovesNeverLandOnParentAndShiftExtends) {
    for (const char* name : {"f1", "f2", "f3", "f4", "f5"}) {
        testutil::WriteFile(home_ + name, "x");
    }
    Start();
    Press(GDK_KEY_Tab);
    struct Step {
        guint key;
        bool shift;
        std::vector<int> selected;
    };
    const Step steps[] = {{GDK_KEY_Up, false, {1}},     {GDK_KEY_Down, false, {2}},
                          {GDK_KEY_Down, false, {3}},   {GDK_KEY_Home, false, {1}},
                          {GDK_KEY_Down, true, {1, 2}}, {GDK_KEY_Down, true, {1, 2, 3}},
                          {GDK_KEY_End, false, {5}},    {GDK_KEY_Down, false, {5}},
                          {GDK_KEY_Up, true, {4, 5}},   {GDK_KEY_Home, true, {1, 2, 3, 4, 5}}};
    for (const Step& step : steps) {
        Press(step.key, step.shift);
        EXPECT_EQ(Selected(), step.selected) << step.key << (step.shift ? " with Shift" : "");
    }
}

TEST_F(KeysTest, PageKeysMoveByWhatIsInView) {
    for (int i = 0; i < 200; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d", i);
        testutil::WriteFile(home_ + name, "x");
    }
    Start();
    rmgtest::Settle();
    Press(GDK_KEY_Tab);
    int first = 0;
    int last = 0;
    int count = 0;
    ASSERT_TRUE(GetListRange(first, last, count));
    EXPECT_EQ(first, 0);
    EXPECT_GT(last, 2);
    EXPECT_LT(last, 150);
    Press(GDK_KEY_Page_Down);
    EXPECT_EQ(Selected(), (std::vector<int>{last}));
    Press(GDK_KEY_Page_Down);
    rmgtest::Pump();
    const int second = Selected().at(0);
    EXPECT_GT(second, last);
    // The view scrolls at its next layout.
    EXPECT_TRUE(Shown(second));
    Press(GDK_KEY_Page_Up);
    Press(GDK_KEY_Page_Up);
    Press(GDK_KEY_Page_Up);
    Press(GDK_KEY_Page_Up);
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_TRUE(Shown(0));
}

TEST_F(KeysTest, PageKeysMoveTheTreeByWhatIsInView) {
    for (int i = 0; i < 60; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%02d", i);
        testutil::MakeDirs(home_ + name);
    }
    Start();
    rmgtest::Settle();
    Gtk::TreeModel::iterator first;
    Gtk::TreeModel::iterator last;
    const int count = GetTreeRange(Tree(), first, last);
    ASSERT_GT(count, 2);
    ASSERT_LT(count, 50);
    const std::string lastPath = GetNodePath(Tree(), last);
    // Each page is measured from what is in view, so let the scroll of
    // the previous press land first.
    auto page = [&](guint key) {
        Press(key);
        rmgtest::Settle(200);
    };
    page(GDK_KEY_Page_Down);  // to the last node in view
    EXPECT_EQ(TreeSelected(), lastPath);
    page(GDK_KEY_Page_Down);  // from there, a page further
    const std::string further = TreeSelected();
    EXPECT_GT(further, lastPath);
    EXPECT_EQ(pGTable->CurrentDir, further);
    page(GDK_KEY_Page_Up);
    page(GDK_KEY_Page_Up);
    page(GDK_KEY_Page_Up);
    page(GDK_KEY_Page_Up);
    EXPECT_EQ(TreeSelected(), home_);
}

TEST_F(KeysTest, ReturnEntersTheSelectedDirectory) {
    Make({"sub/", "sub/inner=x"});
    Start();
    Press(GDK_KEY_Tab);
    ASSERT_EQ(GetListRowName(1), "sub");
    Press(GDK_KEY_Return);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "sub/");
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_EQ(GetListRowName(1), "inner");
}

TEST_F(KeysTest, LeftAndRightCollapseAndExpandTheTree) {
    testutil::MakeDirs(home_ + "a/b/c");
    Start();
    OpenChildTree(Tree(), home_ + "a/b/", 1);
    rmgtest::Pump();
    auto b = GetPathNode(Tree(), home_ + "a/b/");
    ASSERT_TRUE(IsTreeNodeExpanded(Tree(), b));
    Press(GDK_KEY_Left);
    EXPECT_FALSE(IsTreeNodeExpanded(Tree(), b));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/b/");
    Press(GDK_KEY_Left);
    EXPECT_FALSE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "a/")));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/");
    Press(GDK_KEY_Right);
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "a/")));
    Press(GDK_KEY_Left);
    Press(GDK_KEY_Left);  // to the root, which stays open
    EXPECT_EQ(pGTable->CurrentDir, home_);
    Press(GDK_KEY_Left);
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_)));
}

}  // namespace
}  // namespace rmg

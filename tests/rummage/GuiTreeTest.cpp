// The directory tree: lazy listing, what it leaves out, opening paths,
// collapsing, rescanning and the dialog's own tree.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "GuiAsUserSupport.h"
#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgdragdrop.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

class TreeTest : public rmgtest::BrowseTest {};

TEST_F(TreeTest, ChildrenAreListedOnExpansionOnlyAndOnlyRealDirectories) {
    for (int i = 0; i < 10; ++i) {
        testutil::MakeDirs(home_ + "top/d" + std::to_string(i));
    }
    Make({".hidden/x/", "file.txt=x"});
    ASSERT_EQ(symlink((home_ + "top").c_str(), (home_ + "link").c_str()), 0);
    Start();

    auto root = GetPathNode(Tree(), home_);
    ASSERT_TRUE(root);
    EXPECT_EQ(GetNodePath(Tree(), root), home_);
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), root));
    // No link, no hidden directory, no file.
    EXPECT_EQ(TreeChildren(home_), (std::vector<std::string>{"top/"}));
    // One child shows the expander before expansion ...
    auto top = GetPathNode(Tree(), home_ + "top/");
    ASSERT_TRUE(top);
    EXPECT_FALSE(IsTreeNodeExpanded(Tree(), top));
    EXPECT_EQ(top->children().size(), 1u);
    // ... all ten after it, in byte order.
    ExpandTreeNode(Tree(), top);
    const auto children = TreeChildren(home_ + "top/");
    ASSERT_EQ(children.size(), 10u);
    EXPECT_TRUE(std::is_sorted(children.begin(), children.end()));
    // Hidden directories show when asked for.
    pGTable->ShowHidden = 1;
    RescanTree(Tree(), home_);
    EXPECT_EQ(TreeChildren(home_), (std::vector<std::string>{".hidden/", "top/"}));
}

TEST_F(TreeTest, ExpandedNodesGetTheOpenFolderPicture) {
    testutil::MakeDirs(home_ + "a/b");
    Start();
    Gtk::TreeViewColumn* column = Tree()->get_column(0);
    auto* icon = dynamic_cast<Gtk::CellRendererPixbuf*>(column->get_cells().at(0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->property_pixbuf_expander_open().get_value(), GetDirPixbuf(0));
    EXPECT_EQ(icon->property_pixbuf_expander_closed().get_value(), GetDirPixbuf(1));
    EXPECT_EQ(icon->property_pixbuf().get_value(), GetDirPixbuf(1));
    // The picture follows the row's state only if the renderer is told it.
    auto root = GetPathNode(Tree(), home_);
    gtk_tree_view_column_cell_set_cell_data(column->gobj(), Tree()->get_model()->gobj(),
                                            root.gobj(), TRUE, TRUE);
    EXPECT_TRUE(icon->property_is_expander().get_value());
    EXPECT_TRUE(icon->property_is_expanded().get_value());
}

TEST_F(TreeTest, RowsAreNamedForScreenReaders) {
    testutil::MakeDirs(home_ + "alpha");
    Start();
    AtkObject* tree = Tree()->get_accessible()->gobj();
    std::vector<std::string> names;
    for (int i = 0; i < atk_object_get_n_accessible_children(tree); ++i) {
        AtkObject* child = atk_object_ref_accessible_child(tree, i);
        if (const char* name = atk_object_get_name(child)) {
            names.emplace_back(name);
        }
        g_object_unref(child);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "alpha"), names.end());
}

TEST_F(TreeTest, LookupsStayInsideHomeAndOpeningSelectsExpandsOrFallsBackToTheParent) {
    testutil::MakeDirs(home_ + "a/b/c/d");
    Start();
    EXPECT_EQ(pGTable->CurrentDir, home_);
    EXPECT_FALSE(GetPathNode(Tree(), "/"));
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "missing/"));
    // Without the final "/" too; a node not listed yet is not found.
    auto a = GetPathNode(Tree(), home_ + "a");
    ASSERT_TRUE(a);
    EXPECT_EQ(GetNodePath(Tree(), a), home_ + "a/");
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "a/b/c/"));

    // Expand flag 0: selected, not expanded.
    OpenChildTree(Tree(), home_ + "a/b", 0);
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/b/");
    auto b = GetPathNode(Tree(), home_ + "a/b/");
    ASSERT_TRUE(b);
    EXPECT_FALSE(IsTreeNodeExpanded(Tree(), b));
    EXPECT_EQ(StatusText(), " " + home_ + "a/b/");

    // Expand flag 1 opens the target too.
    OpenChildTree(Tree(), home_ + "a/b/c/", 1);
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/b/c/");
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "a/b/c/")));

    // A missing last component selects its parent.
    OpenChildTree(Tree(), home_ + "a/b/nothing/", 1);
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/b/");

    // Outside home: nothing happens.
    OpenChildTree(Tree(), "/usr/", 1);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/b/");

    // Opening the shown directory again lists what appeared meanwhile.
    EXPECT_EQ(GetListRowCount(), 2);  // "..", c
    testutil::WriteFile(home_ + "a/b/new.txt", "x");
    OpenChildTree(Tree(), home_ + "a/b/", 1);
    EXPECT_EQ(GetListRowCount(), 3);
}

TEST_F(TreeTest, CollapsingAnAncestorMovesTheSelectionToIt) {
    testutil::MakeDirs(home_ + "a/b/c");
    Start();
    OpenChildTree(Tree(), home_ + "a/b/c/", 1);
    rmgtest::Pump();
    ASSERT_EQ(pGTable->CurrentDir, home_ + "a/b/c/");
    CollapseTreeNode(Tree(), GetPathNode(Tree(), home_ + "a/"));
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "a/");
    std::string selected;
    ASSERT_TRUE(GetTreeSelect(Tree(), &selected));
    EXPECT_EQ(selected, home_ + "a/");
}

TEST_F(TreeTest, RescanPicksUpNewAndDropsVanishedDirectories) {
    testutil::MakeDirs(home_ + "a/old");
    Start();
    OpenChildTree(Tree(), home_ + "a/", 1);
    EXPECT_EQ(TreeChildren(home_ + "a/"), (std::vector<std::string>{"old/"}));
    rmdir((home_ + "a/old").c_str());
    Make({"a/new1/", "a/new2/"});
    RescanTree(Tree(), home_ + "a/");
    EXPECT_EQ(TreeChildren(home_ + "a/"), (std::vector<std::string>{"new1/", "new2/"}));
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "a/")));

    // The selection inside a rescanned node comes back to the directory shown.
    OpenChildTree(Tree(), home_ + "a/new1/", 0);
    RescanTree(Tree(), home_ + "a/");
    std::string selected;
    ASSERT_TRUE(GetTreeSelect(Tree(), &selected));
    EXPECT_EQ(selected, home_ + "a/new1/");

    testutil::MakeDirs(home_ + "a/made");
    auto node = CreateTreeNode(Tree(), home_ + "a/made/");
    ASSERT_TRUE(node);
    EXPECT_EQ(GetNodePath(Tree(), node), home_ + "a/made/");
    EXPECT_FALSE(CreateTreeNode(Tree(), home_ + "nowhere/x/"));
}

TEST_F(TreeTest, DialogTreeShowsItsSelectionWithoutChangingTheShownDirectory) {
    Make({"a/", "b/"});
    Start();
    Gtk::Window dialog;
    auto* combo = Gtk::manage(new Gtk::ComboBoxText(true));
    Gtk::ScrolledWindow* scroll = nullptr;
    Gtk::TreeView* tree = CreateRootTree(&scroll, combo);
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(scroll, nullptr);
    Gtk::Box box(Gtk::ORIENTATION_VERTICAL);
    box.pack_start(*combo, false, false);
    box.pack_start(*scroll, true, true);
    dialog.add(box);
    dialog.show_all();
    EXPECT_EQ(combo->get_entry()->get_text(), home_);
    SetTreeSelectPath(tree, home_ + "b/");
    rmgtest::Pump();
    EXPECT_EQ(combo->get_entry()->get_text(), home_ + "b/");
    EXPECT_EQ(pGTable->CurrentDir, home_);
}

// Drag motion over the tree, as the toolkit reports it.
class TreeDragTest : public TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        context_ = GDK_DRAG_CONTEXT(g_object_new(GDK_TYPE_DRAG_CONTEXT, nullptr));
    }
    void TearDown() override {
        g_object_unref(context_);
        TreeTest::TearDown();
    }
    void Motion(int x, int y) {
        gboolean ret = FALSE;
        g_signal_emit_by_name(Tree()->gobj(), "drag-motion", context_, x, y, 0u, &ret);
    }
    void Leave() { g_signal_emit_by_name(Tree()->gobj(), "drag-leave", context_, 0u); }
    // Widget y of the middle of a node's row.
    int RowY(const std::string& path) {
        Gdk::Rectangle cell;
        Tree()->get_background_area(Tree()->get_model()->get_path(GetPathNode(Tree(), path)),
                                    *Tree()->get_column(0), cell);
        int wx = 0;
        int wy = 0;
        Tree()->convert_bin_window_to_widget_coords(0, cell.get_y() + cell.get_height() / 2, wx,
                                                    wy);
        return wy;
    }
    GdkDragContext* context_ = nullptr;
};

TEST_F(TreeDragTest, HoveringHighlightsWithoutChangingDirectoryAndExpandsAfterASecond) {
    Make({"a/inner/", "b/"});
    Start();
    rmgtest::Settle();
    const int y = RowY(home_ + "a/");
    ASSERT_GT(y, 20);
    Motion(10, y);
    std::string selected;
    GetTreeSelect(Tree(), &selected);
    EXPECT_EQ(selected, home_ + "a/");
    EXPECT_EQ(pGTable->CurrentDir, home_);  // the select handler is off
    EXPECT_NE(pGTable->ExpandTimer, 0u);
    EXPECT_EQ(pGTable->ScrollTimer, 0u);
    ASSERT_TRUE(rmgtest::PumpUntil(
        [&] { return IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "a/")); }, 3000));
    EXPECT_EQ(pGTable->ExpandTimer, 0u);

    // Near the top edge the tree scrolls; leaving stops everything and puts
    // the highlight back on the directory shown.
    Motion(10, 5);
    EXPECT_NE(pGTable->ScrollTimer, 0u);
    Leave();
    EXPECT_EQ(pGTable->ScrollTimer, 0u);
    EXPECT_EQ(pGTable->ExpandTimer, 0u);
    GetTreeSelect(Tree(), &selected);
    EXPECT_EQ(selected, home_);
    // The handler is back: a click changes the directory again.
    SetTreeSelectPath(Tree(), home_ + "b/");
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "b/");
}

TEST_F(TreeDragTest, ScrollingUpMovesOneRowPerTick) {
    for (int i = 0; i < 60; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%02d", i);
        testutil::MakeDirs(home_ + name);
    }
    Start();
    OpenChildTree(Tree(), home_ + "d59/", 0);
    rmgtest::Settle();
    Gtk::TreeModel::Path before;
    Gtk::TreeModel::Path end;
    ASSERT_TRUE(Tree()->get_visible_range(before, end));
    Motion(10, 5);
    ASSERT_NE(pGTable->ScrollTimer, 0u);
    ASSERT_TRUE(rmgtest::PumpUntil(
        [&] {
            Gtk::TreeModel::Path now;
            Gtk::TreeModel::Path last;
            Tree()->get_visible_range(now, last);
            return now != before;
        },
        3000));
    Leave();
}

TEST_F(TreeTest, UnreadableDirectoryShowsNoChildren) {
    if (rmgtest::RerunAsOrdinaryUser()) {
        return;
    }
    Make({"locked/inner/", "open/"});
    chmod((home_ + "locked").c_str(), 0);
    Start();
    EXPECT_EQ(TreeChildren(home_), (std::vector<std::string>{"locked/", "open/"}));
    EXPECT_TRUE(TreeChildren(home_ + "locked/").empty());
    chmod((home_ + "locked").c_str(), 0755);
}

// Drops made with the real pointer.  They run last: the toolkit keeps
// small off-screen windows of its own for drag and drop once one has run.
class TreeMouseDropTest : public TreeTest {
  protected:
    // Starts the window and takes the pointer; skips without the extension.
    void StartWithPointer() {
        Start();
        rmgtest::Settle();
        input_.emplace();
        if (!input_->ok()) {
            GTEST_SKIP() << "no X test extension library";
        }
    }
    static Gtk::TreeModel::Path ListRow(int n) {
        Gtk::TreeModel::Path row;
        row.push_back(n);
        return row;
    }
    Gtk::TreeModel::Path TreeRow(const std::string& dir) {
        return Tree()->get_model()->get_path(GetPathNode(Tree(), dir));
    }
    // Presses on a row of `from`, glides onto a row of `to`, lets go, and
    // waits up to five seconds for `done`.
    bool Drag(Gtk::TreeView* from, const Gtk::TreeModel::Path& fromRow, Gtk::TreeView* to,
              const Gtk::TreeModel::Path& toRow, const std::function<bool()>& done) {
        int fromX = 0;
        int fromY = 0;
        int toX = 0;
        int toY = 0;
        rmgtest::RowPoint(from, fromRow, fromX, fromY);
        rmgtest::RowPoint(to, toRow, toX, toY);
        input_->Move(fromX, fromY);
        input_->Button(true);
        input_->Glide(fromX, fromY, toX, toY);
        input_->Button(false);
        return rmgtest::PumpUntil(done, 5000);
    }
    std::optional<rmgtest::FakeInput> input_;
};

TEST_F(TreeMouseDropTest, MouseDragFromListOntoTreeCopies) {
    testutil::MakeDirs(home_ + "dst");
    testutil::WriteFile(home_ + "caf\xc3\xa9.txt", "bytes");
    StartWithPointer();
    if (IsSkipped()) {
        return;
    }
    AnswerDrops(1);
    ASSERT_EQ(GetListRowName(2), "caf\xc3\xa9.txt");
    EXPECT_TRUE(Drag(pMainW->FileList, ListRow(2), Tree(), TreeRow(home_ + "dst/"),
                     [&] { return testutil::Exists(home_ + "dst/caf\xc3\xa9.txt"); }));
    rmgtest::Settle();
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(testutil::ReadFile(home_ + "dst/caf\xc3\xa9.txt"), "bytes");
    EXPECT_EQ(pGTable->CurrentDir, home_ + "dst/");
    EXPECT_NE(pGTable->TreeSelectHandler, 0u);
}

TEST_F(TreeMouseDropTest, MouseDragCarriesEverySelectedRow) {
    Make({"dst/", "one=1", "two=2", "three=3"});
    StartWithPointer();
    if (IsSkipped()) {
        return;
    }
    AnswerDrops(1);
    ASSERT_EQ(ListNames(), (std::vector<std::string>{"..", "dst", "one", "three", "two"}));
    SelectListRow(2);
    SelectListRow(4);
    EXPECT_TRUE(Drag(pMainW->FileList, ListRow(4), Tree(), TreeRow(home_ + "dst/"), [&] {
        return testutil::Exists(home_ + "dst/one") && testutil::Exists(home_ + "dst/two");
    }));
    EXPECT_FALSE(testutil::Exists(home_ + "dst/three"));

    // A plain click on one of several selected rows keeps only that one.
    OpenChildTree(Tree(), home_, 0);
    rmgtest::Settle();
    SelectListRow(2);
    SelectListRow(4);
    int x = 0;
    int y = 0;
    rmgtest::RowPoint(pMainW->FileList, ListRow(4), x, y);
    input_->Move(x, y);
    input_->Button(true);
    input_->Button(false);
    EXPECT_EQ(GetListSelectedRows(), (std::vector<int>{4}));
}

TEST_F(TreeMouseDropTest, MouseDragBetweenTreeNodesMoves) {
    Make({"a/moved/", "a/moved/f=f", "b/"});
    StartWithPointer();
    if (IsSkipped()) {
        return;
    }
    OpenChildTree(Tree(), home_ + "a/", 1);
    rmgtest::Settle();
    AnswerDrops(2);
    EXPECT_TRUE(Drag(Tree(), TreeRow(home_ + "a/moved/"), Tree(), TreeRow(home_ + "b/"),
                     [&] { return testutil::Exists(home_ + "b/moved/f"); }));
    rmgtest::Settle();
    EXPECT_EQ(asked_, 1);
    EXPECT_FALSE(testutil::Exists(home_ + "a/moved"));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "b/");
    EXPECT_TRUE(GetPathNode(Tree(), home_ + "b/moved/"));
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "a/moved/"));
}

// A folder dragged from the tree onto the list goes into the directory the
// list shows.  The press once made the folder the list's directory, and
// the drop was then refused as a folder onto itself.  A press and release
// without a drag still opens the folder, on the release.
TEST_F(TreeMouseDropTest, FolderDraggedFromTheTreeDropsIntoTheShownDirectory) {
    Make({"shown/", "src/x/f=f"});
    StartWithPointer();
    if (IsSkipped()) {
        return;
    }
    OpenChildTree(Tree(), home_ + "shown/", 0);
    rmgtest::Settle();
    AnswerDrops(1);
    EXPECT_TRUE(Drag(Tree(), TreeRow(home_ + "src/"), pMainW->FileList, ListRow(0),
                     [&] { return testutil::Exists(home_ + "shown/src/x/f"); }));
    rmgtest::Settle();
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "shown/");
    std::string selected;
    GetTreeSelect(Tree(), &selected);
    EXPECT_EQ(selected, home_ + "shown/");

    int x = 0;
    int y = 0;
    rmgtest::RowPoint(Tree(), TreeRow(home_ + "src/"), x, y);
    input_->Move(x, y);
    input_->Button(true);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "shown/");
    input_->Button(false);
    EXPECT_TRUE(rmgtest::PumpUntil([&] { return pGTable->CurrentDir == home_ + "src/"; }, 2000));
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"..", "x"}));
}

TEST_F(TreeMouseDropTest, MouseDropAsksWithTheCopyMovePopup) {
    Make({"dst/", "f.txt=f"});
    StartWithPointer();
    if (IsSkipped()) {
        return;
    }
    // Picks "Copy" once the pop-up is up (from inside its own loop).
    bool shown = false;
    sigc::connection picker = Glib::signal_timeout().connect(
        [&shown] {
            for (GList* l = gtk_menu_get_for_attach_widget(GTK_WIDGET(pMainW->Window->gobj()));
                 l != nullptr; l = l->next) {
                Gtk::Menu* menu = Glib::wrap(GTK_MENU(l->data));
                if (!menu->get_visible()) {
                    continue;
                }
                for (Gtk::Widget* child : menu->get_children()) {
                    auto* item = dynamic_cast<Gtk::MenuItem*>(child);
                    if (item != nullptr && item->get_label() == "Copy(_C)") {
                        shown = true;
                        item->activate();
                        menu->popdown();
                        return false;
                    }
                }
            }
            return true;
        },
        20);
    ASSERT_EQ(GetListRowName(2), "f.txt");
    EXPECT_TRUE(Drag(pMainW->FileList, ListRow(2), Tree(), TreeRow(home_ + "dst/"),
                     [&] { return testutil::Exists(home_ + "dst/f.txt"); }));
    picker.disconnect();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(testutil::Exists(home_ + "f.txt"));
}

}  // namespace
}  // namespace rmg

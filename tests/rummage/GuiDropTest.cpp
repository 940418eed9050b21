// Drops between tree and list: copy and move through the engine under the
// progress window, refusals, cancelling, and the drag data's bytes.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>

#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgdragdrop.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgprogress.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

class DropTest : public rmgtest::BrowseTest {};

TEST_F(DropTest, CopyDropCopiesAndShowsTheDestination) {
    Make({"src/", "src/a.txt=alpha", "src/dir/inner/", "dst/"});
    Start();
    AnswerDrops(1);
    const std::string text = MakeDragText({home_ + "src/a.txt", home_ + "src/dir/"});
    EXPECT_EQ(UIFileDragDrop(text, home_ + "dst/"), 0);
    rmgtest::Pump();
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(testutil::ReadFile(home_ + "dst/a.txt"), "alpha");
    EXPECT_TRUE(testutil::Exists(home_ + "dst/dir/inner"));
    EXPECT_TRUE(testutil::Exists(home_ + "src/a.txt"));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "dst/");
    EXPECT_TRUE(GetPathNode(Tree(), home_ + "dst/dir/"));
    EXPECT_EQ(GetProgressDlg(), nullptr);  // closed at the end
}

TEST_F(DropTest, MoveDropMovesAndRefreshesBothPlaces) {
    Make({"src/only/", "src/only/f=f", "dst/"});
    Start();
    OpenChildTree(Tree(), home_ + "src/", 1);
    ASSERT_TRUE(GetPathNode(Tree(), home_ + "src/only/"));
    AnswerDrops(2);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/only/"}), home_ + "dst/"), 0);
    rmgtest::Pump();
    EXPECT_FALSE(testutil::Exists(home_ + "src/only"));
    EXPECT_EQ(testutil::ReadFile(home_ + "dst/only/f"), "f");
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "src/only/"));
    EXPECT_TRUE(GetPathNode(Tree(), home_ + "dst/only/"));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "dst/");

    // From the top level, whose parent the tree does not hold.
    testutil::MakeDirs(home_ + "top/x");
    RescanTree(Tree(), home_);
    ASSERT_TRUE(GetPathNode(Tree(), home_ + "top/"));
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "top/"}), home_ + "dst/only/"), 0);
    EXPECT_TRUE(testutil::Exists(home_ + "dst/only/top/x"));
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "top/"));
}

TEST_F(DropTest, DropsOntoTheirOwnPlaceOrDismissedAreRefused) {
    Make({"src/", "src/a.txt=a", "dst/"});
    Start();
    AnswerDrops(1);
    // Into the directory it came from, and a directory onto itself.
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/a.txt"}), home_ + "src/"), 1);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/"}), home_ + "src/"), 1);
    EXPECT_EQ(asked_, 0);
    // Not "file:" text.
    EXPECT_EQ(UIFileDragDrop("http://example/", home_ + "dst/"), 1);
    // Pop-up dismissed, or it could not be built.
    AnswerDrops(0);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/a.txt"}), home_ + "dst/"), 1);
    AnswerDrops(RESULT_CREATE_FAILED);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/a.txt"}), home_ + "dst/"), 1);
    EXPECT_FALSE(testutil::Exists(home_ + "dst/a.txt"));
}

TEST_F(DropTest, CancelStopsALongCopy) {
    const int total = 400;
    testutil::MakeDirs(home_ + "src/many");
    for (int i = 0; i < total; ++i) {
        testutil::WriteFile(home_ + "src/many/f" + std::to_string(i), std::string(2048, 'x'));
    }
    testutil::MakeDirs(home_ + "dst");
    Start([](GTable& t) { t.ShowProgress = 1; });
    // Clicks Cancel once the window is up and some files are done.
    sigc::connection clicker = Glib::signal_timeout().connect(
        [this] {
            if (GetProgressDlg() != nullptr && pGTable->ProgressCount >= 20) {
                on_ProgressCancelButton_clicked();
                return false;
            }
            return true;
        },
        1);
    AnswerDrops(1);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/many/"}), home_ + "dst/"), 0);
    clicker.disconnect();
    rmgtest::Pump();
    EXPECT_EQ(GetProgressDlg(), nullptr);
    int copied = 0;
    for (int i = 0; i < total; ++i) {
        copied += testutil::Exists(home_ + "dst/many/f" + std::to_string(i)) ? 1 : 0;
    }
    EXPECT_GE(copied, 20);
    EXPECT_LT(copied, total);
    EXPECT_EQ(pGTable->CurrentDir, home_ + "dst/");
}

// The data a drag out of `widget` offers, fetched the way a drop does.
std::string DraggedText(Gtk::Widget* widget) {
    GdkDragContext* context = GDK_DRAG_CONTEXT(g_object_new(GDK_TYPE_DRAG_CONTEXT, nullptr));
    g_signal_emit_by_name(widget->gobj(), "drag-begin", context);
    auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_SECONDARY);
    clipboard->set(
        DragTargets(),
        [widget, context](Gtk::SelectionData& data, guint info) {
            g_signal_emit_by_name(widget->gobj(), "drag-data-get", context, data.gobj(), info, 0u);
        },
        [] {});
    const std::string text = GetDropText(clipboard->wait_for_contents("text/plain"));
    clipboard->clear();
    g_signal_emit_by_name(widget->gobj(), "drag-end", context);
    g_object_unref(context);
    return text;
}

TEST_F(DropTest, DragsOfferTheSelectedPaths) {
    testutil::MakeDirs(home_ + "sub/deeper");
    testutil::WriteFile(home_ + "caf\xc3\xa9.txt", "c");
    testutil::WriteFile(home_ + "plain", "p");
    Start();
    OpenChildTree(Tree(), home_ + "sub/", 0);
    rmgtest::Pump();
    EXPECT_EQ(DraggedText(Tree()), "file:" + home_ + "sub/");
    // The tree's select handler is back after the list's drag too.
    OpenChildTree(Tree(), home_, 0);
    rmgtest::Pump();
    for (int row = 1; row < GetListRowCount(); ++row) {
        SelectListRow(row);
    }
    EXPECT_EQ(DraggedText(pMainW->FileList),
              "file:" + home_ + "sub/ file:" + home_ + "caf\xc3\xa9.txt file:" + home_ + "plain");
    EXPECT_NE(pGTable->TreeSelectHandler, 0u);
}

TEST_F(DropTest, DragDataKeepsNonAsciiBytes) {
    Start();
    const std::string text =
        MakeDragText({home_ + "caf\xc3\xa9/", home_ + "\xe6\x97\xa5\xe6\x9c\xac.txt"});
    auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_SECONDARY);
    ASSERT_TRUE(clipboard->set(
        DragTargets(), [&text](Gtk::SelectionData& data, guint) { SetDragText(data, text); },
        [] {}));
    const Gtk::SelectionData data = clipboard->wait_for_contents("text/plain");
    EXPECT_EQ(data.get_format(), 8);
    EXPECT_EQ(data.get_length(), static_cast<int>(text.size()));
    EXPECT_EQ(GetDropText(data), text);
    clipboard->clear();
}

}  // namespace
}  // namespace rmg

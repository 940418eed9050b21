// Drops between tree and list: copy and move through the engine under the
// progress window, refusals, cancelling, and the drag data's bytes.
#include <dlfcn.h>
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

class DropTest : public rmgtest::BrowseTest {
protected:
    void TearDown() override {
        SetDropChoiceFunction(nullptr);
        BrowseTest::TearDown();
    }
    // Answers the Copy/Move question with `answer`, counting the questions.
    void Answer(int answer) {
        SetDropChoiceFunction([this, answer] {
            ++asked_;
            return answer;
        });
    }
    int asked_ = 0;
};

TEST_F(DropTest, CopyDropCopiesAndShowsTheDestination) {
    testutil::MakeDirs(home_ + "src");
    testutil::WriteFile(home_ + "src/a.txt", "alpha");
    testutil::MakeDirs(home_ + "src/dir/inner");
    testutil::MakeDirs(home_ + "dst");
    Start();
    Answer(1);
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
    testutil::MakeDirs(home_ + "src/only");
    testutil::WriteFile(home_ + "src/only/f", "f");
    testutil::MakeDirs(home_ + "dst");
    Start();
    OpenChildTree(Tree(), home_ + "src/", 1);
    ASSERT_TRUE(GetPathNode(Tree(), home_ + "src/only/"));
    Answer(2);
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
    testutil::MakeDirs(home_ + "src");
    testutil::WriteFile(home_ + "src/a.txt", "a");
    testutil::MakeDirs(home_ + "dst");
    Start();
    Answer(1);
    // Into the directory it came from, and a directory onto itself.
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/a.txt"}), home_ + "src/"), 1);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/"}), home_ + "src/"), 1);
    EXPECT_EQ(asked_, 0);
    // Not "file:" text.
    EXPECT_EQ(UIFileDragDrop("http://example/", home_ + "dst/"), 1);
    // Pop-up dismissed, or it could not be built.
    Answer(0);
    EXPECT_EQ(UIFileDragDrop(MakeDragText({home_ + "src/a.txt"}), home_ + "dst/"), 1);
    Answer(RESULT_CREATE_FAILED);
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
    Answer(1);
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
    clipboard->set(DragTargets(),
                   [widget, context](Gtk::SelectionData& data, guint info) {
                       g_signal_emit_by_name(widget->gobj(), "drag-data-get", context,
                                             data.gobj(), info, 0u);
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

// Root-window position of the middle of a row of `view`, in its first column.
void RowPoint(Gtk::TreeView* view, const Gtk::TreeModel::Path& path, int& x, int& y) {
    Gdk::Rectangle cell;
    view->get_background_area(path, *view->get_column(0), cell);
    int ox = 0;
    int oy = 0;
    view->get_bin_window()->get_origin(ox, oy);
    x = ox + cell.get_x() + 12;
    y = oy + cell.get_y() + cell.get_height() / 2;
}

// The X server's test extension, for real pointer input the toolkit
// cannot tell from a person's.  Looked up at run time: only this test
// needs it.
class FakeInput {
public:
    FakeInput() {
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW);
        x11_ = dlopen("libX11.so.6", RTLD_NOW);
        if (xtst_ != nullptr && x11_ != nullptr) {
            motion_ = reinterpret_cast<MotionFn>(dlsym(xtst_, "XTestFakeMotionEvent"));
            button_ = reinterpret_cast<ButtonFn>(dlsym(xtst_, "XTestFakeButtonEvent"));
            flush_ = reinterpret_cast<FlushFn>(dlsym(x11_, "XFlush"));
        }
        auto xdisplay = reinterpret_cast<void* (*)(GdkDisplay*)>(
            dlsym(RTLD_DEFAULT, "gdk_x11_display_get_xdisplay"));
        if (xdisplay != nullptr) {
            display_ = xdisplay(gdk_display_get_default());
        }
    }
    // The libraries stay loaded: their per-connection records live on.
    bool ok() const {
        return display_ != nullptr && motion_ != nullptr && button_ != nullptr &&
               flush_ != nullptr;
    }
    void Move(int x, int y) {
        motion_(display_, -1, x, y, 0);
        flush_(display_);
        rmgtest::Settle(20);
    }
    void Button(bool press) {
        button_(display_, 1, press ? 1 : 0, 0);
        flush_(display_);
        rmgtest::Settle(50);
    }
    // In small steps, so the toolkit sees a drag and the motion over the tree.
    void Glide(int fromX, int fromY, int toX, int toY) {
        const int steps = 20;
        for (int i = 1; i <= steps; ++i) {
            Move(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
        }
    }

private:
    using MotionFn = int (*)(void*, int, int, int, unsigned long);
    using ButtonFn = int (*)(void*, unsigned int, int, unsigned long);
    using FlushFn = int (*)(void*);
    void* xtst_ = nullptr;
    void* x11_ = nullptr;
    MotionFn motion_ = nullptr;
    ButtonFn button_ = nullptr;
    FlushFn flush_ = nullptr;
    void* display_ = nullptr;  // the X connection
};

TEST_F(DropTest, MouseDragFromListOntoTreeCopies) {
    testutil::MakeDirs(home_ + "dst");
    testutil::WriteFile(home_ + "caf\xc3\xa9.txt", "bytes");
    Start();
    rmgtest::Settle();
    FakeInput input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension library";
    }
    Answer(1);
    ASSERT_EQ(GetListRowName(2), "caf\xc3\xa9.txt");
    int fromX = 0;
    int fromY = 0;
    int toX = 0;
    int toY = 0;
    Gtk::TreeModel::Path row;
    row.push_back(2);
    RowPoint(pMainW->FileList, row, fromX, fromY);
    RowPoint(Tree(), Tree()->get_model()->get_path(GetPathNode(Tree(), home_ + "dst/")), toX, toY);

    input.Move(fromX, fromY);
    input.Button(true);
    input.Glide(fromX, fromY, toX, toY);
    input.Button(false);
    EXPECT_TRUE(testutil::WaitFor(
        [&] {
            rmgtest::Pump();
            return testutil::Exists(home_ + "dst/caf\xc3\xa9.txt");
        },
        std::chrono::seconds(5)));
    rmgtest::Settle();
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(testutil::ReadFile(home_ + "dst/caf\xc3\xa9.txt"), "bytes");
    EXPECT_EQ(pGTable->CurrentDir, home_ + "dst/");
    EXPECT_NE(pGTable->TreeSelectHandler, 0u);
}

TEST_F(DropTest, MouseDragCarriesEverySelectedRow) {
    testutil::MakeDirs(home_ + "dst");
    testutil::WriteFile(home_ + "one", "1");
    testutil::WriteFile(home_ + "two", "2");
    testutil::WriteFile(home_ + "three", "3");
    Start();
    rmgtest::Settle();
    FakeInput input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension library";
    }
    Answer(1);
    ASSERT_EQ(ListNames(), (std::vector<std::string>{"..", "dst", "one", "three", "two"}));
    SelectListRow(2);
    SelectListRow(4);
    int fromX = 0;
    int fromY = 0;
    int toX = 0;
    int toY = 0;
    Gtk::TreeModel::Path row;
    row.push_back(4);
    RowPoint(pMainW->FileList, row, fromX, fromY);
    RowPoint(Tree(), Tree()->get_model()->get_path(GetPathNode(Tree(), home_ + "dst/")), toX, toY);
    input.Move(fromX, fromY);
    input.Button(true);
    input.Glide(fromX, fromY, toX, toY);
    input.Button(false);
    EXPECT_TRUE(testutil::WaitFor(
        [&] {
            rmgtest::Pump();
            return testutil::Exists(home_ + "dst/one") && testutil::Exists(home_ + "dst/two");
        },
        std::chrono::seconds(5)));
    EXPECT_FALSE(testutil::Exists(home_ + "dst/three"));

    // A plain click on one of several selected rows keeps only that one.
    OpenChildTree(Tree(), home_, 0);
    rmgtest::Settle();
    SelectListRow(2);
    SelectListRow(4);
    RowPoint(pMainW->FileList, row, fromX, fromY);
    input.Move(fromX, fromY);
    input.Button(true);
    input.Button(false);
    EXPECT_EQ(GetListSelectedRows(), (std::vector<int>{4}));
}

TEST_F(DropTest, MouseDragBetweenTreeNodesMoves) {
    testutil::MakeDirs(home_ + "a/moved");
    testutil::WriteFile(home_ + "a/moved/f", "f");
    testutil::MakeDirs(home_ + "b");
    Start();
    OpenChildTree(Tree(), home_ + "a/", 1);
    rmgtest::Settle();
    FakeInput input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension library";
    }
    Answer(2);
    int fromX = 0;
    int fromY = 0;
    int toX = 0;
    int toY = 0;
    auto model = Tree()->get_model();
    RowPoint(Tree(), model->get_path(GetPathNode(Tree(), home_ + "a/moved/")), fromX, fromY);
    RowPoint(Tree(), model->get_path(GetPathNode(Tree(), home_ + "b/")), toX, toY);
    input.Move(fromX, fromY);
    input.Button(true);
    input.Glide(fromX, fromY, toX, toY);
    input.Button(false);
    EXPECT_TRUE(testutil::WaitFor(
        [&] {
            rmgtest::Pump();
            return testutil::Exists(home_ + "b/moved/f");
        },
        std::chrono::seconds(5)));
    rmgtest::Settle();
    EXPECT_EQ(asked_, 1);
    EXPECT_FALSE(testutil::Exists(home_ + "a/moved"));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "b/");
    EXPECT_TRUE(GetPathNode(Tree(), home_ + "b/moved/"));
    EXPECT_FALSE(GetPathNode(Tree(), home_ + "a/moved/"));
}

TEST_F(DropTest, MouseDropAsksWithTheCopyMovePopup) {
    testutil::MakeDirs(home_ + "dst");
    testutil::WriteFile(home_ + "f.txt", "f");
    Start();
    rmgtest::Settle();
    FakeInput input;
    if (!input.ok()) {
        GTEST_SKIP() << "no X test extension library";
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
    int fromX = 0;
    int fromY = 0;
    int toX = 0;
    int toY = 0;
    Gtk::TreeModel::Path row;
    row.push_back(2);
    ASSERT_EQ(GetListRowName(2), "f.txt");
    RowPoint(pMainW->FileList, row, fromX, fromY);
    RowPoint(Tree(), Tree()->get_model()->get_path(GetPathNode(Tree(), home_ + "dst/")), toX, toY);
    input.Move(fromX, fromY);
    input.Button(true);
    input.Glide(fromX, fromY, toX, toY);
    input.Button(false);
    EXPECT_TRUE(testutil::WaitFor(
        [&] {
            rmgtest::Pump();
            return testutil::Exists(home_ + "dst/f.txt");
        },
        std::chrono::seconds(5)));
    picker.disconnect();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(testutil::Exists(home_ + "f.txt"));
}

TEST_F(DropTest, DragDataKeepsNonAsciiBytes) {
    Start();
    const std::string text =
        MakeDragText({home_ + "caf\xc3\xa9/", home_ + "\xe6\x97\xa5\xe6\x9c\xac.txt"});
    auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_SECONDARY);
    ASSERT_TRUE(clipboard->set(DragTargets(),
                               [&text](Gtk::SelectionData& data, guint) {
                                   SetDragText(data, text);
                               },
                               [] {}));
    const Gtk::SelectionData data = clipboard->wait_for_contents("text/plain");
    EXPECT_EQ(data.get_format(), 8);
    EXPECT_EQ(data.get_length(), static_cast<int>(text.size()));
    EXPECT_EQ(GetDropText(data), text);
    clipboard->clear();
}

}  // namespace
}  // namespace rmg

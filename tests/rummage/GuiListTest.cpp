// The file list as shown: orders, column clicks, filter and hiding rules,
// the ".." row, the status bars and entering directories.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <utility>

#include "GuiAsUserSupport.h"
#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "common/I18n.h"
#include "rummage/rmgcommands.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgoptions.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

using Names = std::vector<std::string>;
using rmgtest::PumpUntil;

int TextWidth(const std::string& text) {
    int width = 0;
    int height = 0;
    pMainW->FileList->create_pango_layout(text)->get_pixel_size(width, height);
    return width;
}

// Shows the columns `kinds` in this order; a width of 0 or more is stored
// for the column at the same place.
void SetColumns(GTable& t, const std::vector<std::pair<int, int>>& kinds) {
    t.ColumnCount = static_cast<int>(kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        t.ColumnPosition[i] = kinds[i].first;
        if (kinds[i].second >= 0) {
            t.ColumnSize[i] = kinds[i].second;
        }
    }
}

using ListTest = rmgtest::BrowseTest;

TEST_F(ListTest, SortKeepsParentThenDirectoriesFirstAndColumnClicksReverseOrChangeIt) {
    testutil::WriteFile(home_ + "b", std::string(10, 'b'));
    testutil::WriteFile(home_ + "D", std::string(3000, 'd'));
    testutil::MakeDirs(home_ + "z");
    testutil::MakeDirs(home_ + "a");
    Start();
    EXPECT_EQ(ListNames(), (Names{"..", "a", "z", "D", "b"}));
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(IsListRowDirectory(row), row < 3) << row;
    }
    ASSERT_EQ(pGTable->SortColumn, 1);
    SelectListRow(RowOf("b"));
    on_FileList_click_column(1);  // same column: reversed
    EXPECT_EQ(pGTable->SortType, 1);
    // The selection stays on its row.
    ASSERT_EQ(GetListSelectedRows().size(), 1u);
    EXPECT_EQ(GetListRowName(GetListSelectedRows()[0]), "b");
    EXPECT_EQ(ListNames(), (Names{"..", "z", "a", "b", "D"}));
    on_FileList_click_column(2);  // size, ascending
    EXPECT_EQ(pGTable->SortColumn, 2);
    EXPECT_EQ(pGTable->SortType, 0);
    EXPECT_EQ(ListNames()[0], "..");
    EXPECT_EQ((Names{ListNames()[3], ListNames()[4]}), (Names{"b", "D"}));
    on_FileList_click_column(2);
    EXPECT_EQ((Names{ListNames()[3], ListNames()[4]}), (Names{"D", "b"}));
    // Names ascending again: byte order unless caseless or mixed.
    pGTable->SortColumn = 1;
    pGTable->SortType = 0;
    pGTable->SortCase = 1;
    SortFileList();
    EXPECT_EQ(ListNames(), (Names{"..", "a", "z", "b", "D"}));
    pGTable->MixFileDir = 1;
    SortFileList();
    EXPECT_EQ(ListNames(), (Names{"..", "a", "b", "D", "z"}));
}

TEST_F(ListTest, FilterAndHidingRules) {
    Make({"notes.txt=t", "notes.doc=d", ".profile=p", "old.BAK=o", "edit~=e", "sub/"});
    Start([](GTable& t) {
        t.Filter = 1;
        t.FilterName = "*.txt";
    });
    EXPECT_EQ(ListNames(), (Names{"..", "sub", "notes.txt"}));
    EXPECT_EQ(GetStatusBarText(pMainW->FilterStatusBar), " Filter: *.txt");

    pGTable->Filter = 0;
    pGTable->ShowBackup = 1;
    DisplayFileList(pGTable->CurrentDir);
    DisplayFilterStatus();
    EXPECT_EQ(ListNames(), (Names{"..", "sub", "edit~", "notes.doc", "notes.txt", "old.BAK"}));
    EXPECT_EQ(GetStatusBarText(pMainW->FilterStatusBar), " Filter: Show all files");

    pGTable->ShowHidden = 1;
    DisplayFileList(pGTable->CurrentDir);
    EXPECT_EQ(RowOf(".profile"), 2);
}

TEST_F(ListTest, StatusBarFollowsTheSelectionWhichNeverHoldsTheParentRow) {
    testutil::WriteFile(home_ + "k1", std::string(1024, 'x'));
    testutil::WriteFile(home_ + "k2", std::string(512, 'x'));
    Start();
    SelectListRow(0);
    EXPECT_TRUE(GetListSelectedRows().empty());
    EXPECT_EQ(StatusText(), " " + home_);
    pMainW->FileList->get_selection()->select_all();
    EXPECT_EQ(GetListSelectedRows(), (std::vector<int>{1, 2}));
    UnselectAllListRows();
    SelectListRow(RowOf("k1"));
    rmgtest::Pump();
    EXPECT_EQ(StatusText(), " k1  1KByte");
    SelectListRow(RowOf("k2"));
    rmgtest::Pump();
    EXPECT_EQ(StatusText(), " 2 files  1.5KByte");
    EXPECT_EQ(pGTable->StatusText, " 2 files  1.5KByte");
    UnselectAllListRows();
    EXPECT_EQ(StatusText(), " " + home_);
}

TEST_F(ListTest, ActivatingRowsEntersDirectoriesAndParentStopsAtHome) {
    Make({"sub/inner/", "sub/f=f"});
    Start();
    ActivateListRow(0);  // ".." at home: nothing
    EXPECT_EQ(pGTable->CurrentDir, home_);
    ActivateListRow(RowOf("sub"));
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "sub/");
    EXPECT_EQ(ListNames(), (Names{"..", "inner", "f"}));
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "sub/")));
    ActivateListRow(0);
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_);
}

TEST_F(ListTest, OnlyARefreshKeepsTheScrollPosition) {
    for (int i = 0; i < 150; ++i) {
        const std::string name = "f" + std::to_string(1000 + i);
        testutil::WriteFile(home_ + name, "x");
        testutil::MakeDirs(home_ + "sub");
        testutil::WriteFile(home_ + "sub/" + name, "x");
    }
    Start();
    rmgtest::Settle();
    ScrollListRow(120, 0.0);
    int first = -1;
    int last = -1;
    // Let the scroll land before refreshing.
    ASSERT_TRUE(PumpUntil([&] { return GetListVisibleRange(first, last) && first >= 118; }));
    rmgtest::Settle(100);
    ASSERT_TRUE(GetListVisibleRange(first, last));
    const int before = first;
    DisplayFileList(pGTable->CurrentDir);  // refresh: stays
    const bool kept =
        PumpUntil([&] { return GetListVisibleRange(first, last) && first == before; }, 10000);
    EXPECT_TRUE(kept) << "first row " << first << ", was " << before;
    OpenChildTree(Tree(), home_ + "sub/", 0);  // another directory: from the top
    ASSERT_TRUE(PumpUntil([&] { return GetListVisibleRange(first, last) && first == 0; }, 10000));
}

TEST_F(ListTest, ColumnsFollowTheSettings) {
    testutil::WriteFile(home_ + "f", std::string(1536, 'x'));
    Start([](GTable& t) {
        SetColumns(t, {{COLUMN_SIZE, 80}, {COLUMN_NAME, -1}, {COLUMN_PERMISSION, -1}});
    });
    auto columns = pMainW->FileList->get_columns();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(pGTable->NameColumn, 2);
    EXPECT_EQ(columns[1]->get_title(), "Size");
    EXPECT_EQ(columns[2]->get_title(), "Name");
    EXPECT_EQ(columns[3]->get_title(), "Permission");
    EXPECT_EQ(columns[1]->get_fixed_width(), 80);
    EXPECT_EQ(GetListColumnWidths().size(), 3u);

    // A column without a stored width, not the last one, shows its title
    // and its texts whole.
    SetColumns(*pGTable, {{COLUMN_NAME, 150}, {COLUMN_MODIFY_TIME, 0}, {COLUMN_SIZE, 70}});
    ResetFileListColumns();
    Gtk::TreeViewColumn* timeColumn = pMainW->FileList->get_column(2);
    ASSERT_NE(timeColumn, nullptr);
    EXPECT_EQ(timeColumn->get_title(), "Modification time");
    int titleMinimum = 0;
    int titleWidth = 0;
    timeColumn->get_button()->get_preferred_width(titleMinimum, titleWidth);
    struct stat st {};
    ASSERT_EQ(::lstat((home_ + "f").c_str(), &st), 0);
    std::string shown;
    ASSERT_EQ(GetFormatTime(st.st_mtime, shown, false, pGTable->JapaneseLocale), 0);
    EXPECT_GE(timeColumn->get_fixed_width(), titleWidth);
    EXPECT_GT(timeColumn->get_fixed_width(), TextWidth(shown));

    SetColumns(*pGTable, {{COLUMN_NAME, -1}});
    ResetFileListColumns();
    EXPECT_EQ(pMainW->FileList->get_columns().size(), 2u);
    EXPECT_EQ(pGTable->NameColumn, 1);
    EXPECT_EQ(ListNames(), (Names{"..", "f"}));
}

// What a cell shows: the renderers filled for one row and column.
struct Cell {
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    std::string text;
    Gdk::RGBA colour;
};

Cell CellOf(int row, int column) {
    Gtk::TreeView* view = pMainW->FileList;
    Gtk::TreeViewColumn* col = view->get_column(column);
    const Gtk::TreeModel::Path path(1u, row);
    auto model = view->get_model();
    auto iter = model->get_iter(path);
    gtk_tree_view_column_cell_set_cell_data(col->gobj(), model->gobj(), iter.gobj(), FALSE, FALSE);
    Cell cell;
    Gtk::CellRenderer* renderer = col->get_cells().at(0);
    if (auto* icon = dynamic_cast<Gtk::CellRendererPixbuf*>(renderer)) {
        cell.pixbuf = icon->property_pixbuf().get_value();
    } else if (auto* text = dynamic_cast<Gtk::CellRendererText*>(renderer)) {
        cell.text = text->property_text().get_value();
        cell.colour = text->property_foreground_rgba().get_value();
    }
    return cell;
}

Gdk::RGBA Colour(int index) {
    Gdk::RGBA rgba;
    rgba.set_rgba_u(pGTable->Color[index].red, pGTable->Color[index].green,
                    pGTable->Color[index].blue);
    return rgba;
}

TEST_F(ListTest, RowsShowFolderPictureAndColourByKind) {
    testutil::MakeDirs(home_ + "sub");
    testutil::WriteFile(home_ + "run", "#!/bin/sh\n", 0755);
    testutil::WriteFile(home_ + "plain", std::string(1536, 'p'));
    ASSERT_EQ(symlink("plain", (home_ + "lnk").c_str()), 0);
    ASSERT_EQ(symlink("missing", (home_ + "dead").c_str()), 0);
    ASSERT_EQ(mkfifo((home_ + "pipe").c_str(), 0644), 0);
    testutil::WriteFile(home_ + "bad\xff", "b");
    Start();
    EXPECT_TRUE(CellOf(0, 0).pixbuf);  // ".."
    EXPECT_EQ(CellOf(0, 1).colour, Colour(0));
    const std::vector<std::pair<std::string, int>> kinds = {{"sub", 0}, {"run", 1},  {"plain", 2},
                                                            {"lnk", 4}, {"dead", 5}, {"pipe", 2}};
    for (const auto& [name, colour] : kinds) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name;
        EXPECT_EQ(static_cast<bool>(CellOf(row, 0).pixbuf), name == "sub") << name;
        EXPECT_EQ(CellOf(row, 1).text, name);
        EXPECT_EQ(CellOf(row, 1).colour, Colour(colour)) << name;
    }
    EXPECT_EQ(CellOf(RowOf("plain"), 2).text, "1.5KByte");
    // A name that is not UTF-8 is shown readable and kept as its bytes.
    const int bad = RowOf("bad\xff");
    ASSERT_GE(bad, 0);
    EXPECT_TRUE(g_utf8_validate(CellOf(bad, 1).text.c_str(), -1, nullptr));
}

// Room a column's cells leave for their text in `row`.
int TextRoom(int row, int column) {
    Gtk::TreeView* view = pMainW->FileList;
    const Gtk::TreeModel::Path path(1u, row);
    Gdk::Rectangle area;
    view->get_cell_area(path, *view->get_column(column), area);
    int xpad = 0;
    int ypad = 0;
    view->get_column(column)->get_cells().at(0)->get_padding(xpad, ypad);
    return area.get_width() - 2 * xpad;
}

TEST_F(ListTest, SizeColumnShowsItsWidestValueWhole) {
    testutil::WriteFile(home_ + "small", "s");
    testutil::WriteFile(home_ + "huge", "");
    ASSERT_EQ(::truncate((home_ + "huge").c_str(), 3072LL * 1048576), 0);
    // The stored width of the default settings, too narrow for it.
    Start([](GTable& t) { t.ColumnSize[1] = 70; });
    rmgtest::Settle(100);
    const int row = RowOf("huge");
    ASSERT_GE(row, 0);
    ASSERT_EQ(CellOf(row, 2).text, "3072MByte");
    EXPECT_GE(TextRoom(row, 2), TextWidth("3072MByte"));
}

TEST_F(ListTest, ColumnAddedInTheOptionsIsInViewWithoutScrolling) {
    testutil::WriteFile(home_ + "f", "f");
    Start();
    rmgtest::Settle(200);
    OptionValues values = ReadOptionValues(*pGTable);
    for (const int kind : {COLUMN_PERMISSION, COLUMN_USER, COLUMN_GROUP}) {
        values.displayed.push_back(kind);
        ASSERT_TRUE(ApplyOptionValues(*pGTable, values).columns);
        ResetFileListColumns();
        rmgtest::Settle(200);
        Gtk::TreeView* view = pMainW->FileList;
        Gtk::TreeViewColumn* added = view->get_column(static_cast<int>(values.displayed.size()));
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->get_title(), _(GetListColumnString(kind)));
        Gdk::Rectangle shown;
        // The list scrolls once it has been laid out with the new column.
        PumpUntil([&] {
            view->get_visible_rect(shown);
            return added->get_width() > 0 &&
                   added->get_x_offset() + added->get_width() <= shown.get_x() + shown.get_width();
        });
        view->get_visible_rect(shown);
        const int left = added->get_x_offset();
        SCOPED_TRACE(added->get_title());
        EXPECT_GE(left, shown.get_x());
        EXPECT_LE(left + added->get_width(), shown.get_x() + shown.get_width());
    }
}

// Commands that change many rows at once: whoever follows the selection
// (the menus, the status bar) hears of each change once and sees it whole,
// and the list stays where it was.
TEST_F(ListTest, BulkSelectionChangesAreHeardOnceWholeAndKeepThePlace) {
    testutil::MakeDirs(home_ + "big");
    for (int i = 0; i < 6000; ++i) {
        ::close(::open((home_ + "big/f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644));
    }
    Start();
    OpenChildTree(Tree(), home_ + "big/", 0);
    rmgtest::Settle(200);
    const int rows = GetListRowCount();
    ASSERT_EQ(rows, 6001);
    auto adjustment = pMainW->FileList->get_vadjustment();
    adjustment->set_value(adjustment->get_upper() / 2);
    rmgtest::Settle(100);
    const double offset = adjustment->get_value();
    int heard = 0;
    int seen = -1;
    auto selection = pMainW->FileList->get_selection();
    sigc::connection follower = selection->signal_changed().connect([&] {
        ++heard;
        seen = selection->count_selected_rows();
    });
    std::vector<char> everyOther(rows, 0);
    for (int row = 1; row < rows; row += 2) {
        everyOther[row] = 1;
    }
    struct Step {
        const char* name;
        std::function<void()> run;
        int selected;
    };
    const std::vector<Step> steps = {
        {"select all", [] { SelectAllListRows(); }, rows - 1},
        {"every other row", [&] { SetListSelection(everyOther); }, rows / 2},
        {"invert", [] { SetListSelection(InvertRows(GetListSelectionMask(), 0)); }, rows / 2},
        {"clear", [] { UnselectAllListRows(); }, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        heard = 0;
        step.run();
        EXPECT_EQ(heard, 1);
        EXPECT_EQ(seen, step.selected);
        EXPECT_EQ(static_cast<int>(GetListSelectedRows().size()), step.selected);
        EXPECT_FALSE(IsListRowSelected(0));
        rmgtest::Settle(100);
        EXPECT_TRUE(pMainW->FileList->get_mapped());
        EXPECT_NEAR(adjustment->get_value(), offset, 1.0);
    }
    EXPECT_EQ(StatusText(), " " + home_ + "big/");
    follower.disconnect();
}

TEST_F(ListTest, UserIdColumnListsHigherIdsFirst) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs to give files away";
    }
    for (const auto& [name, uid] :
         std::vector<std::pair<std::string, uid_t>>{{"u0", 0}, {"u1000", 1000}, {"u1", 1}}) {
        testutil::WriteFile(home_ + name, "x");
        ASSERT_EQ(chown((home_ + name).c_str(), uid, 0), 0);
    }
    Start([](GTable& t) {
        SetColumns(t, {{COLUMN_NAME, -1}, {COLUMN_USER_ID, -1}});
        t.SortColumn = 2;
    });
    EXPECT_EQ(ListNames(), (Names{"..", "u1000", "u1", "u0"}));
    on_FileList_click_column(2);
    EXPECT_EQ(ListNames(), (Names{"..", "u0", "u1", "u1000"}));
}

TEST_F(ListTest, UnreadableDirectoryShowsOnlyTheParentRow) {
    if (rmgtest::RerunAsOrdinaryUser()) {
        return;
    }
    Make({"locked/", "locked/f=f"});
    chmod((home_ + "locked").c_str(), 0);
    Start();
    OpenChildTree(Tree(), home_ + "locked/", 1);
    EXPECT_EQ(ListNames(), (Names{".."}));
    chmod((home_ + "locked").c_str(), 0755);
}

}  // namespace
}  // namespace rmg

// The file list as shown: orders, column clicks, filter and hiding rules,
// the ".." row, the status bars and entering directories.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "GuiBrowseSupport.h"
#include "TestUtil.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgtable.h"


namespace rmg {
namespace {

using Names = std::vector<std::string>;

class ListTest : public rmgtest::BrowseTest {
protected:
    void MakeBDz() {
        testutil::WriteFile(home_ + "b", std::string(10, 'b'));
        testutil::WriteFile(home_ + "D", std::string(3000, 'd'));
        testutil::MakeDirs(home_ + "z");
    }
    int Row(const std::string& name) const {
        const Names names = ListNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

TEST_F(ListTest, DefaultOrderIsParentThenDirectoriesThenByteOrder) {
    MakeBDz();
    Start();
    EXPECT_EQ(ListNames(), (Names{"..", "z", "D", "b"}));
    EXPECT_TRUE(IsListRowDirectory(0));
    EXPECT_TRUE(IsListRowDirectory(1));
    EXPECT_FALSE(IsListRowDirectory(2));
}

TEST_F(ListTest, CaseInsensitiveAndMixedOrders) {
    MakeBDz();
    Start([](GTable& t) { t.SortCase = 1; });
    EXPECT_EQ(ListNames(), (Names{"..", "z", "b", "D"}));
    pGTable->MixFileDir = 1;
    SortFileList();
    EXPECT_EQ(ListNames(), (Names{"..", "b", "D", "z"}));
}

TEST_F(ListTest, ColumnClicksReverseAndChangeTheSortKeepingParentAndDirectoriesFirst) {
    MakeBDz();
    testutil::MakeDirs(home_ + "a");
    Start();
    ASSERT_EQ(pGTable->SortColumn, 1);
    on_FileList_click_column(1);  // same column: reversed
    EXPECT_EQ(pGTable->SortType, 1);
    EXPECT_EQ(ListNames(), (Names{"..", "z", "a", "b", "D"}));
    on_FileList_click_column(2);  // size, ascending
    EXPECT_EQ(pGTable->SortColumn, 2);
    EXPECT_EQ(pGTable->SortType, 0);
    EXPECT_EQ(ListNames()[0], "..");
    EXPECT_EQ((Names{ListNames()[3], ListNames()[4]}), (Names{"b", "D"}));
    on_FileList_click_column(2);
    EXPECT_EQ((Names{ListNames()[3], ListNames()[4]}), (Names{"D", "b"}));
}

TEST_F(ListTest, SortingKeepsTheSelectionOnItsRows) {
    MakeBDz();
    Start();
    SelectListRow(Row("b"));
    on_FileList_click_column(1);
    const auto rows = GetListSelectedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(GetListRowName(rows[0]), "b");
}

TEST_F(ListTest, FilterAndHidingRules) {
    testutil::WriteFile(home_ + "notes.txt", "t");
    testutil::WriteFile(home_ + "notes.doc", "d");
    testutil::WriteFile(home_ + ".profile", "p");
    testutil::WriteFile(home_ + "old.BAK", "o");
    testutil::WriteFile(home_ + "edit~", "e");
    testutil::MakeDirs(home_ + "sub");
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
    EXPECT_EQ(Row(".profile"), 2);
}

TEST_F(ListTest, ParentRowCannotBeSelected) {
    MakeBDz();
    Start();
    SelectListRow(0);
    EXPECT_TRUE(GetListSelectedRows().empty());
    pMainW->FileList->get_selection()->select_all();
    EXPECT_EQ(GetListSelectedRows(), (std::vector<int>{1, 2, 3}));
}

TEST_F(ListTest, StatusBarFollowsTheSelection) {
    testutil::WriteFile(home_ + "k1", std::string(1024, 'x'));
    testutil::WriteFile(home_ + "k2", std::string(512, 'x'));
    Start();
    EXPECT_EQ(StatusText(), " " + home_);
    SelectListRow(Row("k1"));
    rmgtest::Pump();
    EXPECT_EQ(StatusText(), " k1  1KByte");
    SelectListRow(Row("k2"));
    rmgtest::Pump();
    EXPECT_EQ(StatusText(), " 2 files  1.5KByte");
    EXPECT_EQ(pGTable->StatusText, " 2 files  1.5KByte");
    UnselectAllListRows();
    EXPECT_EQ(StatusText(), " " + home_);
}

TEST_F(ListTest, ActivatingRowsEntersDirectoriesAndParentStopsAtHome) {
    testutil::MakeDirs(home_ + "sub/inner");
    testutil::WriteFile(home_ + "sub/f", "f");
    Start();
    ActivateListRow(0);  // ".." at home: nothing
    EXPECT_EQ(pGTable->CurrentDir, home_);
    ActivateListRow(Row("sub"));
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_ + "sub/");
    EXPECT_EQ(ListNames(), (Names{"..", "inner", "f"}));
    EXPECT_TRUE(IsTreeNodeExpanded(Tree(), GetPathNode(Tree(), home_ + "sub/")));
    ActivateListRow(0);
    rmgtest::Pump();
    EXPECT_EQ(pGTable->CurrentDir, home_);
}

TEST_F(ListTest, ColumnsFollowTheSettings) {
    testutil::WriteFile(home_ + "f", std::string(1536, 'x'));
    Start([](GTable& t) {
        t.ColumnCount = 3;
        t.ColumnPosition[0] = COLUMN_SIZE;
        t.ColumnPosition[1] = COLUMN_NAME;
        t.ColumnPosition[2] = COLUMN_PERMISSION;
        t.ColumnSize[0] = 80;
    });
    auto columns = pMainW->FileList->get_columns();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(pGTable->NameColumn, 2);
    EXPECT_EQ(columns[1]->get_title(), "Size");
    EXPECT_EQ(columns[2]->get_title(), "Name");
    EXPECT_EQ(columns[3]->get_title(), "Permission");
    EXPECT_EQ(columns[1]->get_fixed_width(), 80);
    EXPECT_EQ(GetListColumnWidths().size(), 3u);

    pGTable->ColumnCount = 1;
    pGTable->ColumnPosition[0] = COLUMN_NAME;
    ResetFileListColumns();
    EXPECT_EQ(pMainW->FileList->get_columns().size(), 2u);
    EXPECT_EQ(pGTable->NameColumn, 1);
    EXPECT_EQ(ListNames(), (Names{"..", "f"}));
}

TEST_F(ListTest, UnreadableDirectoryShowsOnlyTheParentRow) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    testutil::MakeDirs(home_ + "locked");
    testutil::WriteFile(home_ + "locked/f", "f");
    chmod((home_ + "locked").c_str(), 0);
    Start();
    OpenChildTree(Tree(), home_ + "locked/", 1);
    EXPECT_EQ(ListNames(), (Names{".."}));
    chmod((home_ + "locked").c_str(), 0755);
}

}  // namespace
}  // namespace rmg

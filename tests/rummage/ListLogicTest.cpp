// Order, filter, texts and drag data of the file list, without widgets.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "CoreTableSupport.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"

namespace rmg {
namespace {

FileRow Dir(const std::string& name) {
    FileRow r;
    r.name = name;
    r.isDir = true;
    r.type = 0;
    r.mode = S_IFDIR | 0755;
    return r;
}

FileRow File(const std::string& name, std::uint64_t size = 0, uid_t uid = 0) {
    FileRow r;
    r.name = name;
    r.size = size;
    r.uid = uid;
    r.mode = S_IFREG | 0644;
    return r;
}

FileRow WithMode(FileRow r, mode_t mode) {
    r.mode = mode;
    return r;
}

FileRow Parent() {
    FileRow r = Dir("..");
    r.isParent = true;
    return r;
}

std::vector<std::string> Sorted(std::vector<FileRow> rows, const SortOptions& opt) {
    std::vector<FileRow*> ptrs;
    for (auto& r : rows) {
        ptrs.push_back(&r);
    }
    SortFileRows(ptrs, opt);
    std::vector<std::string> names;
    for (auto* p : ptrs) {
        names.push_back(p->name);
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(ListSortTest, NameOrdersKeepParentFirstAndDirectoriesFirst) {
    const std::vector<FileRow> rows = {File("b"), Dir("z"), File("D"), Parent()};
    SortOptions opt;  // name column, ascending, byte order, directories first
    opt.sortColumn = 1;
    opt.kind = COLUMN_NAME;
    EXPECT_EQ(Sorted(rows, opt), (Names{"..", "z", "D", "b"}));
    opt.sortCase = 1;
    EXPECT_EQ(Sorted(rows, opt), (Names{"..", "z", "b", "D"}));
    // Ignoring case, a name that is the start of another comes first.
    EXPECT_EQ(Sorted({File("README.txt"), File("readme"), File("Read")}, opt),
              (Names{"Read", "readme", "README.txt"}));
    opt.mixFileDir = 1;
    EXPECT_EQ(Sorted(rows, opt), (Names{"..", "b", "D", "z"}));

    // Reversed: ".." stays on top, directories stay before files.
    opt.mixFileDir = 0;
    opt.sortCase = 0;
    opt.sortType = 1;
    const std::vector<FileRow> more = {File("a"), Dir("x"), File("c"), Parent(), Dir("y")};
    EXPECT_EQ(Sorted(more, opt), (Names{"..", "y", "x", "c", "a"}));
    opt.mixFileDir = 1;
    EXPECT_EQ(Sorted(more, opt), (Names{"..", "y", "x", "c", "a"}));
}

TEST(ListSortTest, IconColumnPutsDirectoriesFirstEvenWhenMixed) {
    SortOptions opt;
    opt.sortColumn = 0;
    opt.mixFileDir = 1;
    EXPECT_EQ(Sorted({File("a"), Dir("b"), Parent(), Dir("a")}, opt), (Names{"..", "a", "b", "a"}));
    opt.sortType = 1;
    EXPECT_EQ(Sorted({File("a"), Dir("b"), Parent(), Dir("a")}, opt), (Names{"..", "a", "b", "a"}));
}

TEST(ListSortTest, ColumnsSortByTheirValueBothWays) {
    struct Case {
        const char* what;
        int column;
        int kind;
        std::vector<FileRow> rows;
        Names normal;
        Names reversed;
    };
    const Case cases[] = {
        // 900KByte < 1.2MByte; equal sizes keep their order.
        {"size",
         2,
         COLUMN_SIZE,
         {File("big", 1258291), File("mid", 921600), File("tiny", 1), File("mid2", 921600)},
         {"tiny", "mid", "mid2", "big"},
         {"big", "mid", "mid2", "tiny"}},
        // Ids put larger numbers first in the normal direction.
        {"user id",
         3,
         COLUMN_USER_ID,
         {File("root", 0, 0), File("user", 0, 1000), File("daemon", 0, 1), Parent()},
         {"..", "user", "daemon", "root"},
         {"..", "root", "daemon", "user"}},
        // By the shown text: -r--r--r-- before -rwx------.
        {"permission",
         2,
         COLUMN_PERMISSION,
         {WithMode(File("a"), S_IFREG | 0700), WithMode(File("b"), S_IFREG | 0444)},
         {"b", "a"},
         {"a", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SortOptions opt;
        opt.sortColumn = c.column;
        opt.kind = c.kind;
        EXPECT_EQ(Sorted(c.rows, opt), c.normal);
        opt.sortType = 1;
        EXPECT_EQ(Sorted(c.rows, opt), c.reversed);
    }
}

TEST(ListFilterTest, WildcardMatchesFilesOnlyWhenOn) {
    EXPECT_EQ(CheckFilter("notes.doc", 0, "*.txt"), 1);
    EXPECT_EQ(CheckFilter("notes.txt", 1, "*.txt"), 1);
    EXPECT_EQ(CheckFilter("notes.doc", 1, "*.txt"), 0);
    EXPECT_EQ(CheckFilter("..", 1, "*.txt"), 1);
    // No flags: "*" matches a leading dot too.
    EXPECT_EQ(CheckFilter(".profile", 1, "*"), 1);
    EXPECT_EQ(CheckFilter("a[b", 1, "a[b"), 1);
}

TEST(ListTextTest, ModeTextShowsTypeAndSpecialBits) {
    EXPECT_EQ(SetPermission(S_IFDIR | 0755), "drwxr-xr-x");
    EXPECT_EQ(SetPermission(S_IFREG | 04755), "-rwsr-xr-x");
    EXPECT_EQ(SetPermission(S_IFREG | 04644), "-rwSr--r--");
    EXPECT_EQ(SetPermission(S_IFREG | 02750), "-rwxr-s---");
    EXPECT_EQ(SetPermission(S_IFDIR | 01777), "drwxrwxrwt");
    EXPECT_EQ(SetPermission(S_IFDIR | 01770), "drwxrwx--T");
    EXPECT_EQ(SetPermission(S_IFLNK | 0777), "lrwxrwxrwx");
    EXPECT_EQ(SetPermission(S_IFSOCK | 0600), "srw-------");
}

TEST(ListTextTest, EachNumberAndTimeColumnShowsItsOwnField) {
    setenv("TZ", "UTC", 1);
    tzset();
    FileRow row = File("f", 0, 101);
    row.gid = 202;
    row.ino = 303;
    row.atime = 1700000000;  // 2023-11-14 22:13:20 UTC
    row.mtime = row.atime + 60;
    row.ctime = row.atime + 120;
    const std::pair<int, const char*> cells[] = {
        {COLUMN_USER_ID, "101"},
        {COLUMN_GROUP_ID, "202"},
        {COLUMN_INODE, "303"},
        {COLUMN_ACCESS_TIME, "Nov 14 2023 22:13"},
        {COLUMN_MODIFY_TIME, "Nov 14 2023 22:14"},
        {COLUMN_CHANGE_TIME, "Nov 14 2023 22:15"},
    };
    for (const auto& [kind, text] : cells) {
        EXPECT_EQ(GetListCellText(row, kind, 0), text) << GetListColumnString(kind);
    }
}

// User and group names come each from their own table (ids 65534 name
// different ones on most systems), and an id naming no one shows empty.
TEST(ListTextTest, OwnerColumnsNameUsersAndGroupsFromTheirOwnTables) {
    for (const unsigned id : {0u, 65534u, 4000000000u}) {
        SCOPED_TRACE(id);
        const passwd* pw = ::getpwuid(id);
        const group* gr = ::getgrgid(id);
        FileRow row = File("f", 0, id);
        row.gid = id;
        EXPECT_EQ(GetListCellText(row, COLUMN_USER, 0), pw != nullptr ? pw->pw_name : "");
        EXPECT_EQ(GetListCellText(row, COLUMN_GROUP, 0), gr != nullptr ? gr->gr_name : "");
    }
}

TEST(ListTextTest, TimeTextsInBothLocales) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t t = 1700000000;  // 2023-11-14 22:13:20 UTC
    std::string out;
    ASSERT_EQ(GetFormatTime(t, out, false, 0), 0);
    EXPECT_EQ(out, "Nov 14 2023 22:13");
    ASSERT_EQ(GetFormatTime(t, out, true, 0), 0);
    EXPECT_EQ(out, "Nov 14 2023 22:13:20");
    ASSERT_EQ(GetFormatTime(t, out, false, 1), 0);
    EXPECT_EQ(out, "2023/11/14 22:13");
    ASSERT_EQ(GetFormatTime(t, out, true, 1), 0);
    EXPECT_EQ(out, "2023/11/14 22:13:20");
    // A time localtime cannot represent gives an empty text.
    EXPECT_EQ(GetFormatTime(static_cast<std::time_t>(0x7fffffffffffffffLL), out, false, 0),
              RESULT_TIME_FAILED);
    EXPECT_EQ(out, "");
}

TEST(ListTextTest, StatusTexts) {
    rmgtest::TableScope scope;
    EXPECT_EQ(FileStatusNone("/home/a/"), " /home/a/");
    EXPECT_EQ(FileStatusOne("notes.txt", "1KByte"), " notes.txt  1KByte");
    EXPECT_EQ(FileStatusMany(2, "1.5KByte"), " 2 files  1.5KByte");
    EXPECT_EQ(FilterStatusText(0, "*.txt"), " Filter: Show all files");
    EXPECT_EQ(FilterStatusText(1, "*.txt"), " Filter: *.txt");
    // A pattern holding a conversion is shown, not interpreted.
    EXPECT_EQ(FilterStatusText(1, "%s%n"), " Filter: %s%n");
}

TEST(DragTextTest, RoundTripOfSeveralPathsWithBlanksAndBytes) {
    const std::vector<std::string> paths = {"/h/a b/", "/h/caf\xc3\xa9.txt", "/h/\xff\xfe"};
    const std::string text = MakeDragText(paths);
    EXPECT_EQ(text, "file:/h/a b/ file:/h/caf\xc3\xa9.txt file:/h/\xff\xfe");
    EXPECT_EQ(SplitDropText(text), paths);
    EXPECT_EQ(SplitDropText("file:/h/one"), (std::vector<std::string>{"/h/one"}));
    EXPECT_TRUE(SplitDropText("http://example/").empty());
    EXPECT_TRUE(SplitDropText("").empty());
    EXPECT_TRUE(SplitDropText("file:").empty());
    // Split only at " file:"; a relative item refuses the whole text.
    EXPECT_EQ(SplitDropText("file:/h/profile:1 file:/h/b"),
              (std::vector<std::string>{"/h/profile:1", "/h/b"}));
    EXPECT_EQ(SplitDropText("file:/h/afile:x"), (std::vector<std::string>{"/h/afile:x"}));
    EXPECT_TRUE(SplitDropText("file:/h/a file:rel").empty());
    EXPECT_TRUE(SplitDropText("file:rel").empty());
}

}  // namespace
}  // namespace rmg

// The commands' widget-free work on temporary trees: item lists, the shared
// copy-or-move loop, delete, new directory and file, links, pattern
// selection, and the sort, filter and option edits down to ~/.rummage.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "FileOpSupport.h"
#include "TestUtil.h"
#include "rummage/rmgcommands.h"
#include "rummage/rmgfiles.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgoptions.h"
#include "rummage/rmgutil.h"

namespace {
// When set, the first lstat of this path lets another writer create it
// just after the look, the moment between the check and the creation.
std::string gRacePath;
}  // namespace

extern "C" int lstat(const char* __restrict path, struct stat* __restrict st) noexcept {
    using Fn = int (*)(const char*, struct stat*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "lstat"));
    const int rc = real(path, st);
    if (!gRacePath.empty() && gRacePath == path) {
        gRacePath.clear();
        const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            if (write(fd, "theirs", 6) != 6) {
                gRacePath = "write failed";
            }
            close(fd);
        }
    }
    return rc;
}

namespace {

using namespace rmg;
using testutil::Exists;
using testutil::ReadFile;
using testutil::WriteFile;

using rmgtest::LinkText;

class CommandsTest : public rmgtest::HomeFixture {
  protected:
    // `t` after a save to the settings file and a fresh load from it.
    GTable SavedAndLoaded(GTable& t) {
        EXPECT_EQ(SetGTable(t), 0);
        GTable loaded;
        loaded.SettingsDir = tmp.path();
        GetGTable(loaded);
        return loaded;
    }
};

TEST_F(CommandsTest, ItemListsGiveKindAndDescription) {
    struct Case {
        SelectionSource source;
        int kind;
        std::vector<std::string> items;
        std::string description;
    };
    const Case cases[] = {
        {{{{"a.txt", false}}}, SELECT_FILES, {"/h/a.txt"}, "a.txt file"},
        {{{{"d", true}}}, SELECT_DIRECTORIES, {"/h/d/"}, "d directory"},
        {{{{"..", true}, {"a", false}, {"b", false}, {"c", false}, {"d", true}}},
         SELECT_BOTH,
         {"/h/a", "/h/b", "/h/c", "/h/d/"},
         "4 file/directory"},
        {{{{"..", true}}}, SELECT_NOTHING, {}, ""},
        {{{}, true, "/h/t/", "t"}, SELECT_DIRECTORIES, {"/h/t/"}, "t directory"},
        // Selected rows win over the tree's node; ".." alone is nothing.
        {{{{"..", true}, {"x", false}}, true, "/h/t/", "t"}, SELECT_FILES, {"/h/x"}, "x file"},
        {{{{"..", true}}, true, "/h/t/", "t"}, SELECT_NOTHING, {}, ""},
        {{}, SELECT_NOTHING, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        std::vector<std::string> items;
        std::string description;
        EXPECT_EQ(BuildFileOperationList(c.source, "/h/", items, &description), c.kind);
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(description, c.description);
        EXPECT_EQ(BuildFileOperationList(c.source, "/h/", items, nullptr), c.kind);
    }
}

// Two or more items to a name that does not exist: a new directory of
// that name (mode from the umask) holds every item under its own name,
// whatever comes first; a first directory was once poured into the new
// name, losing its own name and, unreadable, giving the holder mode 000.
// Onto an existing file they are refused; one item takes the new name.
TEST_F(CommandsTest, SeveralItemsToANewNameLandInsideItUnderTheirOwnNames) {
    struct Case {
        const char* what;
        std::vector<std::string> items;  // relative to the source directory
        mode_t firstMode;                // applied to the first item after it is made
    };
    const Case cases[] = {
        {"files only", {"a", "b"}, 0644},
        {"directory first", {"d/", "a"}, 0755},
        {"unreadable directory first", {"d/", "a", "b"}, 0},
    };
    const mode_t oldMask = ::umask(027);
    for (const Case& c : cases) {
        for (const int kind : {OP_COPY, OP_MOVE}) {
            SCOPED_TRACE(std::string(c.what) + (kind == OP_COPY ? ", copy" : ", move"));
            const std::string src = home + "src/";
            const std::string dest = home + "new";
            std::filesystem::remove_all(src);
            std::filesystem::remove_all(dest);
            Make({"src/a=A", "src/b=B", "src/d/in=I"});
            std::vector<FileOperationItem> items;
            for (const std::string& item : c.items) {
                items.push_back(src + item);
            }
            ::chmod(StripSlash(items.front()).c_str(), c.firstMode);
            EXPECT_EQ(CopyMoveItems(items, dest, kind), 0);
            EXPECT_EQ(rmgtest::ModeOf(dest) & 07777, 0750u);
            std::vector<std::string> names;
            for (const std::string& item : c.items) {
                names.push_back(GetLastPath(item));
                EXPECT_EQ(Exists(StripSlash(src + item)), kind == OP_COPY);
            }
            std::sort(names.begin(), names.end());
            EXPECT_EQ(rmgtest::Names(dest), names);
            ::chmod((dest + "/d").c_str(), 0755);
            ::chmod((src + "d").c_str(), 0755);
            // Only the superuser can copy out of an unreadable directory.
            if (Exists(dest + "/d") && (c.firstMode != 0 || kind == OP_MOVE || ::geteuid() == 0)) {
                EXPECT_EQ(ReadFile(dest + "/d/in"), "I");
            }
            EXPECT_EQ(ReadFile(dest + "/a"), "A");
        }
    }
    ::umask(oldMask);
    // One directory to a new name becomes that name.
    Make({"src/d/in=I"});
    EXPECT_EQ(CopyMoveItems({home + "src/d/"}, home + "solo", OP_COPY), 0);
    EXPECT_EQ(ReadFile(home + "solo/in"), "I");

    Make({"a=A", "b=B", "target=T"});
    EXPECT_EQ(CopyMoveItems({home + "a", home + "b"}, home + "target", OP_MOVE),
              RESULT_BAD_ARGUMENT);
    EXPECT_EQ(ui.LastText(), "The specified file already exists.");
    EXPECT_EQ(ReadFile(home + "target"), "T");
    EXPECT_TRUE(Exists(home + "a"));
    // One file onto it is the engine's overwrite question.
    scope.table.ConfilmOverwrite = 1;
    ui.Answer(RESULT_YES);
    EXPECT_EQ(CopyMoveItems({home + "a"}, home + "target", OP_COPY), 0);
    EXPECT_EQ(ReadFile(home + "target"), "A");
}

TEST_F(CommandsTest, DeleteAsksThenFollowsTheShownDirectoryUp) {
    Make({"p/shown/deeper/", "p/f=x"});
    scope.table.ConfilmDel = 1;
    std::string current = home + "p/shown/deeper/";
    ui.Answer(RESULT_NO);
    EXPECT_EQ(DeleteItems({home + "p/shown/", home + "p/f"}, "2 file/directory", current),
              RESULT_NO);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Delete");
    EXPECT_EQ(ui.boxes[0].text, "Delete 2 file/directory ?");
    EXPECT_EQ(ui.boxes[0].style, MB_YESNO + MB_ICON_DELETE);
    EXPECT_TRUE(Exists(home + "p/f"));

    ui.Answer(RESULT_YES);
    ui.AnswerDelete(RESULT_YES);
    EXPECT_EQ(DeleteItems({home + "p/shown/", home + "p/f"}, "2 file/directory", current), 0);
    EXPECT_FALSE(Exists(home + "p/shown"));
    EXPECT_FALSE(Exists(home + "p/f"));
    EXPECT_EQ(current, home + "p/");
}

TEST_F(CommandsTest, NewDirectoryAndFileAreCreatedOnceAndNeverOverwrite) {
    std::string dir = "made";
    EXPECT_EQ(MakeNewDirectory(dir), 0);
    EXPECT_EQ(dir, home + "made/");
    EXPECT_TRUE(IsDirectory(dir));

    std::string file = home + "made/new.txt";
    EXPECT_EQ(MakeNewFile(file), 0);
    EXPECT_EQ(ReadFile(file), "");

    WriteFile(home + "kept", "content");
    // A name that exists only as a dangling link is not written through.
    ASSERT_EQ(symlink("outside-target", (home + "dangling").c_str()), 0);
    struct Case {
        std::string name;
        bool directory;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"kept", true, PATH_FILE_EXISTS, "The specified file already exists."},
        {"kept", false, PATH_FILE_EXISTS, "The specified file already exists."},
        {"dangling", false, PATH_FILE_EXISTS, "The specified file already exists."},
        {"made", false, PATH_DIR_EXISTS, "The specified directory already exists."},
        {"no/such/x", true, PATH_INACCURATE, "Path is inaccurate."},
    };
    for (const Case& c : cases) {
        std::string path = c.name;
        EXPECT_EQ(c.directory ? MakeNewDirectory(path) : MakeNewFile(path), c.code) << c.name;
        EXPECT_EQ(ui.LastText(), c.text);
    }
    EXPECT_EQ(ReadFile(home + "kept"), "content");
    EXPECT_FALSE(Exists(home + "outside-target"));

    // A file made by someone else after the check keeps its content.
    gRacePath = home + "late.txt";
    std::string late = "late.txt";
    EXPECT_EQ(MakeNewFile(late), -1);
    EXPECT_EQ(ReadFile(home + "late.txt"), "theirs");
    EXPECT_NE(ui.LastText().find("Cannot create file " + home + "late.txt\ncause:"),
              std::string::npos)
        << ui.LastText();
}

TEST_F(CommandsTest, LinkTargetsAreCheckedWhereTheLinkWillResolveThem) {
    Make({"sub/dir/", "sub/target=t", "only-here=o"});

    // Relative to the link's directory, not to the shown one.
    std::string link = "sub/rel";
    EXPECT_EQ(MakeSymbolicLink("target", link), 0);
    EXPECT_EQ(LinkText(home + "sub/rel"), "target");
    EXPECT_EQ(ReadFile(home + "sub/rel"), "t");
    link = "sub/wrong";
    EXPECT_EQ(MakeSymbolicLink("only-here", link), 1);
    EXPECT_EQ(ui.LastText(), "The specified file does not exist.");
    EXPECT_FALSE(Exists(home + "sub/wrong"));

    // A directory target keeps a final "/"; an existing name is refused.
    link = home + "todir";
    EXPECT_EQ(MakeSymbolicLink(home + "sub/dir", link), 0);
    EXPECT_EQ(LinkText(home + "todir"), home + "sub/dir/");
    link = home + "sub/target";
    EXPECT_EQ(MakeSymbolicLink(home + "only-here", link), 2);
    EXPECT_EQ(ui.LastText(), "The specified file already exists.");
}

TEST_F(CommandsTest, PatternSelectionAndInversion) {
    const std::vector<std::string> names = {"..", "a.txt", "B.TXT", "c.txt.bak", "dir.txt", "x"};
    const std::vector<char> txt = MatchRows(names, "*.txt", 0);
    EXPECT_EQ(txt, (std::vector<char>{0, 1, 0, 0, 1, 0}));
    // ".." never, even when the pattern matches it.
    EXPECT_EQ(MatchRows(names, ".*", 0), (std::vector<char>{0, 0, 0, 0, 0, 0}));

    const std::vector<char> inverted = InvertRows(txt, 0);
    EXPECT_EQ(inverted, (std::vector<char>{0, 0, 1, 1, 0, 1}));
    EXPECT_EQ(InvertRows(inverted, 0), txt);
    EXPECT_EQ(InvertRows(std::vector<char>(6, 0), 0), (std::vector<char>{0, 1, 1, 1, 1, 1}));

    EXPECT_FALSE(IsValidSelectText(""));
    EXPECT_TRUE(IsValidSelectText(std::string(512, 'a')));
    EXPECT_FALSE(IsValidSelectText(std::string(513, 'a')));
}

TEST_F(CommandsTest, SortChoiceNamesNoEntryForTheIconColumnOrBeyond) {
    GTable& t = scope.table;
    t.ColumnCount = 3;
    t.ColumnPosition[0] = COLUMN_NAME;
    t.ColumnPosition[1] = COLUMN_SIZE;
    t.ColumnPosition[2] = COLUMN_MODIFY_TIME;
    for (const auto& [column, index] : {std::pair{0, -1}, {1, 0}, {3, 2}, {4, -1}, {99, -1}}) {
        t.SortColumn = column;
        EXPECT_EQ(SortChoiceIndex(t), index) << column;
    }
    ApplySortChoice(t, COLUMN_MODIFY_TIME, true);
    EXPECT_EQ(t.SortColumn, 3);
    EXPECT_EQ(t.SortType, 1);
    ApplySortChoice(t, COLUMN_INODE, false);  // not displayed: column kept
    EXPECT_EQ(t.SortColumn, 3);
    EXPECT_EQ(t.SortType, 0);
}

// What the filter accepts must survive the settings file.
TEST_F(CommandsTest, FilterTextsTheSettingsCannotKeepAreRefused) {
    GTable& t = scope.table;
    const std::string longest(511, 'f');
    EXPECT_FALSE(ApplyFilterText(t, ""));
    EXPECT_FALSE(ApplyFilterText(t, std::string(512, 'f')));
    EXPECT_EQ(t.Filter, 0);
    ASSERT_TRUE(ApplyFilterText(t, longest));
    EXPECT_EQ(t.Filter, 1);
    const GTable loaded = SavedAndLoaded(t);
    EXPECT_EQ(loaded.FilterName, longest);
    EXPECT_EQ(loaded.Filter, 1);

    ASSERT_TRUE(ApplyFilterText(t, "*"));
    EXPECT_EQ(t.Filter, 0);
    EXPECT_EQ(t.FilterHistory.front(), "*");
}

TEST_F(CommandsTest, OptionEditsReachTheSettingsFile) {
    GTable& t = scope.table;
    t.ColumnCount = 2;
    t.ColumnPosition[0] = COLUMN_SIZE;
    t.ColumnPosition[1] = COLUMN_NAME;
    t.ColumnSize[0] = 70;
    t.ColumnSize[1] = 210;
    t.SortColumn = 1;
    t.SortType = 1;

    OptionValues values = ReadOptionValues(t);
    EXPECT_EQ(values.displayed, (std::vector<int>{COLUMN_SIZE, COLUMN_NAME}));
    const std::vector<int> possible = PossibleColumns(values.displayed);
    ASSERT_EQ(possible.size(), 9u);
    for (std::size_t i = 1; i < possible.size(); ++i) {
        EXPECT_LT(std::string(GetListColumnString(possible[i - 1])),
                  std::string(GetListColumnString(possible[i])));
    }
    EXPECT_FALSE(CanRemoveColumns({COLUMN_SIZE, COLUMN_NAME}));
    EXPECT_TRUE(CanRemoveColumns({COLUMN_SIZE}));

    values.flags[1] = 1;  // Show hidden files
    values.flags[4] = 0;  // Confirm when deleting file
    values.colors[0] = {0, ColorChannel(1.0), ColorChannel(0.5), ColorChannel(0.0)};
    values.displayed = {COLUMN_NAME, COLUMN_INODE, COLUMN_SIZE};
    const OptionChange change = ApplyOptionValues(t, values);
    EXPECT_TRUE(change.tree);
    EXPECT_TRUE(change.columns);
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.NameColumn, 1);
    EXPECT_EQ(t.SortColumn, 1);
    EXPECT_EQ(t.SortType, 0);
    EXPECT_EQ(t.ColumnSize[0], 210);  // kept with its kind
    EXPECT_EQ(t.ColumnSize[1], 0);    // new: natural width
    EXPECT_EQ(t.ColumnSize[2], 70);
    EXPECT_EQ(values.colors[0].green, 32768);  // rounded, not truncated

    const GTable loaded = SavedAndLoaded(t);
    EXPECT_EQ(loaded.ShowHidden, 1);
    EXPECT_EQ(loaded.ConfilmDel, 0);
    EXPECT_EQ(loaded.ColumnCount, 3);
    EXPECT_EQ(loaded.ColumnPosition[1], COLUMN_INODE);
    EXPECT_EQ(loaded.Color[0].red >> 8, 0xFF);

    // A confirmation flag alone rebuilds nothing.
    values = ReadOptionValues(t);
    values.flags[5] = values.flags[5] != 0 ? 0 : 1;
    const OptionChange small = ApplyOptionValues(t, values);
    EXPECT_FALSE(small.tree);
    EXPECT_FALSE(small.columns);
}

}  // namespace

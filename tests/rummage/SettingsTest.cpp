// The settings file and the association file: format, limits, fallbacks,
// and a save that never loses the previous file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "CoreTableSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfiles.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace {

using rmg::GTable;

const char kHeaderAndInit[] =
    "#\n"
    "# File manager Rummage\n"
    "# Configuration file.\n"
    "# Copyright (C) 2026 The Rummage developers. All rights reserved.\n"
    "# Do not edit.\n"
    "#\n"
    "\n"
    "[Init]\n"
    "FileVersion=1.00\n";

std::string ColorLines(const int rgb[8][3]) {
    std::string s;
    for (int i = 0; i < 8; ++i) {
        s += "Color" + std::to_string(i) + "Red=" + std::to_string(rgb[i][0]) + "\n";
        s += "Color" + std::to_string(i) + "Green=" + std::to_string(rgb[i][1]) + "\n";
        s += "Color" + std::to_string(i) + "Blue=" + std::to_string(rgb[i][2]) + "\n";
    }
    return s;
}

// What a first run leaves behind.
std::string DefaultFileText() {
    const int rgb[8][3] = {{0, 0, 255},   {0, 255, 0}, {0, 0, 0},     {255, 0, 0},
                           {255, 255, 0}, {255, 0, 0}, {255, 0, 255}, {0, 0, 0}};
    return std::string(kHeaderAndInit) +
           "CurrentDir=\n"
           "\n[Main Window]\nWindowX=50\nWindowY=50\nWindowWidth=600\nWindowHeight=400\n"
           "PandPosition=0\n"
           "\n[Detailed View]\nSortColumn=1\nSortType=0\nColumnCount=3\n"
           "ColumnPosition0=0\nColumnSize0=150\nColumnPosition1=1\nColumnSize1=70\n"
           "ColumnPosition2=8\nColumnSize2=0\nFilter=no\nFilterName=*\n"
           "\n[Setting]\nShowBackup=no\nShowHidden=no\nSortCase=no\nMixFileDir=no\n"
           "ConfilmDel=yes\nConfilmOverwrite=yes\nConfilmExec=no\nShowProgress=yes\n" +
           ColorLines(rgb);
}

// Every key away from its default, all three histories present.
std::string CustomFileText() {
    const int rgb[8][3] = {{1, 2, 3},    {4, 5, 6},    {7, 8, 9},    {10, 11, 12},
                           {13, 14, 15}, {16, 17, 18}, {19, 20, 21}, {255, 254, 253}};
    return std::string(kHeaderAndInit) +
           "CurrentDir=/home/u/\xe6\x97\xa5\xe6\x9c\xac/\n"
           "\n[Main Window]\nWindowX=-3\nWindowY=7\nWindowWidth=812\nWindowHeight=555\n"
           "PandPosition=250\n"
           "\n[Detailed View]\nSortColumn=2\nSortType=1\nColumnCount=4\n"
           "ColumnPosition0=3\nColumnSize0=40\nColumnPosition1=0\nColumnSize1=180\n"
           "ColumnPosition2=10\nColumnSize2=60\nColumnPosition3=7\nColumnSize3=90\n"
           "Filter=yes\nFilterName=*.txt\n"
           "\n[Setting]\nShowBackup=yes\nShowHidden=yes\nSortCase=yes\nMixFileDir=yes\n"
           "ConfilmDel=no\nConfilmOverwrite=no\nConfilmExec=yes\nShowProgress=no\n" +
           ColorLines(rgb) +
           "\n[LocationDirHistory]\nHistoryCount=2\nHistory0=/home/u/a/\nHistory1=/home/u/\n"
           "\n[DirHistory]\nHistoryCount=1\nHistory0=/home/u/b/\n"
           "\n[FilterHistory]\nHistoryCount=3\nHistory0=*.txt\nHistory1=*.[ch]\nHistory2=*\n";
}

class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() { scope.table.SettingsDir = dir.path(); }

    std::string SettingsPath() const { return dir / ".rummage"; }

    // Loads `text` as the settings file into a fresh table.
    GTable& Load(const std::string& text) {
        testutil::WriteFile(SettingsPath(), text);
        EXPECT_EQ(rmg::GetGTable(scope.table), 0);
        return scope.table;
    }

    // What the defaults with `change` applied would save as.
    std::string DefaultsWith(void (*change)(GTable&)) {
        GTable t;
        rmg::DefaultGTable(t);
        change(t);
        return rmg::BuildSettingsText(t, nullptr);
    }

    testutil::TempDir dir;
    rmgtest::TableScope scope;
};

TEST_F(SettingsTest, FirstRunWritesTheDefaultsAtOnce) {
    ASSERT_EQ(rmg::GetGTable(scope.table), 0);
    ASSERT_TRUE(testutil::Exists(SettingsPath()));
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), DefaultFileText());
    EXPECT_EQ(scope.table.PandPosition, 200);
    EXPECT_TRUE(scope.table.DirHistory.empty());
}

TEST_F(SettingsTest, EmptyFileGivesDefaultsAndIsNotRewritten) {
    Load("");
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), "");
    EXPECT_EQ(rmg::BuildSettingsText(scope.table, nullptr), DefaultFileText());
}

TEST_F(SettingsTest, RoundTripIsByteForByte) {
    const std::string text = CustomFileText();
    GTable& t = Load(text);
    EXPECT_EQ(t.CurrentDir, "/home/u/\xe6\x97\xa5\xe6\x9c\xac/");
    EXPECT_EQ(t.ColumnCount, 4);
    EXPECT_EQ(t.ColumnPosition[2], rmg::COLUMN_INODE);
    EXPECT_EQ(t.Color[7].red, 65280);
    EXPECT_EQ(t.FilterHistory.size(), 3u);

    rmg::WindowGeometry geometry{t.WindowX, t.WindowY, t.WindowWidth,    t.WindowHeight,
                                 true,      250,       {40, 180, 60, 90}};
    ASSERT_EQ(rmg::SetGTable(t, &geometry), 0);
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), text);

    // Without a window the divider is written as 0 and the stored sizes are
    // used; reading that back gives the 200 default.
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    std::string saved = testutil::ReadFile(SettingsPath());
    EXPECT_NE(saved.find("PandPosition=0\n"), std::string::npos);
    EXPECT_NE(saved.find("ColumnSize1=180\n"), std::string::npos);
    Load(saved);
    EXPECT_EQ(t.PandPosition, 200);
}

TEST_F(SettingsTest, WindowStateGoesIntoTheTableAndTheFile) {
    Load(DefaultFileText());
    rmg::WindowGeometry geometry{11, 22, 333, 444, true, 123, {99}};
    ASSERT_EQ(rmg::SetGTable(scope.table, &geometry), 0);
    Load(testutil::ReadFile(SettingsPath()));
    EXPECT_EQ(scope.table.WindowX, 11);
    EXPECT_EQ(scope.table.WindowHeight, 444);
    EXPECT_EQ(scope.table.PandPosition, 123);
    EXPECT_EQ(scope.table.ColumnSize[0], 99);
    EXPECT_EQ(scope.table.ColumnSize[1], 70);
}

TEST_F(SettingsTest, OneKeyFileKeepsEveryOtherDefault) {
    GTable& t = Load("[Setting]\nShowHidden=yes\n");
    EXPECT_EQ(rmg::BuildSettingsText(t, nullptr),
              DefaultsWith([](GTable& d) { d.ShowHidden = 1; }));
}

TEST_F(SettingsTest, ValueFormsAndSeparators) {
    GTable& t = Load(
        "[Setting]\nShowHidden = YES\nShowBackup\tyes\nSortCase=1\nConfilmDel=nope\n"
        "MixFileDir=Yesterday\n"
        "\n[Main Window]\nWindowX=  -12\nWindowY=abc\nWindowWidth=+640px\n"
        "WindowHeight=99999999999\n");
    EXPECT_EQ(t.ShowHidden, 1);
    EXPECT_EQ(t.ShowBackup, 1);
    EXPECT_EQ(t.SortCase, 0);
    EXPECT_EQ(t.ConfilmDel, 0);
    EXPECT_EQ(t.MixFileDir, 1);
    EXPECT_EQ(t.WindowX, -12);
    EXPECT_EQ(t.WindowY, 0);
    EXPECT_EQ(t.WindowWidth, 640);
    EXPECT_EQ(t.WindowHeight, 2147483647);
}

TEST_F(SettingsTest, KeysAreFoundOnlyInTheirOwnSection) {
    // ShowHidden under [Init] and a comment line inside [Setting].
    GTable& t = Load(
        "[Init]\nShowHidden=yes\nCurrentDir=/x/\n[Setting]\n# ShowBackup=yes\nShowProgress=no\n"
        "[Detailed View]\nConfilmExec=yes\n");
    EXPECT_EQ(t.ShowHidden, 0);
    EXPECT_EQ(t.ShowBackup, 0);
    EXPECT_EQ(t.ShowProgress, 0);
    EXPECT_EQ(t.ConfilmExec, 0);
    EXPECT_EQ(t.CurrentDir, "/x/");
}

TEST_F(SettingsTest, SectionNameInsideAValueDoesNotHideTheSection) {
    GTable& t = scope.table;
    t.CurrentDir = "/home/u/[Setting]/";
    t.LocationDirHistory = {"/home/u/[FilterHistory]/"};
    t.FilterHistory = {"*.c"};
    t.ShowHidden = 1;
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    std::string saved = testutil::ReadFile(SettingsPath());
    EXPECT_NE(saved.find("\n[Setting]\nShowBackup=no\n"), std::string::npos);

    Load(saved);
    EXPECT_EQ(t.ShowHidden, 1);
    EXPECT_EQ(t.CurrentDir, "/home/u/[Setting]/");
    EXPECT_EQ(t.FilterHistory, rmg::HistoryList{"*.c"});
}

TEST_F(SettingsTest, NewlinesInNamesCannotInjectLines) {
    GTable& t = scope.table;
    t.CurrentDir = "/home/u/x\n[Setting]\nShowHidden=yes/";
    t.DirHistory = {"/home/u/ok/", "/home/u/bad\nHistory0=/etc/", "/home/u/"};
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    Load(testutil::ReadFile(SettingsPath()));
    EXPECT_EQ(t.ShowHidden, 0);
    EXPECT_EQ(t.CurrentDir, "");
    EXPECT_EQ(t.DirHistory, (rmg::HistoryList{"/home/u/ok/", "/home/u/"}));
}

TEST_F(SettingsTest, TextLimits) {
    const std::string dir2046 = "/" + std::string(2045, 'd');
    GTable& t = Load("[Init]\nCurrentDir=" + dir2046 +
                     "\n[Detailed View]\nFilterName=" + std::string(511, 'f') + "\n");
    EXPECT_EQ(t.CurrentDir, dir2046);
    EXPECT_EQ(t.FilterName.size(), 511u);

    Load("[Init]\nCurrentDir=" + dir2046 + "x\n[Detailed View]\nFilterName=" +
         std::string(512, 'f') + "\n[Main Window]\nWindowX=" + std::string(62, '1') +
         "\nWindowY=" + std::string(63, '1') + "\n[Setting]\nShowHidden=yes" +
         std::string(11, ' ') + "\nShowBackup=yes" + std::string(12, ' ') + "\n");
    EXPECT_EQ(t.CurrentDir, "");
    EXPECT_EQ(t.FilterName, "*");
    EXPECT_EQ(t.WindowX, 2147483647);  // 62 digits read (and clamped)
    EXPECT_EQ(t.WindowY, 50);          // 63 characters: too long
    EXPECT_EQ(t.ShowHidden, 1);        // 14 characters
    EXPECT_EQ(t.ShowBackup, 0);        // 15 characters: too long

    const std::string longest = "/" + std::string(2046, 'h');
    Load("[DirHistory]\nHistoryCount=2\nHistory0=" + longest + "\nHistory1=" + longest + "h\n");
    EXPECT_EQ(t.DirHistory, rmg::HistoryList{longest});
}

TEST_F(SettingsTest, HistorySectionsDropEmptyEntriesAndAreLeftOutWhenEmpty) {
    GTable& t = Load("[DirHistory]\nHistoryCount=3\nHistory0=/a/\nHistory1=\nHistory2=/c/\n");
    EXPECT_EQ(t.DirHistory, (rmg::HistoryList{"/a/", "/c/"}));

    t.DirHistory.clear();
    t.FilterHistory = {"*"};
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    std::string saved = testutil::ReadFile(SettingsPath());
    EXPECT_EQ(saved.find("[DirHistory]"), std::string::npos);
    EXPECT_EQ(saved.find("[LocationDirHistory]"), std::string::npos);
    EXPECT_TRUE(saved.ends_with("\n[FilterHistory]\nHistoryCount=1\nHistory0=*\n"));
}

TEST_F(SettingsTest, HugeHistoryCountDoesNotStall) {
    GTable& t = Load("[FilterHistory]\nHistoryCount=2147483647\nHistory0=*.c\n");
    EXPECT_EQ(t.FilterHistory, rmg::HistoryList{"*.c"});
}

TEST_F(SettingsTest, ColoursTakeTheUpperByte) {
    GTable& t = Load("[Setting]\nColor0Red=300\nColor0Green=255\nColor0Blue=-1\nColor1Red=1\n");
    EXPECT_EQ(t.Color[0].red, 0);
    EXPECT_EQ(t.Color[0].green, 65280);
    EXPECT_EQ(t.Color[0].blue, 0);
    EXPECT_EQ(t.Color[1].red, 256);
    EXPECT_EQ(t.Color[1].green, 65280);  // missing: default green
}

TEST_F(SettingsTest, ColumnLayoutFallbacks) {
    // A missing position within the count: Name, Size, Modification time.
    GTable& t = Load(
        "[Detailed View]\nColumnCount=3\nColumnPosition0=2\nColumnSize0=10\n"
        "ColumnPosition2=4\n");
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.ColumnPosition[0], 0);
    EXPECT_EQ(t.ColumnPosition[1], 1);
    EXPECT_EQ(t.ColumnPosition[2], 8);
    EXPECT_EQ(t.ColumnSize[0], 150);

    // A missing size keeps its default.
    Load("[Detailed View]\nColumnCount=2\nColumnPosition0=5\nColumnPosition1=0\n");
    EXPECT_EQ(t.ColumnCount, 2);
    EXPECT_EQ(t.ColumnPosition[0], 5);
    EXPECT_EQ(t.ColumnSize[0], 150);
    EXPECT_EQ(t.ColumnSize[1], 70);
    EXPECT_EQ(t.ColumnPosition[2], 0);

    // More columns than the arrays hold: the first eleven are kept.
    std::string many = "[Detailed View]\nColumnCount=15\n";
    for (int i = 0; i < 15; ++i)
        many += "ColumnPosition" + std::to_string(i) + "=" + std::to_string(i % 11) + "\n";
    Load(many);
    EXPECT_EQ(t.ColumnCount, 11);
    EXPECT_EQ(t.ColumnPosition[10], 10);
    EXPECT_NE(rmg::BuildSettingsText(t, nullptr).find("ColumnCount=11\n"), std::string::npos);

    // No columns, or a kind that does not exist, or a sort column beyond
    // the list: the default layout and sort.
    Load("[Detailed View]\nColumnCount=0\nSortColumn=2\n");
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.SortColumn, 2);
    Load("[Detailed View]\nColumnCount=1\nColumnPosition0=42\n");
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.ColumnPosition[0], 0);
    Load("[Detailed View]\nColumnCount=-4\nSortColumn=9\nSortType=7\n");
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.SortColumn, 1);
    EXPECT_EQ(t.SortType, 0);
}

TEST_F(SettingsTest, MultiByteTextKeepsItsLineEnds) {
    // Two-byte (EUC) text and UTF-8 text ending in a three-byte character:
    // neither may swallow the newline that ends the value.
    GTable& t = Load(
        "[Init]\nCurrentDir=/h/\xc6\xfc\xcb\xdc/\n"
        "[DirHistory]\nHistoryCount=2\nHistory0=/h/\xe6\x97\xa5\nHistory1=/h/x/\n");
    EXPECT_EQ(t.CurrentDir, "/h/\xc6\xfc\xcb\xdc/");
    EXPECT_EQ(t.DirHistory, (rmg::HistoryList{"/h/\xe6\x97\xa5", "/h/x/"}));
}

TEST_F(SettingsTest, ValueLookupPrimitives) {
    const std::string buf = "[S]\nFilter=yes\nFilterName=*.c\nHistory1=a\nHistory10=b\n";
    std::string out;
    EXPECT_EQ(rmg::GetString(buf, "[S]", "FilterName", out, 512), 0);
    EXPECT_EQ(out, "*.c");
    EXPECT_EQ(rmg::GetString(buf, "[S]", "Filter", out, 512), 0);
    EXPECT_EQ(out, "yes");
    EXPECT_EQ(rmg::GetString(buf, "[S]", "History10", out, 512), 0);
    EXPECT_EQ(out, "b");
    out = "untouched";
    EXPECT_EQ(rmg::GetString(buf, "[S]", "FilterName", out, 3), 5);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(rmg::GetString(buf, "[T]", "Filter", out, 512), -1);
    EXPECT_EQ(rmg::GetString(buf, "[S]", nullptr, out, 512), -1);
    std::size_t s = 0, e = 0;
    EXPECT_EQ(rmg::GetValuePosition("[S]", "[S]", "Filter", s, e), 4);

    std::string text;
    EXPECT_TRUE(rmg::SetString(text, "[A]", "k", "v"));
    EXPECT_TRUE(rmg::SetString(text, "[A]", "k2", ""));
    EXPECT_TRUE(rmg::SetFlag(text, "[B]", "f", 7));
    EXPECT_EQ(text, "\n[A]\nk=v\nk2=\n\n[B]\nf=yes\n");
    EXPECT_FALSE(rmg::SetString(text, "[B]", "long", std::string(4096, 'x')));
    EXPECT_TRUE(rmg::SetString(text, "[B]", "long", std::string(4095, 'x')));
}

TEST_F(SettingsTest, FailedSaveLeavesThePreviousFile) {
    const std::string old = CustomFileText();
    testutil::WriteFile(SettingsPath(), old);

    // Let the write run out of file size half-way.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = rmg::SetGTable(scope.table, nullptr);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(result, 6);
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), old);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "temporary file left behind";

    // And a save into a directory that does not exist reports failure.
    scope.table.SettingsDir = dir / "missing";
    EXPECT_EQ(rmg::SetGTable(scope.table, nullptr), 6);
}

TEST_F(SettingsTest, LinkedSettingsFileStaysALink) {
    const std::string real = dir / "real-settings";
    testutil::WriteFile(real, CustomFileText(), 0640);
    ASSERT_EQ(::symlink(real.c_str(), SettingsPath().c_str()), 0);
    GTable& t = scope.table;
    ASSERT_EQ(rmg::GetGTable(t), 0);
    EXPECT_EQ(t.FilterName, "*.txt");  // read through the link, whole

    t.FilterName = "*.h";
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath()));
    EXPECT_NE(testutil::ReadFile(real).find("FilterName=*.h\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
}

TEST_F(SettingsTest, ReadAndWriteFileCodes) {
    std::string out = "x";
    EXPECT_EQ(rmg::ReadFile(dir / "none", out), 1);
    EXPECT_EQ(rmg::ReadFile(dir.path(), out), 3);  // a directory opens but cannot be read
    ASSERT_EQ(rmg::WriteFile(dir / "f", ""), 0);
    EXPECT_EQ(rmg::ReadFile(dir / "f", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(rmg::WriteFile(dir / "none/f", "x"), 2);
}

class AppInfoTest : public ::testing::Test {
  protected:
    testutil::TempDir dir;
    rmgtest::TableScope scope;
};

TEST_F(AppInfoTest, SectionsAreReadInOrderUpToTheirEnd) {
    testutil::WriteFile(dir / ".extension",
                        "# associations\n"
                        "[Extension]\n"
                        "html=/usr/lib/netscape/start\n"
                        "txt=/usr/bin/editor\n"
                        "no equals sign here\n"
                        "cfg=/usr/bin/tool --mode=x\n"
                        "\n"
                        "after=the empty line\n"
                        "[Application]\n"
                        "Editor=/usr/bin/editor\n"
                        "Viewer=/usr/bin/viewer\n"
                        "[Other]\n"
                        "Late=/bin/late\n");
    std::vector<rmg::AppInfo> ext, app;
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Extension]", ext), 0);
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Application]", app), 0);
    ASSERT_EQ(ext.size(), 3u);
    EXPECT_EQ(ext[0].Key, "html");
    EXPECT_EQ(ext[2].Key, "cfg");
    EXPECT_EQ(ext[2].Value, "/usr/bin/tool --mode=x");
    ASSERT_EQ(app.size(), 2u);
    EXPECT_EQ(app[1].Key, "Viewer");
    EXPECT_EQ(app[1].Value, "/usr/bin/viewer");
}

TEST_F(AppInfoTest, MissingFileOrSectionAndOverlongEntries) {
    std::vector<rmg::AppInfo> list;
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Extension]", list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), nullptr, list), -1);

    testutil::WriteFile(dir / ".extension", "[Extension]\n" + std::string(256, 'k') + "=/bin/a\n" +
                                                std::string(255, 'k') + "=/bin/b\n" + "c=/" +
                                                std::string(2047, 'v') + "\n" + "d=/" +
                                                std::string(2046, 'v') + "\n");
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Application]", list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Extension]", list), 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Value, "/bin/b");
    EXPECT_EQ(list[1].Key, "d");
}

TEST_F(AppInfoTest, ExtensionLookupIgnoresCaseAndTakesTheFirstMatch) {
    scope.table.ExtensionInfo = {
        {"HTML", "/usr/lib/netscape/start"}, {"gz", "/bin/unpack"}, {"html", "/bin/second"}};
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/index.html"), "/usr/lib/netscape/start");
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/a.tar.gz"), "/bin/unpack");
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/Makefile"), "");
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/x.tar"), "");
    EXPECT_EQ(rmg::GetCompatibleAP(nullptr), "");
}

}  // namespace

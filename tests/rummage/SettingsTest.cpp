// The settings file and the association file: format, limits, fallbacks,
// and a save that never loses the previous file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ChildSupport.h"
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

TEST_F(SettingsTest, FirstRunWritesTheDefaultsAnEmptyFileDoesNot) {
    ASSERT_EQ(rmg::GetGTable(scope.table), 0);
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), DefaultFileText());
    EXPECT_EQ(scope.table.PandPosition, 200);

    Load("");
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), "");
    EXPECT_EQ(rmg::BuildSettingsText(scope.table, nullptr), DefaultFileText());
}

TEST_F(SettingsTest, RoundTripIsByteForByte) {
    const std::string text = CustomFileText();
    GTable& t = Load(text);
    EXPECT_EQ(t.CurrentDir, "/home/u/\xe6\x97\xa5\xe6\x9c\xac/");
    EXPECT_EQ(t.ColumnPosition[2], rmg::COLUMN_INODE);
    EXPECT_EQ(t.Color[7].red, 65280);
    rmg::WindowGeometry geometry{-3, 7, 812, 555, true, 250, {40, 180, 60, 90}};
    ASSERT_EQ(rmg::SetGTable(t, &geometry), 0);
    EXPECT_EQ(testutil::ReadFile(SettingsPath()), text);

    // Without a window the divider is written as 0, which reads as 200.
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    EXPECT_EQ(Load(testutil::ReadFile(SettingsPath())).PandPosition, 200);
    EXPECT_EQ(t.ColumnSize[1], 180);
}

TEST_F(SettingsTest, MissingKeysKeepDefaultsAndValueForms) {
    EXPECT_EQ(rmg::BuildSettingsText(Load("[Setting]\nShowHidden=yes\n"), nullptr),
              DefaultsWith([](GTable& d) { d.ShowHidden = 1; }));

    GTable& t = Load(
        "[Setting]\nShowHidden = YES\nShowBackup\tyes\nSortCase=1\nMixFileDir=Yesterday\n"
        "[Main Window]\nWindowX=  -12\nWindowY=abc\nWindowHeight=99999999999\n"
        "[Init]\nConfilmDel=no\n");
    // ShowHidden, ShowBackup, SortCase, MixFileDir; WindowX, WindowY, WindowHeight;
    // ConfilmDel, written under the wrong section.
    EXPECT_EQ((std::vector<long long>{t.ShowHidden, t.ShowBackup, t.SortCase, t.MixFileDir,
                                      t.WindowX, t.WindowY, t.WindowHeight, t.ConfilmDel}),
              (std::vector<long long>{1, 1, 0, 1, -12, 0, 2147483647, 1}));
}

TEST_F(SettingsTest, NamesCannotForgeSections) {
    // A directory named like a section header, or holding a newline, must
    // neither hide a section nor add lines of its own.
    GTable& t = scope.table;
    t.CurrentDir = "/home/u/[Setting]/";
    t.LocationDirHistory = {"/home/u/[FilterHistory]/", "/home/u/bad\n[Setting]\nShowHidden=yes"};
    t.FilterHistory = {"*.c"};
    t.ShowBackup = 1;
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    Load(testutil::ReadFile(SettingsPath()));
    EXPECT_EQ(t.ShowBackup, 1);
    EXPECT_EQ(t.ShowHidden, 0);
    EXPECT_EQ(t.CurrentDir, "/home/u/[Setting]/");
    EXPECT_EQ(t.LocationDirHistory, rmg::HistoryList{"/home/u/[FilterHistory]/"});
    EXPECT_EQ(t.FilterHistory, rmg::HistoryList{"*.c"});

    t.CurrentDir = "/home/u/x\n[Setting]\nShowHidden=yes/";
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    EXPECT_EQ(Load(testutil::ReadFile(SettingsPath())).ShowHidden, 0);
    EXPECT_EQ(t.CurrentDir, "");
}

TEST_F(SettingsTest, TextLimits) {
    const std::string dir2046 = "/" + std::string(2045, 'd');
    GTable& t = Load("[Init]\nCurrentDir=" + dir2046 +
                     "\n[Detailed View]\nFilterName=" + std::string(511, 'f') + "\n");
    EXPECT_EQ(t.CurrentDir, dir2046);
    EXPECT_EQ(t.FilterName.size(), 511u);

    Load("[Init]\nCurrentDir=" + dir2046 +
         "x\n[Detailed View]\nFilterName=" + std::string(512, 'f') +
         "\n[Main Window]\nWindowY=" + std::string(63, '1') + "\n[Setting]\nShowHidden=yes" +
         std::string(11, ' ') + "\nShowBackup=yes" + std::string(12, ' ') + "\n");
    EXPECT_EQ(t.CurrentDir, "");
    EXPECT_EQ(t.FilterName, "*");
    EXPECT_EQ(t.WindowY, 50);
    EXPECT_EQ(t.ShowHidden, 1);  // 14 characters
    EXPECT_EQ(t.ShowBackup, 0);  // 15: too long

    const std::string longest = "/" + std::string(2046, 'h');
    Load("[DirHistory]\nHistoryCount=2\nHistory0=" + longest + "\nHistory1=" + longest + "h\n");
    EXPECT_EQ(t.DirHistory, rmg::HistoryList{longest});
}

TEST_F(SettingsTest, HistorySections) {
    GTable& t = Load(
        "[DirHistory]\nHistoryCount=3\nHistory0=/a/\nHistory1=\nHistory2=/c/\n"
        "[FilterHistory]\nHistoryCount=2147483647\nHistory0=*.c\n");
    EXPECT_EQ(t.DirHistory, (rmg::HistoryList{"/a/", "/c/"}));
    EXPECT_EQ(t.FilterHistory, rmg::HistoryList{"*.c"});

    t.DirHistory.clear();
    ASSERT_EQ(rmg::SetGTable(t, nullptr), 0);
    std::string saved = testutil::ReadFile(SettingsPath());
    EXPECT_EQ(saved.find("[DirHistory]"), std::string::npos);
    EXPECT_TRUE(saved.ends_with("\n\n[FilterHistory]\nHistoryCount=1\nHistory0=*.c\n"));
}

TEST_F(SettingsTest, LongHistoriesKeepTheNewestTenAndTheKeyPrefixRule) {
    // 40,000 entries: only as many as a list holds are kept, newest first;
    // "History1" is found on its own line although "History10" begins with it.
    std::string text = "[DirHistory]\nHistoryCount=40000\n";
    for (int i = 0; i < 40000; ++i) {
        text += "History" + std::to_string(i) + "=/d" + std::to_string(i) + "/\n";
    }
    GTable& t = Load(text + "[FilterHistory]\nHistoryCount=3\nHistory10=*.x\nHistory2=*.c\n");
    ASSERT_EQ(t.DirHistory.size(), rmg::kHistoryMax);
    EXPECT_EQ(t.DirHistory.front(), "/d0/");
    EXPECT_EQ(t.DirHistory[1], "/d1/");
    EXPECT_EQ(t.DirHistory.back(), "/d9/");
    // The line "History10=*.x" comes first and so answers "History1", as a
    // lookup by key prefix does.
    EXPECT_EQ(t.FilterHistory, (rmg::HistoryList{"0=*.x", "*.c"}));
}

TEST_F(SettingsTest, SortingByTheLastColumnSurvivesARestart) {
    scope.table.ColumnCount = 4;
    scope.table.ColumnPosition[3] = 7;
    scope.table.SortColumn = 4;
    ASSERT_EQ(rmg::SetGTable(scope.table, nullptr), 0);
    EXPECT_EQ(Load(testutil::ReadFile(SettingsPath())).SortColumn, 4);
    EXPECT_EQ(Load("[Detailed View]\nColumnCount=3\nSortColumn=4\n").SortColumn, 1);
}

TEST_F(SettingsTest, ReadOnlyHomeStillSavesAWritableSettingsFile) {
    // A kiosk home: the directory belongs to root, the file to the user.
    testutil::WriteFile(SettingsPath(), CustomFileText(), 0644);
    ASSERT_EQ(::chown(SettingsPath().c_str(), rmgtest::kNobody, rmgtest::kNobody), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(rmgtest::InChild(
                  [&]() -> std::string {
                      scope.table.FilterName = "*.kiosk";
                      return rmg::SetGTable(scope.table, nullptr) == 0 ? "" : "save failed";
                  },
                  true),
              "");
    EXPECT_NE(testutil::ReadFile(SettingsPath()).find("FilterName=*.kiosk\n"), std::string::npos);
}

TEST_F(SettingsTest, ColoursAndColumnLayout) {
    GTable& t = Load(
        "[Setting]\nColor0Red=300\nColor0Green=255\nColor0Blue=-1\n"
        "[Detailed View]\nColumnCount=3\nColumnPosition0=2\nColumnSize0=10\nColumnPosition2=4\n");
    EXPECT_EQ((std::vector<int>{t.Color[0].red, t.Color[0].green, t.Color[0].blue}),
              (std::vector<int>{0, 65280, 0}));
    // A missing position: Name, Size, Modification time; the widths read
    // before it stay, the others keep their defaults.
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ((std::vector<int>(t.ColumnPosition, t.ColumnPosition + 3)),
              (std::vector<int>{0, 1, 8}));
    EXPECT_EQ((std::vector<int>(t.ColumnSize, t.ColumnSize + 3)), (std::vector<int>{10, 70, 0}));

    std::string many = "[Detailed View]\nColumnCount=15\n";
    for (int i = 0; i < 15; ++i)
        many += "ColumnPosition" + std::to_string(i) + "=" + std::to_string(i % 11) + "\n";
    EXPECT_EQ(Load(many).ColumnCount, 11);
    EXPECT_NE(rmg::BuildSettingsText(t, nullptr).find("ColumnCount=11\n"), std::string::npos);

    // No columns, an unknown kind, or sorting beyond the list: defaults.
    EXPECT_EQ(Load("[Detailed View]\nColumnCount=0\n").ColumnCount, 3);
    EXPECT_EQ(Load("[Detailed View]\nColumnCount=1\nColumnPosition0=42\n").ColumnPosition[0], 0);
    Load("[Detailed View]\nColumnCount=-4\nSortColumn=9\nSortType=7\n");
    EXPECT_EQ(t.ColumnCount, 3);
    EXPECT_EQ(t.SortColumn, 1);
    EXPECT_EQ(t.SortType, 0);
}

TEST_F(SettingsTest, MultiByteTextKeepsItsLineEnds) {
    // EUC text, and UTF-8 ending in a three-byte character: neither may
    // swallow the newline after the value.
    GTable& t = Load(
        "[Init]\nCurrentDir=/h/\xc6\xfc\xcb\xdc/\n"
        "[DirHistory]\nHistoryCount=2\nHistory0=/h/\xe6\x97\xa5\nHistory1=/h/x/\n");
    EXPECT_EQ(t.CurrentDir, "/h/\xc6\xfc\xcb\xdc/");
    EXPECT_EQ(t.DirHistory, (rmg::HistoryList{"/h/\xe6\x97\xa5", "/h/x/"}));
}

TEST_F(SettingsTest, FailedSaveLeavesThePreviousFile) {
    const std::string old = CustomFileText();
    testutil::WriteFile(SettingsPath(), old);

    // Let the write run out of file size half-way.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {};
    struct sigaction previous {};
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
    auto entries = std::filesystem::directory_iterator(dir.path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "temporary file left behind";
}

TEST_F(SettingsTest, LinkedSettingsFileStaysALink) {
    const std::string real = dir / "real-settings";
    testutil::WriteFile(real, CustomFileText(), 0640);
    ASSERT_EQ(::symlink(real.c_str(), SettingsPath().c_str()), 0);
    ASSERT_EQ(rmg::GetGTable(scope.table), 0);
    EXPECT_EQ(scope.table.FilterName, "*.txt");  // read through the link, whole

    scope.table.FilterName = "*.h";
    ASSERT_EQ(rmg::SetGTable(scope.table, nullptr), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath()));
    EXPECT_NE(testutil::ReadFile(real).find("FilterName=*.h\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
}

TEST(AppInfoTest, SectionsAreReadInOrderUpToTheirEnd) {
    testutil::TempDir dir;
    std::vector<rmg::AppInfo> ext, app;
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Extension]", ext), 0);  // no file
    EXPECT_TRUE(ext.empty());

    testutil::WriteFile(dir / ".extension",
                        "# associations\n[Extension]\nhtml=/usr/lib/netscape/start\n"
                        "no equals sign here\ncfg=/usr/bin/tool --mode=x\n" +
                            std::string(256, 'k') + "=/bin/long-key\nc=/" + std::string(2047, 'v') +
                            "\n\nafter=the empty line\n"
                            "[Application]\nEditor=/usr/bin/editor\nViewer=/usr/bin/viewer\n"
                            "[Other]\nLate=/bin/late\n");
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Extension]", ext), 0);
    EXPECT_EQ(rmg::ReadAppInfo(dir.path(), "[Application]", app), 0);
    ASSERT_EQ(ext.size(), 2u);
    EXPECT_EQ(ext[0].Key, "html");
    EXPECT_EQ(ext[1].Value, "/usr/bin/tool --mode=x");
    ASSERT_EQ(app.size(), 2u);
    EXPECT_EQ(app[1].Key, "Viewer");
    EXPECT_EQ(app[1].Value, "/usr/bin/viewer");
}

TEST(AppInfoTest, ExtensionLookupIgnoresCaseAndTakesTheFirstMatch) {
    rmgtest::TableScope scope;
    scope.table.ExtensionInfo = {
        {"HTML", "/usr/lib/netscape/start"}, {"gz", "/bin/unpack"}, {"html", "/bin/second"}};
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/index.html"), "/usr/lib/netscape/start");
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/a.tar.gz"), "/bin/unpack");
    EXPECT_EQ(rmg::GetCompatibleAP("/home/a/Makefile"), "");
}

}  // namespace

// The data files: exact bytes written, what makes a file invalid, and a
// save that never leaves a cut or unreadable file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "StepFault.h"
#include "TestUtil.h"
#include "waymark/WmFile.h"

namespace {

using testutil::DirNames;
using testutil::Exists;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;
using namespace wm;

const char kNaviText[] =
    "\n#\n# Waymark for Linux\n# Navi Data File\n"
    "# Waymark 1.00; free to use and to pass on, without warranty.\n"
    "# This is a generated file. Do not edit.\n#\n"
    "\n[Init]\nVersion=1.00\nCurrentUser=1\nUserCount=2\nWebAP=/usr/local/bin/WebStart\n"
    "WebProcName=firefox\nFileManager=Rummage\nHelpPath=/usr/local/share/Waymark/\n"
    "\n[Color]\nToggleNRed=1\nToggleNGreen=2\nToggleNBlue=3\nToggleARed=4\nToggleAGreen=5\n"
    "ToggleABlue=6\nTStringNRed=7\nTStringNGreen=8\nTStringNBlue=9\nTStringARed=10\n"
    "TStringAGreen=11\nTStringABlue=255\nButtonFont=-misc-fixed-*\n"
    "\n[Extension]\nhtm=/usr/local/bin/WebStart\ntxt=mousepad\n"
    "\n[Application]\nEditor=mousepad\n";

std::string UserText(const std::string& name, const std::string& del, const std::string& menus,
                     int menuCount) {
    return "\n#\n# Waymark for Linux\n# User Data File\n"
           "# Waymark 1.00; free to use and to pass on, without warranty.\n"
           "# This is a generated file.  Do not edit.\n#\n"
           "\n[Init]\nUserName=" +
           name + "\nMenuCount=" + std::to_string(menuCount) + "\nDelete=" + del + "\n" + menus;
}

// A lone lead byte ends the first item name: it must not take the newline
// with it and hide the next key.
const std::string kGuestMenus =
    "\n[Menu00]\nMenuName=Web\nItemCount=2\n"
    "\n[Item00-000]\nItemName=Example\xC6\nLinkName=http://example.org/a\nItemCategory=0\n"
    "Date=20260102030405\n"
    "\n[Item00-001]\nItemName=[Menu01]\nLinkName=/bin/sh\nItemCategory=1\nDate=20260102030406\n"
    "\n[Menu01]\nMenuName=\xC6\xFC\xCB\xDC\xB8\xEC\nItemCount=0\n";

struct DataDir {
    TempDir dir;
    std::string Path(const std::string& name) const { return dir / name; }
    void Put(const std::string& navi, const std::vector<std::string>& users) {
        WriteFile(Path("Waymark.dat"), navi);
        for (std::size_t i = 0; i < users.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "User%02zu.dat", i);
            WriteFile(Path(name), users[i]);
        }
    }
    int Read(NaviData& data) const { return ReadNaviInfo(data, dir.path().c_str()); }
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(WmFile, ReadThenWriteGivesTheSameBytes) {
    DataDir d;
    const std::string guest = UserText("Guest", "No", kGuestMenus, 2);
    const std::string second = UserText("Second", "Yes", "", 0);
    d.Put(kNaviText, {guest, second});
    NaviData data;
    ASSERT_EQ(d.Read(data), 0);
    EXPECT_EQ(data.DataDir, d.dir.path() + "/");
    ASSERT_EQ(data.UserList.size(), 2u);
    EXPECT_TRUE(data.UserList[0].NoDelete);
    EXPECT_EQ(data.UserList[0].MenuList[0].ItemList[1].ItemName, "[Menu01]");
    EXPECT_EQ(data.TStringA.blue, 255 << 8);
    EXPECT_EQ(data.CurrentUser, 1);
    ASSERT_EQ(data.ExtList.size(), 2u);
    EXPECT_EQ(data.ExtList[1].Value, "mousepad");

    WriteFile(d.Path("Waymark.dat"), "stale");
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_EQ(ReadFile(d.Path("Waymark.dat")), kNaviText);
    EXPECT_EQ(ReadFile(d.Path("User00.dat")), guest);
    EXPECT_EQ(ReadFile(d.Path("User01.dat")), second);
}

TEST(WmFile, WriteOmitsEmptyFileManagerAndIconPathAndKeepsAnIconThatExists) {
    DataDir d;
    WriteFile(d.Path("icon.xpm"), "/* XPM */");
    const std::string icon = "IconPath=" + d.Path("icon.xpm") + "\n";
    const std::string menus =
        "\n[Menu00]\nMenuName=M\nItemCount=2\n"
        "\n[Item00-000]\nItemName=A\nLinkName=/a\nItemCategory=2\nDate=1\n" +
        icon + "\n[Item00-001]\nItemName=B\nLinkName=/b\nItemCategory=2\nDate=2\nIconPath=" +
        d.dir.path() + "\n";
    d.Put(Replace(kNaviText, "FileManager=Rummage\n", ""),
          {UserText("G", "Yes", menus, 1), UserText("H", "Yes", "", 0)});
    NaviData data;
    ASSERT_EQ(d.Read(data), 0);
    EXPECT_EQ(data.FileManager, "");
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_EQ(ReadFile(d.Path("Waymark.dat")), Replace(kNaviText, "FileManager=Rummage\n", ""));
    // A directory as icon is emptied at load, so it is not written back.
    const std::string user = ReadFile(d.Path("User00.dat"));
    EXPECT_NE(user.find(icon), std::string::npos);
    EXPECT_EQ(user.find("IconPath=" + d.dir.path() + "\n"), std::string::npos);
}

struct InvalidCase {
    const char* what;
    std::string navi;
    std::string user;
    int code;
};

TEST(WmFile, FilesTheReaderRefuses) {
    const std::string ok = UserText("Guest", "No", kGuestMenus, 2);
    const std::string navi1 = Replace(kNaviText, "UserCount=2", "UserCount=1");
    const InvalidCase cases[] = {
        {"empty Version", Replace(navi1, "Version=1.00", "Version="), ok, CODE_INVALID_NAVI},
        {"no UserCount", Replace(navi1, "UserCount=1\n", ""), ok, CODE_INVALID_NAVI},
        {"UserCount -1", Replace(navi1, "UserCount=1", "UserCount=-1"), ok, CODE_INVALID_NAVI},
        {"number over 7 bytes", Replace(navi1, "UserCount=1", "UserCount=00000001"), ok,
         CODE_INVALID_NAVI},
        {"no WebAP", Replace(navi1, "WebAP=/usr/local/bin/WebStart\n", ""), ok, CODE_INVALID_NAVI},
        {"no HelpPath", Replace(navi1, "HelpPath=/usr/local/share/Waymark/\n", ""), ok,
         CODE_INVALID_NAVI},
        {"no [Application]", Replace(navi1, "[Application]", "[Programs]"), ok, CODE_INVALID_NAVI},
        {"header inside a value only",
         Replace(Replace(navi1, "\n[Extension]\n", "\n[Ext]\n"), "txt=mousepad", "x=[Extension]"),
         ok, CODE_INVALID_NAVI},
        {"no Delete", navi1, Replace(ok, "Delete=No\n", ""), CODE_INVALID_USER},
        {"MenuCount -2", navi1, Replace(ok, "MenuCount=2", "MenuCount=-2"), CODE_INVALID_USER},
        {"menu missing", navi1, Replace(ok, "MenuCount=2", "MenuCount=3"), CODE_INVALID_USER},
        {"ItemCount -1", navi1, Replace(ok, "ItemCount=2", "ItemCount=-1"), CODE_INVALID_USER},
        {"empty user file", navi1, "", CODE_READ_USER_FAILED},
    };
    for (const InvalidCase& c : cases) {
        DataDir d;
        d.Put(c.navi, {c.user});
        NaviData data;
        EXPECT_EQ(d.Read(data), c.code) << c.what;
    }
}

TEST(WmFile, MissingEnvironmentOrFile) {
    NaviData data;
    EXPECT_EQ(ReadNaviInfo(data, nullptr), CODE_NO_WAYMARK_ENV);
    EXPECT_EQ(ReadNaviInfo(data, ""), CODE_NO_WAYMARK_ENV);
    TempDir dir;
    EXPECT_EQ(ReadNaviInfo(data, dir.path().c_str()), CODE_READ_NAVI_FAILED);
    WriteFile(dir / "Waymark.dat", Replace(kNaviText, "UserCount=2", "UserCount=1"));
    EXPECT_EQ(ReadNaviInfo(data, dir.path().c_str()), CODE_READ_USER_FAILED);
}

TEST(WmFile, CurrentUserOutOfRangeLoadsAsFirstOrNone) {
    struct Case {
        const char* current;
        const char* count;
        int users;
        int expected;
    };
    const Case cases[] = {{"7", "3", 3, 0}, {"-1", "3", 3, 0}, {"-5", "3", 3, 0},
                          {"2", "3", 3, 2}, {"1", "0", 0, -1}, {"x", "1", 1, 0}};
    for (const Case& c : cases) {
        DataDir d;
        std::string navi =
            Replace(kNaviText, "CurrentUser=1", std::string("CurrentUser=") + c.current);
        navi = Replace(navi, "UserCount=2", std::string("UserCount=") + c.count);
        d.Put(navi, std::vector<std::string>(c.users, UserText("U", "Yes", "", 0)));
        NaviData data;
        ASSERT_EQ(d.Read(data), 0) << c.current;
        EXPECT_EQ(data.CurrentUser, c.expected) << c.current << "/" << c.count;
    }
}

TEST(WmFile, AnyBadColourResetsAllFourAndMissingFontTakesTheDefault) {
    const char* variants[] = {"ToggleABlue=256", "ToggleABlue=-1", "ToggleAGreen=5\n"};
    for (const char* v : variants) {
        DataDir d;
        std::string navi = Replace(kNaviText, "ButtonFont=-misc-fixed-*\n", "");
        navi = std::string(v).back() == '\n' ? Replace(navi, v, "")
                                             : Replace(navi, "ToggleABlue=6", v);
        d.Put(navi, {UserText("A", "Yes", "", 0), UserText("B", "Yes", "", 0)});
        NaviData data;
        ASSERT_EQ(d.Read(data), 0) << v;
        EXPECT_EQ(data.ToggleN.green, 129 << 8) << v;
        EXPECT_EQ(data.ToggleA.red, 99 << 8) << v;
        EXPECT_EQ(data.TStringA.blue, 0) << v;
        EXPECT_EQ(data.ButtonFont, kDefaultButtonFont);
    }
}

TEST(WmFile, ListSectionSkipsCommentsHalfLinesAndAnUnfinishedLastLine) {
    const std::string text =
        "[Extension]\n#c=x\nnoequals\n=v\nk=\nhtm=browser\ntxt=edit=or\r\n[Application]\n"
        "Viewer=view\nLast=unfinished";
    std::vector<NaviExt> ext;
    std::vector<NaviExt> app;
    EXPECT_EQ(GetExtensionData(text, "[Extension]", ext), 0);
    EXPECT_EQ(GetExtensionData(text, "[Application]", app), 0);
    EXPECT_EQ(GetExtensionData(text, "[Missing]", app), 1);
    ASSERT_EQ(ext.size(), 2u);
    EXPECT_EQ(ext[0].Key, "htm");
    EXPECT_EQ(ext[1].Key, "txt");
    EXPECT_EQ(ext[1].Value, "edit=or\r");
    ASSERT_EQ(app.size(), 1u);
    EXPECT_EQ(app[0].Value, "view");
}

// The key reader takes a section only from a header that begins a line: a
// value holding the header's text must not hide the real section.
TEST(WmFile, SectionHeaderCountsOnlyAtTheStartOfALine) {
    struct Case {
        const char* text;
        int found;
        const char* value;
    };
    const Case cases[] = {
        {"[Navi]\nHelpPath=a\n", 0, "a"},
        {"[Item]\nNote=[Navi]\nHelpPath=x\n\n[Navi]\nHelpPath=b\n", 0, "b"},
        {"[Item]\nNote=[Navi]\nHelpPath=x\n", 1, ""},
        {" [Navi]\nHelpPath=x\n", 1, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(GetInfo(c.text, "[Navi]", "HelpPath", out, kPathMax), c.found) << c.text;
        EXPECT_EQ(out, c.value) << c.text;
    }
}

TEST(WmFile, RelativeDataDirectoryIsMadeAbsoluteAtLoad) {
    DataDir d;
    d.Put(Replace(kNaviText, "UserCount=2", "UserCount=0"), {});
    char* cwd = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(d.dir.path().c_str()), 0);
    NaviData data;
    const int code = ReadNaviInfo(data, ".");
    ASSERT_EQ(::chdir(cwd), 0);
    std::free(cwd);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(data.DataDir.front(), '/');
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_NE(ReadFile(d.Path("Waymark.dat")).find("UserCount=0\n"), std::string::npos);
}

NaviData SmallModel(const std::string& dir) {
    NaviData data;
    data.DataDir = dir + "/";
    data.Version = "1.00";
    data.WebAP = "/bin/true";
    data.WebProcName = "web";
    data.HelpPath = "/help/";
    data.ButtonFont = "f";
    AddUser(data, "A");
    AddMenu(data.UserList[0], "M");
    AddItem(data.UserList[0].MenuList[0], "I", "http://x", CATEGORY_WEB);
    return data;
}

TEST(WmFile, ModelTheReaderWouldRefuseIsNotWrittenAndTheOldFilesStay) {
    TempDir dir;
    NaviData good = SmallModel(dir.path());
    ASSERT_EQ(WriteNaviInfo(good), 0);
    const std::string navi = ReadFile(dir / "Waymark.dat");
    const std::string user = ReadFile(dir / "User00.dat");
    struct Case {
        const char* what;
        void (*spoil)(NaviData&);
        int code;
    };
    const Case cases[] = {
        {"newline in a link",
         [](NaviData& d) { d.UserList[0].MenuList[0].ItemList[0].LinkName = "http://a\n[Init]"; },
         CODE_WRITE_USER_FAILED},
        {"empty menu name", [](NaviData& d) { d.UserList[0].MenuList[0].MenuName.clear(); },
         CODE_WRITE_USER_FAILED},
        {"empty WebAP", [](NaviData& d) { d.WebAP.clear(); }, CODE_WRITE_NAVI_FAILED},
        {"extension key with '='", [](NaviData& d) { d.ExtList.push_back({"a=b", "c"}); },
         CODE_WRITE_NAVI_FAILED},
    };
    for (const Case& c : cases) {
        NaviData data = SmallModel(dir.path());
        c.spoil(data);
        EXPECT_EQ(WriteNaviInfo(data), c.code) << c.what;
        EXPECT_EQ(ReadFile(dir / "Waymark.dat"), navi) << c.what;
        EXPECT_EQ(ReadFile(dir / "User00.dat"), user) << c.what;
        EXPECT_FALSE(Exists(dir / "User01.dat")) << c.what;
    }
}

TEST(WmFile, FailedWriteKeepsTheOldFileWhole) {
    TempDir dir;
    NaviData data = SmallModel(dir.path());
    ASSERT_EQ(WriteNaviInfo(data), 0);
    // A directory in the place of the user file cannot be replaced.
    ASSERT_EQ(::unlink((dir / "User00.dat").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "User00.dat").c_str(), 0755), 0);
    const std::string navi = ReadFile(dir / "Waymark.dat");
    RenameItem(data.UserList[0].MenuList[0], 0, "Renamed");
    data.WebProcName = "changed";
    EXPECT_EQ(WriteNaviInfo(data), CODE_WRITE_USER_FAILED);
    // Waymark.dat is written last, so it was not touched either.
    EXPECT_EQ(ReadFile(dir / "Waymark.dat"), navi);
}

TEST(WmFile, WriteRemovesStaleUserFilesUpToTheFirstGap) {
    TempDir dir;
    NaviData data = SmallModel(dir.path());
    for (const char* name : {"User01.dat", "User02.dat", "User04.dat"}) {
        WriteFile(dir / name, "old");
    }
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_TRUE(Exists(dir / "User00.dat"));
    EXPECT_FALSE(Exists(dir / "User01.dat"));
    EXPECT_FALSE(Exists(dir / "User02.dat"));
    EXPECT_TRUE(Exists(dir / "User04.dat"));
    // Deleting the only user leaves none current and removes its file.
    RemoveUser(data, 0);
    EXPECT_EQ(data.CurrentUser, -1);
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_FALSE(Exists(dir / "User00.dat"));
    const std::string navi = ReadFile(dir / "Waymark.dat");
    EXPECT_NE(navi.find("CurrentUser=-1\nUserCount=0\n"), std::string::npos);
    NaviData again;
    EXPECT_EQ(ReadNaviInfo(again, dir.path().c_str()), 0);
    EXPECT_EQ(again.CurrentUser, -1);
}

ino_t Inode(const std::string& path) {
    return testutil::StatOf(path).st_ino;
}

TEST(WmFile, UserSwitchRewritesOnlyWaymarkDat) {
    TempDir dir;
    NaviData data = SmallModel(dir.path());
    AddUser(data, "B");
    ASSERT_EQ(WriteNaviInfo(data), 0);
    const ino_t user0 = Inode(dir / "User00.dat");
    const ino_t navi = Inode(dir / "Waymark.dat");
    data.CurrentUser = 0;
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_EQ(Inode(dir / "User00.dat"), user0);
    EXPECT_NE(Inode(dir / "Waymark.dat"), navi);
    EXPECT_NE(ReadFile(dir / "Waymark.dat").find("CurrentUser=0\n"), std::string::npos);
    RenameMenu(data.UserList[0], 0, "Changed");
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_NE(ReadFile(dir / "User00.dat").find("MenuName=Changed\n"), std::string::npos);
}

// ---- limits ------------------------------------------------------------

// Every limit: a value exactly at it is written and read back unchanged;
// one past it is refused by the writer (the old files stay) and makes a
// file the reader refuses.
TEST(WmFile, EveryLimitAcceptsItsExactValueAndRefusesOneMore) {
    using Set = void (*)(NaviData&, int);
    struct Case {
        const char* key;
        int at;
        int past;
        Set set;
        bool user;  // in User00.dat, else in Waymark.dat
    };
    // clang-format off
    const Case cases[] = {
        {"Version", 6, 7, [](NaviData& d, int n) { d.Version = std::string(n, 'v'); }, false},
        {"WebAP", 2048, 2049, [](NaviData& d, int n) { d.WebAP = std::string(n, 'w'); }, false},
        {"WebProcName", 2048, 2049,
         [](NaviData& d, int n) { d.WebProcName = std::string(n, 'p'); }, false},
        {"HelpPath", 2048, 2049,
         [](NaviData& d, int n) { d.HelpPath = std::string(n - 1, 'h') + "/"; }, false},
        {"UserCount", 20, 21,
         [](NaviData& d, int n) {
             while (static_cast<int>(d.UserList.size()) < n) {
                 AddUser(d, "u" + std::to_string(d.UserList.size()));
             }
         }, false},
        {"UserName", 20, 21,
         [](NaviData& d, int n) { d.UserList[0].UserName = std::string(n, 'u'); }, true},
        {"MenuName", 20, 21,
         [](NaviData& d, int n) { d.UserList[0].MenuList[0].MenuName = std::string(n, 'm'); },
         true},
        {"MenuCount", 20, 21,
         [](NaviData& d, int n) {
             while (static_cast<int>(d.UserList[0].MenuList.size()) < n) {
                 AddMenu(d.UserList[0], "m");
             }
         }, true},
        {"ItemCount", 100, 101,
         [](NaviData& d, int n) {
             NaviMenu& m = d.UserList[0].MenuList[0];
             while (static_cast<int>(m.ItemList.size()) < n) {
                 AddItem(m, "i", "http://i", CATEGORY_WEB);
             }
         }, true},
        {"ItemName", 20, 21,
         [](NaviData& d, int n) {
             d.UserList[0].MenuList[0].ItemList[0].ItemName = std::string(n, 'i');
         }, true},
        {"LinkName", 2048, 2049,
         [](NaviData& d, int n) {
             d.UserList[0].MenuList[0].ItemList[0].LinkName = "http://" + std::string(n - 7, 'l');
         }, true},
        {"Date", 14, 15,
         [](NaviData& d, int n) { d.UserList[0].MenuList[0].ItemList[0].Date = std::string(n, '1'); },
         true},
        {"ItemCategory", 2, 3,
         [](NaviData& d, int n) { d.UserList[0].MenuList[0].ItemList[0].ItemCategory = n; }, true},
        {"ItemCategory", 0, -1,
         [](NaviData& d, int n) { d.UserList[0].MenuList[0].ItemList[0].ItemCategory = n; }, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string what = std::string(c.key) + " " + std::to_string(c.at);
        TempDir dir;
        NaviData at = SmallModel(dir.path());
        c.set(at, c.at);
        ASSERT_EQ(WriteNaviInfo(at), 0) << what;
        const std::string file = dir / (c.user ? "User00.dat" : "Waymark.dat");
        const std::string text = ReadFile(file);
        NaviData back;
        ASSERT_EQ(ReadNaviInfo(back, dir.path().c_str()), 0) << what;
        std::string rebuilt;
        ASSERT_EQ(c.user ? BuildUserText(back, 0, rebuilt) : BuildNaviText(back, rebuilt), 0);
        EXPECT_EQ(rebuilt, text) << what;

        NaviData past = SmallModel(dir.path());
        c.set(past, c.past);
        EXPECT_EQ(WriteNaviInfo(past), c.user ? CODE_WRITE_USER_FAILED : CODE_WRITE_NAVI_FAILED)
            << what;
        EXPECT_EQ(ReadFile(file), text) << what;

        // The same file with the value one past: the line of the value at
        // the limit names it (for counts, its number).
        const std::size_t start = text.find("\n" + std::string(c.key) + "=");
        ASSERT_NE(start, std::string::npos) << what;
        const std::string line = text.substr(start + 1, text.find('\n', start + 1) - start - 1);
        const std::string value = line.substr(std::strlen(c.key) + 1);
        std::string longer;
        if (value.size() == static_cast<std::size_t>(c.at)) {
            longer = value.substr(0, value.size() - 1) + value.substr(value.size() - 2);
        } else {
            longer = std::to_string(c.past);
        }
        WriteFile(file, Replace(text, line + "\n", std::string(c.key) + "=" + longer + "\n"));
        NaviData refused;
        EXPECT_EQ(ReadNaviInfo(refused, dir.path().c_str()),
                  c.user ? CODE_INVALID_USER : CODE_INVALID_NAVI)
            << what;
    }
}

// ---- saves cut off -----------------------------------------------------

std::vector<std::string> UserNames(const NaviData& data) {
    std::vector<std::string> names;
    for (const NaviUser& u : data.UserList) {
        names.push_back(u.UserName);
    }
    return names;
}

NaviData ModelWithUsers(const std::string& dir, const std::vector<std::string>& names) {
    NaviData data = SmallModel(dir);
    data.UserList.clear();
    for (const std::string& name : names) {
        AddUser(data, name);
        AddMenu(data.UserList.back(), "menu of " + name);
    }
    return data;
}

// A save that moves D to the front, C out and A and B down, failed or
// killed at each of its steps in turn: the next load finds the old four or
// the new three, every user once, nothing left over, and User01.dat, which
// has a second link, still shares it.
TEST(WmFile, SaveCutOffAtAnyStepKeepsEveryUserExactlyOnce) {
    const std::vector<std::string> before = {"A", "B", "C", "D"};
    const std::vector<std::string> after = {"D", "A", "B"};
    for (const bool crash : {false, true}) {
        bool sawOld = false;
        bool finished = false;
        for (int n = 1; !finished && n < 200; ++n) {
            const std::string what =
                std::string(crash ? "killed" : "failed") + " at step " + std::to_string(n);
            TempDir top;
            const std::string dir = top / "data";
            testutil::MakeDirs(dir);
            ASSERT_EQ(WriteNaviInfo(ModelWithUsers(dir, before)), 0);
            const std::string link = top / "User01.link";
            ASSERT_EQ(::link((dir + "/User01.dat").c_str(), link.c_str()), 0);
            const ino_t linked = Inode(dir + "/User01.dat");
            const NaviData next = ModelWithUsers(dir, after);
            int code = 0;
            const bool reached =
                crash ? testutil::KillAtStep(n, [&] { return WriteNaviInfo(next); })
                      : testutil::FailAtStep(n, [&] { code = WriteNaviInfo(next); });
            EXPECT_EQ(code != 0, reached && !crash) << what;
            finished = !reached;

            NaviData loaded;
            ASSERT_EQ(ReadNaviInfo(loaded, dir.c_str()), 0) << what;
            const std::vector<std::string> names = UserNames(loaded);
            EXPECT_TRUE(names == before || names == after) << what;
            sawOld = sawOld || names == before;
            std::vector<std::string> files = {"Waymark.dat"};
            for (std::size_t i = 0; i < names.size(); ++i) {
                files.push_back("User0" + std::to_string(i) + ".dat");
            }
            std::sort(files.begin(), files.end());
            EXPECT_EQ(DirNames(dir), files) << what;
            EXPECT_EQ(Inode(dir + "/User01.dat"), linked) << what;
            EXPECT_EQ(ReadFile(link), ReadFile(dir + "/User01.dat")) << what;
            if (finished) {
                EXPECT_EQ(names, after) << what;
            }
            // Whatever was left is finished before the next save compares
            // the files on disk, so that save's model (the old set) wins.
            ASSERT_EQ(WriteNaviInfo(ModelWithUsers(dir, before)), 0) << what;
            NaviData again;
            ASSERT_EQ(ReadNaviInfo(again, dir.c_str()), 0) << what;
            EXPECT_EQ(UserNames(again), before) << what;
        }
        EXPECT_TRUE(finished && sawOld) << crash;
    }
}

// The load acts only on a whole record that names the data files; a
// record cut short or naming anything else is dropped untouched.
TEST(WmFile, LoadIgnoresASaveRecordThatIsNotWholeOrNamesOtherFiles) {
    TempDir top;
    const std::string dir = top / "data";
    testutil::MakeDirs(dir);
    WriteFile(top / "victim", "keep");
    const std::string z(1, '\0');
    const std::string records[] = {
        "remove" + z + "../victim" + z + z + z + "end" + z,
        "remove" + z + "Waymark.dat" + z + z + z,
        "rename" + z + "User00.dat" + z + top.path() + "/victim" + z + top.path() +
            "/victim.saving-abcdef" + z + "end" + z,
    };
    for (const std::string& record : records) {
        ASSERT_EQ(WriteNaviInfo(ModelWithUsers(dir, {"A", "B"})), 0);
        WriteFile(top / "victim.saving-abcdef", "not mine");
        WriteFile(dir + "/" + kSaveRecord, record);
        NaviData loaded;
        ASSERT_EQ(ReadNaviInfo(loaded, dir.c_str()), 0);
        EXPECT_EQ(UserNames(loaded), (std::vector<std::string>{"A", "B"}));
        EXPECT_EQ(ReadFile(top / "victim"), "keep");
        EXPECT_TRUE(Exists(top / "victim.saving-abcdef"));
        EXPECT_FALSE(Exists(dir + "/" + kSaveRecord));
    }
}

int g_syncCalls = 0;

}  // namespace

// Stands in for the system call in this test program: a save must flush
// its own files and directory, never every disk of the machine.
extern "C" void sync() noexcept {
    ++g_syncCalls;
}

namespace {

TEST(WmFile, SaveNeverFlushesTheWholeSystem) {
    TempDir dir;
    NaviData data = ModelWithUsers(dir.path(), {"A", "B"});
    g_syncCalls = 0;
    ASSERT_EQ(WriteNaviInfo(data), 0);
    RemoveUser(data, 1);
    ASSERT_EQ(WriteNaviInfo(data), 0);
    EXPECT_FALSE(Exists(dir / "User01.dat"));
    EXPECT_EQ(g_syncCalls, 0);
}

}  // namespace

// A data directory the person may not write (a locked-down home) with
// files they may: a save still rewrites the files where they are.
TEST(WmFile, SaveInADirectoryThatTakesNoNewFileRewritesTheFilesInPlace) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to hand the files to another user";
    }
    constexpr uid_t kPerson = 65534;
    TempDir top;
    ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
    const std::string dir = top / "data";
    testutil::MakeDirs(dir);
    NaviData data = ModelWithUsers(dir, {"A", "B"});
    ASSERT_EQ(WriteNaviInfo(data), 0);
    for (const char* name : {"/Waymark.dat", "/User00.dat", "/User01.dat"}) {
        ASSERT_EQ(::chown((dir + name).c_str(), kPerson, kPerson), 0);
    }
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    RenameUser(data, 1, "Renamed");
    data.CurrentUser = 1;
    EXPECT_EQ(testutil::RunAs(kPerson, [&] { return WriteNaviInfo(data); }), 0);
    NaviData loaded;
    ASSERT_EQ(ReadNaviInfo(loaded, dir.c_str()), 0);
    EXPECT_EQ(UserNames(loaded), (std::vector<std::string>{"A", "Renamed"}));
    EXPECT_EQ(loaded.CurrentUser, 1);
}

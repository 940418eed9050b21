// The data installed for a first start: the default files load, are in the
// writer's own form byte for byte, and the session script seeds them into
// WAYMARK (made absolute) only when it holds no data yet.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestUtil.h"
#include "waymark/WmFile.h"

namespace {

std::string DataDir() {
    return testutil::BuildBinDir() + "/../waymark/data/";
}

TEST(GuiWmDefaultData, DefaultFilesLoadAndAreWrittenBackUnchanged) {
    for (const char* guest : {"User00.dat", "User00-noterm.dat"}) {
        testutil::TempDir dir;
        const std::string navi = testutil::ReadFile(DataDir() + "Waymark.dat");
        const std::string user = testutil::ReadFile(DataDir() + guest);
        testutil::WriteFile(dir / "Waymark.dat", navi);
        testutil::WriteFile(dir / "User00.dat", user);
        wm::NaviData data;
        ASSERT_EQ(wm::ReadNaviInfo(data, dir.path().c_str()), 0) << guest;
        ASSERT_EQ(data.UserCount, 1);
        EXPECT_TRUE(data.UserList[0].NoDelete);
        EXPECT_EQ(data.UserList[0].MenuCount, 4);
        EXPECT_FALSE(data.FileManager.empty());
        EXPECT_EQ(data.UserList[0].MenuList[1].ItemList[0].LinkName.rfind(data.HelpPath, 0), 0u);
        std::string text;
        ASSERT_EQ(wm::BuildNaviText(data, text), 0);
        EXPECT_EQ(text, navi);
        ASSERT_EQ(wm::BuildUserText(data, 0, text), 0);
        // Icons that are not installed here are dropped at load; the rest is identical.
        const bool iconsKept = !data.UserList[0].MenuList[0].ItemList[0].IconPath.empty();
        std::string expected;
        for (std::size_t pos = 0; pos < user.size();) {
            const std::size_t end = user.find('\n', pos);
            const std::string line = user.substr(pos, end - pos + 1);
            if (iconsKept || line.rfind("IconPath=", 0) != 0) {
                expected += line;
            }
            pos = end + 1;
        }
        EXPECT_EQ(text, expected) << guest;
    }
}

TEST(GuiWmDefaultData, SessionScriptSeedsAnEmptyDataDirectoryOnce) {
    testutil::TempDir dir;
    // The script's last step starts the watchdog; here it only reports.
    const std::string script = dir / "session";
    // The defaults come from the build tree instead of the installed ones.
    testutil::Shell("sed -e 's|^exec .*|echo \"$WAYMARK\"|' -e 's|\"[^\"]*/Waymark/default/|\"" +
                    DataDir() + "|' '" + DataDir() + "waymark-session' > '" + script + "'");
    testutil::MakeDirs(dir / "home");
    const std::string run = "cd '" + dir.path() + "' && HOME='" + dir.path() +
                            "/home' WAYMARK=rel sh '" + script + "' > '" + dir.path() + "/out'";
    ASSERT_EQ(testutil::Shell(run), 0);
    EXPECT_EQ(testutil::ReadFile(dir / "out"), dir / "rel\n");
    EXPECT_EQ(testutil::ReadFile(dir / "rel/Waymark.dat"),
              testutil::ReadFile(DataDir() + "Waymark.dat"));
    EXPECT_TRUE(testutil::Exists(dir / "rel/User00.dat"));

    // Data already there is never overwritten; an empty WAYMARK means the default.
    testutil::WriteFile(dir / "rel/Waymark.dat", "mine");
    ASSERT_EQ(testutil::Shell(run), 0);
    EXPECT_EQ(testutil::ReadFile(dir / "rel/Waymark.dat"), "mine");
    ASSERT_EQ(testutil::Shell("HOME='" + dir.path() + "/home' WAYMARK= sh '" + script + "' > '" +
                              dir.path() + "/out'"),
              0);
    EXPECT_EQ(testutil::ReadFile(dir / "out"), dir / "home/.waymark\n");
    EXPECT_TRUE(testutil::Exists(dir / "home/.waymark/Waymark.dat"));
}

TEST(GuiWmDefaultData, BrowserStarterHandsEveryFormToTheDesktopHandler) {
    testutil::TempDir dir;
    testutil::MakeDirs(dir / "bin");
    testutil::WriteFile(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$OUT\"\n",
                        0755);
    const std::string starter = DataDir() + "waymark-browser";
    struct Case {
        std::string args;
        std::string handed;
    };
    const Case cases[] = {
        {"'https://www.example.org/a b'", "https://www.example.org/a b\n"},
        {"-remote 'openURL(http://www.example.org/)'", "http://www.example.org/\n"},
        {"'file:/usr/share/doc/x.htm'", "file:///usr/share/doc/x.htm\n"},
        {"-remote 'openURL(file:/tmp/y.htm)'", "file:///tmp/y.htm\n"},
    };
    for (const Case& c : cases) {
        std::remove((dir / "out").c_str());
        const int rc = testutil::Shell("PATH='" + dir.path() + "/bin:/usr/bin:/bin' OUT='" +
                                       dir.path() + "/out' sh '" + starter + "' " + c.args);
        EXPECT_EQ(rc, 0) << c.args;
        EXPECT_EQ(testutil::ReadFile(dir / "out"), c.handed) << c.args;
    }
    EXPECT_NE(testutil::Shell("sh '" + starter + "' 2>/dev/null"), 0);
}

}  // namespace

// The scripts installed beside the launcher: the session script seeds the
// data directory with only the files it lacks, and the browser starter
// hands every form of address to the desktop's handler as a proper URI.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "waymark/WmFile.h"

namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::Shell;
using testutil::TempDir;
using testutil::WriteFile;

std::string DataDir() {
    return testutil::BuildBinDir() + "/../waymark/data/";
}

// The session script with the defaults of the build tree; its last step
// starts the watchdog, here it only reports WAYMARK.
struct Session {
    TempDir dir;
    std::string script = dir / "session";
    Session() {
        Shell("sed -e 's|^exec .*|echo \"$WAYMARK\"|' -e 's|\"[^\"]*/Waymark/default/|\"" +
              DataDir() + "|' '" + DataDir() + "waymark-session' > '" + script + "'");
        testutil::MakeDirs(dir / "home");
    }
    // Runs it from the test's directory; what it reported.
    std::string Run(const std::string& waymark) {
        const std::string out = dir / "out";
        EXPECT_EQ(Shell("cd '" + dir.path() + "' && HOME='" + dir.path() + "/home' WAYMARK='" +
                        waymark + "' sh '" + script + "' > '" + out + "'"),
                  0);
        return ReadFile(out);
    }
};

std::string GuestNamed(const std::string& name) {
    std::string text = ReadFile(DataDir() + "User00.dat");
    const std::string key = "UserName=";
    const std::size_t at = text.find(key) + key.size();
    return text.replace(at, text.find('\n', at) - at, name);
}

TEST(WmDataScript, SessionSeedsOnlyMissingFilesAndCountsTheUsersThere) {
    struct Case {
        const char* what;
        std::vector<std::string> present;  // users already there, from User00 on
        bool navi;                         // Waymark.dat there
        std::vector<std::string> users;    // what the bar then loads
    };
    const Case cases[] = {
        {"empty directory", {}, false, {"Guest"}},
        {"everything there", {"Ann", "Bo"}, true, {"Ann", "Bo"}},
        {"Waymark.dat lost, three users kept", {"Ann", "Bo", "Cy"}, false, {"Ann", "Bo", "Cy"}},
    };
    for (const Case& c : cases) {
        Session s;
        const std::string data = s.dir / "rel";
        testutil::MakeDirs(data);
        for (std::size_t i = 0; i < c.present.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/User%02zu.dat", i);
            WriteFile(data + name, GuestNamed(c.present[i]));
        }
        std::string navi = ReadFile(DataDir() + "Waymark.dat");
        if (c.navi) {
            navi.replace(navi.find("UserCount=1"), 11, "UserCount=2");
            WriteFile(data + "/Waymark.dat", navi);
        }
        // A relative WAYMARK is made absolute.
        EXPECT_EQ(s.Run("rel"), data + "\n") << c.what;
        for (std::size_t i = 0; i < c.present.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/User%02zu.dat", i);
            EXPECT_EQ(ReadFile(data + name), GuestNamed(c.present[i])) << c.what;
        }
        wm::NaviData loaded;
        ASSERT_EQ(wm::ReadNaviInfo(loaded, data.c_str()), 0) << c.what;
        std::vector<std::string> names;
        for (const wm::NaviUser& u : loaded.UserList) {
            names.push_back(u.UserName);
        }
        EXPECT_EQ(names, c.users) << c.what;
        // A save keeps every one of them.
        ASSERT_EQ(wm::WriteNaviInfo(loaded), 0) << c.what;
        EXPECT_EQ(Exists(data + "/User02.dat"), c.users.size() > 2) << c.what;
        EXPECT_NE(Shell("ls -A '" + data + "' | grep -q '^\\.seed'"), 0) << c.what;
    }
    // An empty WAYMARK means the default in the home directory.
    Session s;
    EXPECT_EQ(s.Run(""), s.dir / "home/.waymark\n");
    EXPECT_EQ(ReadFile(s.dir / "home/.waymark/Waymark.dat"), ReadFile(DataDir() + "Waymark.dat"));
    EXPECT_TRUE(Exists(s.dir / "home/.waymark/User00.dat"));
}

// A fake handler logs its arguments; each form of address reaches it as
// one argument, a file path as a file URI that names exactly that file.
TEST(WmDataScript, BrowserStarterHandsEveryFormToTheDesktopHandlerEncoded) {
    TempDir dir;
    testutil::MakeDirs(dir / "bin");
    WriteFile(dir / "bin/xdg-open", "#!/bin/sh\nprintf '[%s]\\n' \"$@\" >> \"$OUT\"\n", 0755);
    const std::string starter = DataDir() + "waymark-browser";
    struct Case {
        std::string args;    // as the shell reads them
        std::string handed;  // empty: refused, the handler never runs
    };
    const Case cases[] = {
        {"'https://www.example.org/a b'", "[https://www.example.org/a b]\n"},
        {"-remote 'openURL(http://www.example.org/)'", "[http://www.example.org/]\n"},
        {"'file:/usr/share/doc/x.htm'", "[file:///usr/share/doc/x.htm]\n"},
        {"-remote 'openURL(file:/tmp/y.htm)'", "[file:///tmp/y.htm]\n"},
        {"'file:/home/a/100%41.txt'", "[file:///home/a/100%2541.txt]\n"},
        {"'file:/home/a/notes #3.txt'", "[file:///home/a/notes%20%233.txt]\n"},
        {"-remote 'openURL(file:/d/a?b&c=d;e.txt)'", "[file:///d/a%3Fb%26c%3Dd%3Be.txt]\n"},
        {"'file:/d/A-z_0.9~'", "[file:///d/A-z_0.9~]\n"},
        {"\"$(printf 'file:/d/\\344\\270\\200\\nx')\"", "[file:///d/%E4%B8%80%0Ax]\n"},
        {"-x", ""},
        {"-- http://www.example.org/", ""},
        {"-remote 'openURL(--help)'", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::remove((dir / "out").c_str());
        const int rc = Shell("PATH='" + dir.path() + "/bin:/usr/bin:/bin' OUT='" + dir.path() +
                             "/out' sh '" + starter + "' " + c.args + " 2>/dev/null");
        EXPECT_EQ(rc == 0, !c.handed.empty()) << c.args;
        EXPECT_EQ(Exists(dir / "out") ? ReadFile(dir / "out") : "", c.handed) << c.args;
    }
}

}  // namespace

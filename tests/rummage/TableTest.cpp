// Start-up rules (command line, home and start directory, first history
// entries), the history rule, the table's life, and a new window.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CoreTableSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfiles.h"
#include "rummage/rmgtable.h"

namespace {

using rmg::CommandLine;
using rmg::GTable;
using rmg::HistoryList;

using rmgtest::EnvScope;

class StartupTest : public ::testing::Test {
  protected:
    StartupTest() {
        char real[PATH_MAX];
        EXPECT_NE(::realpath(dir.path().c_str(), real), nullptr);
        root = real;
        testutil::MakeDirs(root + "/home/x/y");
        testutil::MakeDirs(root + "/env");
        testutil::MakeDirs(root + "/other");
        rmg::DefaultGTable(table);
    }

    // Runs the command line with HOME at <root>/env.
    GTable& Start(std::vector<std::string> args) {
        args.insert(args.begin(), "rummage");
        const std::string env = root + "/env";
        EXPECT_EQ(rmg::SetupStartDirectories(table, rmg::ParseCommandLine(args), env.c_str()), 0);
        return table;
    }

    testutil::TempDir dir;
    std::string root;
    GTable table;
};

TEST_F(StartupTest, FirstArgumentDecidesHome) {
    EXPECT_EQ(Start({}).HomeDir, root + "/env/");
    EXPECT_EQ(Start({"--homes", root + "/home"}).HomeDir, root + "/env/");
    Start({"--root", root + "/other"});
    EXPECT_EQ(table.HomeDir, "/");
    EXPECT_EQ(table.StartDir, root + "/other/");
    Start({"--home", root + "/home/", root + "/home/x/y"});
    EXPECT_EQ(table.HomeDir, root + "/home/");
    EXPECT_EQ(table.StartDir, root + "/home/x/y/");
    Start({"--home", root + "/home", root + "/home"});
    EXPECT_EQ(table.HomeDir, root + "/home/");
    EXPECT_EQ(table.StartDir, root + "/home/");
}

TEST_F(StartupTest, RefusedHomeFallsBackToTheEnvironment) {
    testutil::WriteFile(root + "/file", "x");
    ASSERT_EQ(::symlink((root + "/home").c_str(), (root + "/link").c_str()), 0);
    for (const std::string& bad : {root + "/missing", root + "/file", root + "/link", std::string(),
                                   root + "/" + std::string(2050, 'h')}) {
        Start({"--home", bad});
        EXPECT_EQ(table.HomeDir, root + "/env/") << bad.substr(0, 80);
    }
    // A refused home still lets the third argument be the candidate.
    testutil::MakeDirs(root + "/env/sub");
    Start({"--home", root + "/missing", root + "/env/sub"});
    EXPECT_EQ(table.StartDir, root + "/env/sub/");
}

TEST_F(StartupTest, HomeMustStillFitWithItsSlash) {
    std::string deep = root;
    while (deep.size() + 200 < 2047) {
        deep += "/" + std::string(199, 'd');
        testutil::MakeDirs(deep);
    }
    const std::string last = deep + "/" + std::string(2047 - deep.size() - 1, 'e');
    testutil::MakeDirs(last);
    EXPECT_EQ(Start({"--home", last}).HomeDir, root + "/env/");
    testutil::MakeDirs(last.substr(0, 2046));
    EXPECT_EQ(Start({"--home", last.substr(0, 2046)}).HomeDir, last.substr(0, 2046) + "/");
}

TEST_F(StartupTest, RelativeHomeIsTakenFromTheWorkingDirectory) {
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(::chdir(root.c_str()), 0);
    Start({"--home", "home", root + "/home/x"});
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    EXPECT_EQ(table.HomeDir, root + "/home/");
    EXPECT_EQ(table.StartDir, root + "/home/x/");
}

TEST_F(StartupTest, StartDirectoryMustBeARealDirectoryInsideHome) {
    testutil::WriteFile(root + "/home/file", "x");
    ASSERT_EQ(::symlink((root + "/home/x").c_str(), (root + "/home/link").c_str()), 0);
    for (const std::string& bad : {root + "/other", root + "/home/missing", root + "/home/file",
                                   root + "/home/link", root + "/home/x/../../other"}) {
        Start({"--home", root + "/home", bad});
        EXPECT_EQ(table.StartDir, "") << bad;
    }
}

TEST_F(StartupTest, UnsetOrOverlongHome) {
    const CommandLine cmd = rmg::ParseCommandLine({"rummage"});
    ASSERT_EQ(rmg::SetupStartDirectories(table, cmd, nullptr), 0);
    const passwd* pw = ::getpwuid(::getuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(table.HomeDir.rfind(pw->pw_dir, 0), 0u);
    EXPECT_EQ(rmg::SetupStartDirectories(table, cmd, std::string(2048, 'h').c_str()),
              rmg::RESULT_BAD_ARGUMENT);
}

TEST_F(StartupTest, FirstHistoryEntries) {
    Start({});
    EXPECT_EQ(table.LocationDirHistory, HistoryList{root + "/env/"});
    EXPECT_EQ(table.DirHistory, HistoryList{root + "/env/"});
    EXPECT_EQ(table.FilterHistory, HistoryList{"*"});

    // Stored histories are kept; home moves to the front of the locations.
    table.LocationDirHistory = {"/a/", root + "/env/"};
    table.DirHistory = {"/c/"};
    Start({});
    EXPECT_EQ(table.LocationDirHistory, (HistoryList{root + "/env/", "/a/"}));
    EXPECT_EQ(table.DirHistory, HistoryList{"/c/"});
}

TEST(HistoryRuleTest, FrontInsertionMoveAndLimit) {
    HistoryList list;
    rmg::AddHistoryListS(list, static_cast<const char*>(nullptr));
    rmg::AddHistoryListS(list, "");
    EXPECT_TRUE(list.empty());
    for (int i = 0; i < 10; ++i)
        rmg::AddHistoryListS(list, "/d" + std::to_string(i) + "/");

    rmg::AddHistoryListS(list, "/d4/");
    EXPECT_EQ(list[0], "/d4/");
    EXPECT_EQ(list[1], "/d9/");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/d4/"), 1);

    // An eleventh entry pushes out the oldest.
    rmg::AddHistoryListS(list, "/new/");
    EXPECT_EQ(list.size(), 10u);
    EXPECT_EQ(std::count(list.begin(), list.end(), "/d0/"), 0);

    // Exact comparison; nothing longer than a path buffer holds.
    rmg::AddHistoryListS(list, "/NEW/");
    EXPECT_EQ(list[1], "/new/");
    const HistoryList before = list;
    rmg::AddHistoryListS(list, std::string(2048, 'x'));
    EXPECT_EQ(list, before);

    // A longer stored list loses its tenth entry, not its last.
    for (int i = 0; i < 2; ++i)
        list.push_back("extra");
    rmg::AddHistoryListS(list, "/newest/");
    EXPECT_EQ(list.size(), 12u);
    EXPECT_EQ(list.back(), "extra");
}

TEST(GlobalTableTest, LifeOfTheTable) {
    testutil::TempDir dir;
    testutil::WriteFile(dir / ".extension", "[Application]\nEditor=/usr/bin/editor\n");
    GTable* saved = rmg::pGTable;
    rmg::pGTable = nullptr;
    {
        EnvScope lang("LANG", "ja_JP.eucJP");
        ASSERT_EQ(rmg::InitGlobalTable(dir.path()), 0);
    }
    ASSERT_NE(rmg::pGTable, nullptr);
    EXPECT_EQ(rmg::pGTable->JapaneseLocale, 1);
    EXPECT_EQ(rmg::pGTable->ApplicationInfo.size(), 1u);
    EXPECT_TRUE(testutil::Exists(dir / ".rummage"));  // first run

    rmg::pGTable->ShowHidden = 1;
    rmg::WindowGeometry geometry{1, 2, 300, 200, true, 120, {}};
    rmg::TerminateGlobalTable(&geometry);
    EXPECT_EQ(rmg::pGTable, nullptr);
    rmg::TerminateGlobalTable(nullptr);  // nothing left to do

    {
        EnvScope lang("LANG", "ja");
        ASSERT_EQ(rmg::InitGlobalTable(dir.path()), 0);
    }
    EXPECT_EQ(rmg::pGTable->JapaneseLocale, 0);
    EXPECT_EQ(rmg::pGTable->ShowHidden, 1);
    EXPECT_EQ(rmg::pGTable->PandPosition, 120);
    delete rmg::pGTable;
    rmg::pGTable = saved;
}

TEST(NewWindowTest, StartsADetachedCopyWithTheSameArguments) {
    testutil::TempDir dir;
    const std::string out = dir / "args";
    testutil::WriteFile(
        dir / "rummage",
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + out + ".tmp\nmv " + out + ".tmp " + out + "\n",
        0755);
    pid_t pid;
    {
        EnvScope path("PATH", (dir.path() + ":/usr/bin:/bin").c_str());
        pid = rmg::ExecRummage({"rummage", "--home", "/h", "/h/x"});
    }
    EXPECT_GT(pid, 0);
    // The intermediate child has been collected already.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    ASSERT_TRUE(testutil::WaitFor([&] { return testutil::Exists(out); }));
    EXPECT_EQ(testutil::ReadFile(out), "--home\n/h\n/h/x\n");
}

}  // namespace

// What opening a list entry does: enter a directory, run a program, open a
// document with its application, ask, or refuse.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "TestUtil.h"
#include "rummage/rmgutil.h"

namespace {

// The scripted windows, plus the picker and the tree.
class ExecUi : public rmgtest::FakeUi {
  public:
    int pickerResult = 0;
    std::string pickerCommand;
    int pickerCalls = 0;
    std::vector<std::pair<std::string, int>> opened;

    int SelectApplication(std::string& command) override {
        ++pickerCalls;
        command = pickerCommand;
        return pickerResult;
    }
    void OpenChildTree(const std::string& dir, int expand) override {
        opened.emplace_back(dir, expand);
    }
};

struct Started {
    std::string path;
    bool hasArgument = false;
    std::string argument;
};

class ExecApplicationTest : public ::testing::Test {
  protected:
    ExecApplicationTest() {
        char real[PATH_MAX];
        EXPECT_NE(::realpath(dir.path().c_str(), real), nullptr);
        root = real;
        home = root + "/home/";
        testutil::MakeDirs(home + "docs");
        testutil::MakeDirs(root + "/outside");
        testutil::WriteFile(home + "run.sh", "#!/bin/sh\n", 0744);
        testutil::WriteFile(home + "page.html", "<p>", 0644);
        testutil::WriteFile(home + "Makefile", "all:\n", 0644);
        testutil::WriteFile(root + "/outside/page.html", "<p>", 0644);
        scope.table.HomeDir = home;
        scope.table.CurrentDir = home;
        scope.table.ExtensionInfo = {{"html", "/usr/lib/netscape/start"}};
    }

    void Open(const std::string& path) {
        rmg::ExecApplication(path.c_str(), ui, [this](const char* p, const char* a) {
            started.push_back({p, a != nullptr, a != nullptr ? a : ""});
            return static_cast<pid_t>(1);
        });
    }

    testutil::TempDir dir;
    rmgtest::TableScope scope;
    ExecUi ui;
    std::vector<Started> started;
    std::string root;
    std::string home;
};

TEST_F(ExecApplicationTest, OutsideHomeIsRefusedWithTheOneMessage) {
    Open(root + "/outside/page.html");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_EQ(ui.boxes[0].text, "The specified path cannot be operated.");
    EXPECT_EQ(ui.boxes[0].style, rmg::MB_OK + rmg::MB_ICON_STOP);
    EXPECT_TRUE(started.empty());

    rmg::ExecApplication(nullptr, ui, {});
    Open(home + "gone");
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(started.empty());
}

TEST_F(ExecApplicationTest, DirectoryOpensInTheTree) {
    Open(home + "docs");
    ASSERT_EQ(ui.opened.size(), 1u);
    EXPECT_EQ(ui.opened[0].first, home + "docs/");
    EXPECT_EQ(ui.opened[0].second, 1);
    EXPECT_TRUE(started.empty());
}

TEST_F(ExecApplicationTest, LinksAreFollowedAndCheckedAgain) {
    ASSERT_EQ(::symlink((home + "docs").c_str(), (home + "to-docs").c_str()), 0);
    ASSERT_EQ(::symlink("page.html", (home + "rel-page").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/outside/page.html").c_str(), (home + "escape").c_str()), 0);

    Open(home + "to-docs");
    ASSERT_EQ(ui.opened.size(), 1u);
    EXPECT_EQ(ui.opened[0].first, home + "docs/");

    // A relative target is taken in the link's directory, not the
    // process's working directory.
    Open(home + "rel-page");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].argument, home + "page.html");

    // Out of home by ".." in a relative target: refused like the absolute
    // form.
    testutil::WriteFile(root + "/outside/run.sh", "#!/bin/sh\n", 0755);
    ASSERT_EQ(::symlink("../../outside/run.sh", (home + "docs/rel-escape").c_str()), 0);
    for (const char* name : {"escape", "docs/rel-escape"}) {
        SCOPED_TRACE(name);
        ui.boxes.clear();
        Open(home + name);
        EXPECT_EQ(ui.CountBoxes("cannot be operated"), 1);
        EXPECT_EQ(started.size(), 1u);
    }
}

TEST_F(ExecApplicationTest, ExecutableRunsWithoutArgumentAfterTheQuestion) {
    Open(home + "run.sh");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].path, home + "run.sh");
    EXPECT_FALSE(started[0].hasArgument);
    EXPECT_TRUE(ui.boxes.empty());

    scope.table.ConfilmExec = 1;
    ui.Answer(rmg::RESULT_NO).Answer(rmg::RESULT_YES);
    Open(home + "run.sh");
    EXPECT_EQ(started.size(), 1u);
    Open(home + "run.sh");
    EXPECT_EQ(started.size(), 2u);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].title, "Execute");
    EXPECT_EQ(ui.boxes[1].text, "Execute " + home + "run.sh ?");
    EXPECT_EQ(ui.boxes[1].style, rmg::MB_YESNO + rmg::MB_ICON_QUESTION);
}

TEST_F(ExecApplicationTest, OwnerExecuteBitAloneMakesAProgram) {
    testutil::WriteFile(home + "owner-only.html", "x", 0700);
    testutil::WriteFile(home + "others-only", "x", 0645);
    Open(home + "owner-only.html");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_FALSE(started[0].hasArgument);
    ui.pickerCommand = "/bin/viewer";
    Open(home + "others-only");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].path, "/bin/viewer");
}

TEST_F(ExecApplicationTest, DocumentOpensWithItsAssociatedCommand) {
    scope.table.ConfilmExec = 1;
    Open(home + "page.html");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].path, "/usr/lib/netscape/start");
    EXPECT_EQ(started[0].argument, home + "page.html");
    EXPECT_EQ(ui.pickerCalls, 0);
    // The question names the command, not the file.
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Execute /usr/lib/netscape/start ?");
}

TEST_F(ExecApplicationTest, NoAssociationAsksThePicker) {
    ui.pickerCommand = "/usr/bin/editor";
    Open(home + "Makefile");
    EXPECT_EQ(ui.pickerCalls, 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].path, "/usr/bin/editor");
    EXPECT_EQ(started[0].argument, home + "Makefile");

    ui.pickerCommand.clear();
    Open(home + "Makefile");
    ui.pickerCommand = "/usr/bin/editor";
    ui.pickerResult = rmg::RESULT_CREATE_FAILED;
    Open(home + "Makefile");
    EXPECT_EQ(ui.pickerCalls, 3);
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(ExecApplicationTest, SilentRefusals) {
    ASSERT_EQ(::symlink("b", (home + "a").c_str()), 0);
    ASSERT_EQ(::symlink("a", (home + "b").c_str()), 0);
    Open(home + "a");  // a link loop ends
    testutil::WriteFile(home + "secret.html", "x", 0244);
    Open(home + "secret.html");  // unreadable to its owner
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.pickerCalls, 0);
    // A question box that could not be shown is no Yes.
    scope.table.ConfilmExec = 1;
    ui.Answer(1);
    Open(home + "run.sh");
    EXPECT_TRUE(started.empty());
}

}  // namespace

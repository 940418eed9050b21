// Moving, deleting and creating directory chains on temporary trees, with
// the user's answers given by script.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfileop.h"

namespace {

using namespace rmg;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::ReadFile;
using testutil::WriteFile;

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(0, ::lstat(path.c_str(), &st)) << path;
    return st.st_mode;
}

// Runs `body` in a child that has dropped root, so permission checks apply;
// its report comes back as text, empty meaning fine.
std::string RunAsNobody(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string report =
            (::setgid(65534) == 0 && ::setuid(65534) == 0) ? body() : "cannot drop root";
        if (::write(fds[1], report.data(), report.size()) < 0)
            _exit(2);
        _exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        report.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (child failed)";
    return report;
}

class MoveDeleteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetFileOpUi(&ui);
        ::chmod(tmp.path().c_str(), 0755);
    }
    void TearDown() override {
        DestroyProgress();
        SetFileOpUi(nullptr);
    }

    std::string P(const std::string& name) const { return tmp / name; }
    std::string D(const std::string& name) const { return tmp / name + "/"; }

    int Move(const std::vector<std::string>& items, const std::string& dst) {
        int decided = 0;
        int result = 0;
        SetupProgress(items, OP_MOVE);
        for (const auto& item : items) {
            result = MoveFile(dst, item, &decided);
            if (result == RESULT_NO) {
                DestroyProgress();
                break;
            }
        }
        EndProgress();
        return result;
    }

    // As the Delete command runs it: a plain Yes covers one item.
    int Delete(const std::vector<std::string>& items) {
        int answer = RESULT_NO;
        int result = 0;
        SetupProgress(items, OP_DELETE);
        for (const auto& item : items) {
            result = RemoveFile(item, &answer);
            if (answer == RESULT_YES)
                answer = RESULT_NO;
            if (result == RESULT_NO) {
                DestroyProgress();
                break;
            }
        }
        EndProgress();
        return result;
    }

    // Gives the tree below `path` to the unprivileged user.
    void GiveAway(const std::string& path) {
        ASSERT_EQ(0, ::chown(path.c_str(), 65534, 65534));
        for (const auto& e : std::filesystem::recursive_directory_iterator(path))
            ASSERT_EQ(0, ::lchown(e.path().c_str(), 65534, 65534));
    }

    rmgtest::TableScope scope;
    rmgtest::FakeUi ui;
    testutil::TempDir tmp;
};

// ------------------------------------------------------------------- move

TEST_F(MoveDeleteTest, MovesFilesAndWholeDirectoriesByRename) {
    MakeDirs(P("tree/sub"));
    WriteFile(P("tree/sub/f"), "f");
    WriteFile(P("file"), "x", 0604);
    ::symlink("file", P("link").c_str());
    MakeDirs(P("dst"));
    ASSERT_EQ(0, Move({D("tree"), P("file"), P("link")}, D("dst")));
    EXPECT_EQ("f", ReadFile(P("dst/tree/sub/f")));
    EXPECT_EQ(0604u, ModeOf(P("dst/file")) & 07777);
    EXPECT_TRUE(S_ISLNK(ModeOf(P("dst/link"))));
    EXPECT_EQ((std::vector<std::string>{"dst"}), Names(tmp.path()));
    EXPECT_TRUE(ui.boxes.empty());
    // A directory moved by one rename counts once; the end still closes.
    EXPECT_FALSE(ui.windowOpen);
}

TEST_F(MoveDeleteTest, MoveOntoAnExistingFileReplacesIt) {
    WriteFile(P("s"), "new");
    WriteFile(P("t"), "old");
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, Move({P("s")}, P("t")));
    EXPECT_EQ(1, ui.CountBoxes("already exists"));
    EXPECT_EQ("new", ReadFile(P("t")));
    EXPECT_FALSE(Exists(P("s")));
}

TEST_F(MoveDeleteTest, MoveIntoItselfIsRefused) {
    MakeDirs(P("a/b"));
    EXPECT_EQ(0, Move({D("a")}, D("a/b")));
    EXPECT_EQ(1, ui.CountBoxes("Cannot move to a sub directory."));
    EXPECT_TRUE(Exists(P("a/b")));
    EXPECT_TRUE(Names(P("a/b")).empty());
}

TEST_F(MoveDeleteTest, MergeMovesEntriesOneByOneAndRemovesTheEmptiedSource) {
    MakeDirs(P("src/d/inner"));
    WriteFile(P("src/d/same"), "new");
    WriteFile(P("src/d/inner/x"), "x");
    WriteFile(P("src/d/only"), "only");
    MakeDirs(P("dst/d/inner"));
    WriteFile(P("dst/d/same"), "old");
    WriteFile(P("dst/d/mine"), "mine");
    ::chmod(P("src/d").c_str(), 0701);
    ui.Answer(RESULT_YES);  // overwrite dst/d
    EXPECT_EQ(0, Move({D("src/d")}, D("dst")));
    EXPECT_EQ(1u, ui.boxes.size());
    EXPECT_EQ((std::vector<std::string>{"inner", "mine", "only", "same"}), Names(P("dst/d")));
    EXPECT_EQ("new", ReadFile(P("dst/d/same")));
    EXPECT_EQ("x", ReadFile(P("dst/d/inner/x")));
    EXPECT_EQ(0701u, ModeOf(P("dst/d")) & 07777);
    EXPECT_TRUE(Names(P("src")).empty());
}

TEST_F(MoveDeleteTest, SkippedEntryInAMergeKeepsTheRestInTheSource) {
    MakeDirs(P("src/d"));
    WriteFile(P("src/d/blocked"), "new");
    MakeDirs(P("dst/d/blocked"));  // a full directory where a file arrives
    WriteFile(P("dst/d/blocked/x"), "x");
    scope.table.ConfilmOverwrite = 0;
    ui.Answer(RESULT_YES);  // Skip in the delete error box
    EXPECT_EQ(RESULT_YES, Move({D("src/d")}, D("dst")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot delete file " + P("dst/d/blocked") + "\ncause:Directory not empty",
              ui.boxes[0].text);
    EXPECT_EQ("new", ReadFile(P("src/d/blocked")));
    EXPECT_EQ("x", ReadFile(P("dst/d/blocked/x")));
}

TEST_F(MoveDeleteTest, EntrySkippedAfterAnErrorInAMergeKeepsTheSourceQuietly) {
    // The merge target lies so deep that one entry's long name no longer
    // fits the path limit; the other entry still moves.
    std::string deep = P("dst");
    while (deep.size() < 1700)
        deep += "/" + std::string(200, 'q');
    MakeDirs(deep + "/d");
    MakeDirs(P("src/d"));
    WriteFile(P("src/d/a"), "a");
    const std::string longName(255, 'n');
    WriteFile(P("src/d/") + longName, "y");
    scope.table.ConfilmOverwrite = 0;
    ui.Answer(RESULT_YES);  // Skip
    EXPECT_EQ(0, Move({D("src/d")}, deep + "/"));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot move file " + deep + "/d/" + longName + "\ncause:File name too long",
              ui.boxes[0].text);
    EXPECT_EQ("a", ReadFile(deep + "/d/a"));
    // The source keeps what was skipped, without a further error.
    EXPECT_EQ((std::vector<std::string>{longName}), Names(P("src/d")));
}

TEST_F(MoveDeleteTest, MoveToAnotherFileSystemIsReportedAndTouchesNothing) {
    struct stat shm, here;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(tmp.path().c_str(), &here) != 0 ||
        shm.st_dev == here.st_dev)
        GTEST_SKIP() << "no second file system";
    const std::string dir =
        "/dev/shm/" + std::filesystem::path(tmp.path()).filename().string() + "/";
    MakeDirs(dir);
    WriteFile(dir + "s", "old");
    WriteFile(P("s"), "new");
    MakeDirs(P("tree"));
    scope.table.ConfilmOverwrite = 0;
    ui.defaultMessageAnswer = RESULT_YES;  // Skip
    EXPECT_EQ(0, Move({P("s"), D("tree")}, dir));
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Cannot move file " + dir + "s\ncause:Invalid cross-device link", ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("old", ReadFile(dir + "s"));
    EXPECT_EQ("new", ReadFile(P("s")));
    EXPECT_TRUE(Exists(P("tree")));
    EXPECT_EQ((std::vector<std::string>{"s"}), Names(dir));
    std::filesystem::remove_all(dir);
}

TEST_F(MoveDeleteTest, RenameFailureIsReportedWithSkipOrCancel) {
    WriteFile(P("plain"), "x");
    WriteFile(P("s"), "s");
    ui.Answer(RESULT_NO);
    EXPECT_EQ(RESULT_NO, MoveFileInternal(P("plain/s"), P("s")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot move file " + P("plain/s") + "\ncause:Not a directory", ui.boxes[0].text);
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, MoveFileInternal(P("plain/s"), P("s")));
    EXPECT_EQ("s", ReadFile(P("s")));
}

// ----------------------------------------------------------------- delete

TEST_F(MoveDeleteTest, DeleteAsksOnceForANonEmptyDirectory) {
    MakeDirs(P("t/a/b"));
    WriteFile(P("t/a/b/f"), "f");
    WriteFile(P("t/g"), "g");
    MakeDirs(P("emptydir"));
    ui.AnswerDelete(RESULT_YES);
    EXPECT_EQ(0, Delete({D("t"), D("emptydir")}));
    ASSERT_EQ(1u, ui.boxes.size());  // not for the empty one, not inside t
    EXPECT_TRUE(ui.boxes[0].deleteQuestion);
    EXPECT_EQ(D("t"), ui.boxes[0].text);
    EXPECT_TRUE(Names(tmp.path()).empty());
}

TEST_F(MoveDeleteTest, PlainYesCoversOneItemAndYesAllTheRest) {
    for (auto d : {"a", "b", "c", "e"}) {
        MakeDirs(P(d));
        WriteFile(P(d) + "/f", "f");
    }
    ui.AnswerDelete(RESULT_YES).AnswerDelete(RESULT_NO).AnswerDelete(RESULT_YES_ALL);
    EXPECT_EQ(0, Delete({D("a"), D("b"), D("c"), D("e")}));
    EXPECT_EQ(3u, ui.boxes.size());  // a, b, c; e is covered by Yes-all
    EXPECT_EQ((std::vector<std::string>{"b"}), Names(tmp.path()));
}

TEST_F(MoveDeleteTest, NoLeavesTheDirectoryAndCancelStops) {
    MakeDirs(P("a"));
    WriteFile(P("a/f"), "f");
    WriteFile(P("loose"), "x");
    int answer = RESULT_NO;
    ui.AnswerDelete(RESULT_NO);
    EXPECT_EQ(RESULT_YES, RemoveFile(D("a"), &answer));
    EXPECT_EQ(RESULT_NO, answer);
    EXPECT_TRUE(Exists(P("a/f")));

    ui.AnswerDelete(RESULT_CANCEL);
    EXPECT_EQ(RESULT_NO, Delete({D("a"), P("loose")}));
    EXPECT_TRUE(Exists(P("a/f")));
    EXPECT_TRUE(Exists(P("loose")));
}

TEST_F(MoveDeleteTest, LinkToADirectoryIsDeletedAsALink) {
    MakeDirs(P("real"));
    WriteFile(P("real/keep"), "k");
    ::symlink(P("real").c_str(), P("l1").c_str());
    ::symlink(P("real").c_str(), P("l2").c_str());
    EXPECT_EQ(0, Delete({P("l1"), P("l2") + "/"}));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ((std::vector<std::string>{"real"}), Names(tmp.path()));
    EXPECT_EQ("k", ReadFile(P("real/keep")));
}

TEST_F(MoveDeleteTest, DeleteErrorBoxAndSkipOfANameThatCannotGo) {
    int answer = RESULT_NO;
    ui.Answer(RESULT_YES);
    EXPECT_EQ(RESULT_YES, RemoveFile("/proc/self/status", &answer));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Error", ui.boxes[0].title);
    EXPECT_EQ(0u, ui.boxes[0].text.find("Cannot delete file /proc/self/status\ncause:"));
    ui.Answer(RESULT_NO);
    EXPECT_EQ(RESULT_NO, RemoveFile("/proc/self/status", &answer));
}

TEST_F(MoveDeleteTest, SkippedFileKeepsItsAncestorsAndTheRestGoes) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the tree over";
    // The unprivileged user owns the tree except one directory, whose file
    // it cannot remove.
    MakeDirs(P("t/own/deep"));
    WriteFile(P("t/own/deep/x"), "x");
    MakeDirs(P("t/locked"));
    WriteFile(P("t/locked/stuck"), "s");
    WriteFile(P("t/top"), "t");
    GiveAway(P("t"));
    ASSERT_EQ(0, ::chown(P("t/locked").c_str(), 0, 0));
    EXPECT_EQ("", RunAsNobody([&]() -> std::string {
                  ui.defaultMessageAnswer = RESULT_YES;  // Skip
                  ui.defaultDeleteAnswer = RESULT_YES_ALL;
                  // Something was left, so the tree as a whole was skipped.
                  if (int r = Delete({D("t")}); r != RESULT_YES)
                      return "result " + std::to_string(r) + " " + ui.LastText();
                  if (ui.CountBoxes("Cannot delete file " + P("t/locked/stuck") +
                                    "\ncause:Permission denied") != 1)
                      return "box: " + ui.LastText();
                  if (Names(P("t")) != std::vector<std::string>{"locked"})
                      return "t not pruned";
                  if (!Exists(P("t/locked/stuck")))
                      return "stuck gone";
                  return "";
              }));
}

TEST_F(MoveDeleteTest, UnreadableDirectoryInADeleteIsReported) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the tree over";
    MakeDirs(P("t/closed"));
    WriteFile(P("t/closed/f"), "f");
    WriteFile(P("t/after"), "a");
    GiveAway(P("t"));
    ::chmod(P("t/closed").c_str(), 0300);  // writable, not listable
    EXPECT_EQ("", RunAsNobody([&]() -> std::string {
                  ui.defaultDeleteAnswer = RESULT_YES_ALL;
                  ui.Answer(RESULT_YES);  // Skip the closed directory
                  if (Delete({D("t")}) != RESULT_YES)
                      return "result";
                  if (ui.CountBoxes("Cannot delete file " + P("t/closed") +
                                    "\ncause:Permission denied") != 1)
                      return "box: " + ui.LastText();
                  if (Exists(P("t/after")))
                      return "rest not deleted";
                  if (!Exists(P("t")))
                      return "parent of a skipped directory removed";
                  ui.Answer(RESULT_NO);  // Cancel ends the delete
                  if (Delete({D("t")}) != RESULT_NO)
                      return "cancel not passed on";
                  return "";
              }));
}

TEST_F(MoveDeleteTest, ReadOnlySourceDirectoryCanBeCopiedByAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the tree over";
    MakeDirs(P("src/ro/sub"));
    WriteFile(P("src/ro/f"), "f");
    WriteFile(P("src/ro/sub/g"), "g");
    MakeDirs(P("dst"));
    GiveAway(P("src"));
    GiveAway(P("dst"));
    ::chmod(P("src/ro/sub").c_str(), 0555);
    ::chmod(P("src/ro").c_str(), 0555);
    EXPECT_EQ("", RunAsNobody([&]() -> std::string {
                  int decided = 0;
                  if (CopyFile(D("dst"), D("src/ro"), &decided) != 0)
                      return "result";
                  if (!ui.boxes.empty())
                      return "box: " + ui.LastText();
                  if (ReadFile(P("dst/ro/f")) != "f" || ReadFile(P("dst/ro/sub/g")) != "g")
                      return "contents";
                  if ((ModeOf(P("dst/ro")) & 07777) != 0555)
                      return "mode of ro";
                  if ((ModeOf(P("dst/ro/sub")) & 07777) != 0555)
                      return "mode of sub";
                  return "";
              }));
}

// ------------------------------------------------------ directory chains

TEST_F(MoveDeleteTest, CreatesTheWholeChainAndReplacesOnlyTheLastComponent) {
    MakeDirs(P("a"));
    EXPECT_EQ(0, CreateDirectoryEx(P("a/b/c/")));
    EXPECT_TRUE(S_ISDIR(ModeOf(P("a/b/c"))));
    // Only components followed by "/" are made.
    EXPECT_EQ(0, CreateDirectoryEx(P("x/y")));
    EXPECT_TRUE(Exists(P("x")));
    EXPECT_FALSE(Exists(P("x/y")));
    EXPECT_EQ(0, CreateDirectoryEx("/"));
    // The directory asked for replaces a file of its name.
    WriteFile(P("a/b/c/file"), "x");
    EXPECT_EQ(0, CreateDirectoryEx(P("a/b/c/file/")));
    EXPECT_TRUE(S_ISDIR(ModeOf(P("a/b/c/file"))));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MoveDeleteTest, LinkedDirectoriesOnTheWayAreKept) {
    MakeDirs(P("real"));
    ::symlink(P("real").c_str(), P("via").c_str());
    EXPECT_EQ(0, CreateDirectoryEx(P("via/new/")));
    EXPECT_TRUE(S_ISLNK(ModeOf(P("via"))));
    EXPECT_TRUE(S_ISDIR(ModeOf(P("real/new"))));
    // And a copy through such a link lands in the linked directory.
    WriteFile(P("f"), "f");
    int decided = 0;
    EXPECT_EQ(0, CopyFile(D("via/new"), P("f"), &decided));
    EXPECT_EQ("f", ReadFile(P("real/new/f")));
}

TEST_F(MoveDeleteTest, MultiByteNamesKeepTheirSeparators) {
    const std::string name = "\xe3\x81\x82";  // one three-byte character
    EXPECT_EQ(0, CreateDirectoryEx(P(name + "/" + name + "/")));
    EXPECT_TRUE(S_ISDIR(ModeOf(P(name + "/" + name))));
    WriteFile(P("f"), "f");
    int decided = 0;
    EXPECT_EQ(0, CopyFile(D(name), P("f"), &decided));
    EXPECT_EQ("f", ReadFile(P(name + "/f")));
}

TEST_F(MoveDeleteTest, FileFurtherUpTheChainIsAnErrorAndIsKept) {
    WriteFile(P("plain"), "keep me");
    EXPECT_EQ(RESULT_NO, CreateDirectoryEx(P("plain/x/")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Error", ui.boxes[0].title);
    EXPECT_EQ("Cannot create directory " + P("plain") + "\ncause:Not a directory",
              ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("keep me", ReadFile(P("plain")));
}

}  // namespace

// The file operation engine and its progress accounting on temporary trees,
// with the user's answers given by script.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "ChildSupport.h"
#include "FileOpSupport.h"

namespace {

using namespace rmg;
using rmgtest::InChild;
using rmgtest::LinkText;
using rmgtest::ModeOf;
using rmgtest::Names;
using rmgtest::RandomBytes;
using rmgtest::Strings;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::ReadFile;
using testutil::WriteFile;

class FileOpTest : public rmgtest::FileOpFixture {
  protected:
    void MakeFiles(const std::string& dir, int n) {
        MakeDirs(dir);
        for (int i = 0; i < n; ++i)
            WriteFile(dir + "/f" + std::to_string(i), "x");
    }

    void GiveAway(const std::string& path) {
        ASSERT_EQ(0, ::chown(path.c_str(), 65534, 65534));
        for (const auto& e : std::filesystem::recursive_directory_iterator(path))
            ASSERT_EQ(0, ::lchown(e.path().c_str(), 65534, 65534));
    }
};

// ------------------------------------------------------------------- copy

TEST_F(FileOpTest, CopiesATreeWithLinksPermissionsAndSpecialFiles) {
    Make({"src/sub/deeper/", "src/empty/"});
    WriteFile(P("src/a"), "alpha", 0640);
    WriteFile(P("src/sub/deeper/c"), RandomBytes(300000, 1), 0600);
    ::chmod(P("src/sub").c_str(), 0750);
    ::symlink("sub/deeper", P("src/dirlink").c_str());  // copied as a link, not entered
    ::symlink(std::string(3000, 'x').c_str(), P("src/longlink").c_str());
    ::mkfifo(P("src/pipe").c_str(), 0600);
    ::chmod(P("src/pipe").c_str(), 0620);
    ::mknod(P("src/dev").c_str(), S_IFCHR | 0640, makedev(1, 3));
    ::chmod(P("src/dev").c_str(), 0640);
    MakeDirs(P("dst"));

    ASSERT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ((Strings{"a", "dev", "dirlink", "empty", "longlink", "pipe", "sub"}),
              Names(P("dst/src")));  // and nothing left over from building them
    EXPECT_EQ("alpha", ReadFile(P("dst/src/a")));
    EXPECT_EQ(ReadFile(P("src/sub/deeper/c")), ReadFile(P("dst/src/sub/deeper/c")));
    EXPECT_EQ(0640u, ModeOf(P("dst/src/a")) & 07777);
    EXPECT_EQ(0600u, ModeOf(P("dst/src/sub/deeper/c")) & 07777);
    EXPECT_EQ(0750u, ModeOf(P("dst/src/sub")) & 07777);
    EXPECT_EQ("sub/deeper", LinkText(P("dst/src/dirlink")));
    EXPECT_EQ(std::string(3000, 'x'), LinkText(P("dst/src/longlink")));
    // A pipe or device becomes an empty file with its bits, without blocking.
    EXPECT_TRUE(S_ISREG(ModeOf(P("dst/src/pipe"))));
    EXPECT_EQ(0620u, ModeOf(P("dst/src/pipe")) & 07777);
    EXPECT_EQ("", ReadFile(P("dst/src/dev")));
    // Pseudo-files that report no size are copied by content.
    int decided = 0;
    EXPECT_EQ(0, CopyFile(P("status"), "/proc/self/status", &decided));
    EXPECT_NE(std::string::npos, ReadFile(P("status")).find("Name:"));
}

TEST_F(FileOpTest, CopyOntoItselfIsQuietAndIntoItselfIsRefused) {
    Make({"a/b/", "a/f=keep", "ab/"});
    // Onto itself, however spelt: nothing happens, nothing is asked.
    EXPECT_EQ(0, Run(OP_COPY, {P("a/f")}, D("a")));
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, tmp.path() + "//"));
    EXPECT_EQ(0, Run(OP_COPY, {P("a/f")}, P("a/./f")));
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("a")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("keep", ReadFile(P("a/f")));
    // Into itself or below, directly or through a link into the source.
    ::symlink(P("a/b").c_str(), P("way").c_str());
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("a/b")));
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, P("a")));
    EXPECT_EQ(0, Run(OP_MOVE, {D("a")}, D("way")));
    ASSERT_EQ(3, ui.CountBoxes());
    EXPECT_EQ("Error", ui.boxes[0].title);
    EXPECT_EQ("Cannot move to a sub directory.", ui.boxes[2].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ((Strings{"b", "f"}), Names(P("a")));
    EXPECT_TRUE(Names(P("a/b")).empty());
    // A sibling whose name merely begins with the source's is fine.
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("ab")));
    EXPECT_EQ("keep", ReadFile(P("ab/a/f")));
    EXPECT_EQ(3, ui.CountBoxes());
}

TEST_F(FileOpTest, OverwriteIsAskedOnlyUntilOneItemGetsThrough) {
    for (auto n : {"1", "2", "3"})
        WriteFile(P(std::string("s") + n), n);
    Make({"dst/", "dst/s2=old"});
    // The first item has no conflict and settles the matter.
    EXPECT_EQ(0, Run(OP_COPY, {P("s1"), P("s2"), P("s3")}, D("dst")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("2", ReadFile(P("dst/s2")));

    // No keeps the first and asks again; Yes replaces and silences the rest.
    for (auto n : {"1", "2", "3"})
        WriteFile(P(std::string("dst/s") + n), "old");
    ui.Answer(RESULT_NO).Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_COPY, {P("s1"), P("s2"), P("s3")}, D("dst")));
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Confirmation", ui.boxes[0].title);
    EXPECT_EQ(P("dst/s1") + " already exists.\nDoes it overwrite?", ui.boxes[0].text);
    EXPECT_EQ(MB_YESNO | MB_ICON_QUESTION, ui.boxes[0].style);
    EXPECT_EQ((Strings{"old", "2", "3"}),
              (Strings{ReadFile(P("dst/s1")), ReadFile(P("dst/s2")), ReadFile(P("dst/s3"))}));

    // A directory merges into its namesake; nothing inside is asked about.
    Make({"tree/sub/", "tree/sub/x=new", "dst/tree/sub/", "dst/tree/sub/x=old",
          "dst/tree/mine=mine"});
    ui.boxes.clear();
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_COPY, {D("tree")}, D("dst")));
    EXPECT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("new", ReadFile(P("dst/tree/sub/x")));
    EXPECT_EQ("mine", ReadFile(P("dst/tree/mine")));

    // With the setting off nothing is asked at all.
    scope.table.ConfilmOverwrite = 0;
    ui.boxes.clear();
    EXPECT_EQ(0, Run(OP_COPY, {P("s1")}, D("dst")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("1", ReadFile(P("dst/s1")));
}

TEST_F(FileOpTest, ReplacingALinkOrEmptyDirectoryButNotAFullOne) {
    scope.table.ConfilmOverwrite = 0;
    Make({"s=new", "victim=untouched", "d1/s/", "d2/"});
    ::symlink(P("victim").c_str(), P("d2/s").c_str());
    Make({"d3/s/", "d3/s/x=x"});
    ui.Answer(RESULT_YES);  // Skip in the delete error box
    EXPECT_EQ(RESULT_YES, Run(OP_COPY, {P("s")}, D("d3")));
    EXPECT_EQ(0, Run(OP_COPY, {P("s")}, D("d1")));
    EXPECT_EQ(0, Run(OP_COPY, {P("s")}, D("d2")));
    EXPECT_EQ("new", ReadFile(P("d1/s")));
    EXPECT_TRUE(S_ISREG(ModeOf(P("d2/s"))));  // a new file, not written through the link
    EXPECT_EQ("untouched", ReadFile(P("victim")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot delete file " + P("d3/s") + "\ncause:Directory not empty", ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ((Strings{"s"}), Names(P("d3")));
}

TEST_F(FileOpTest, CopyErrorsOfferSkipOrCancel) {
    WriteFile(P("plain"), "x");
    MakeFiles(P("src"), 2);
    MakeDirs(P("tree"));
    // A missing source is reported and counted; the rest goes on.
    EXPECT_EQ(0, Run(OP_COPY, {P("gone"), P("src/f0")}, D("tree")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(P("gone") + " does not exist.", ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    // A target that cannot be written: Skip goes on, Cancel stops.
    ui.boxes.clear();
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_COPY, {P("src/f0"), P("src/f1")}, P("plain/sub")));
    EXPECT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Cannot copy file " + P("plain/sub") + "\ncause:Not a directory", ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);
    ui.boxes.clear();
    ui.Answer(RESULT_NO);
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {P("src/f0"), P("src/f1")}, P("plain/sub")));
    EXPECT_EQ(1u, ui.boxes.size());
    // A directory that cannot be made stops everything; a file further up
    // the chain is no one's to delete.
    ui.boxes.clear();
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {D("tree"), P("src/f0")}, P("plain/x/")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot create directory " + P("plain") + "\ncause:Not a directory",
              ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("x", ReadFile(P("plain")));
}

TEST_F(FileOpTest, FailedCopyLeavesTheOldTargetAndNoPartialFile) {
    // Reading this file fails at once, even for root.
    WriteFile(P("t"), "precious");
    scope.table.ConfilmOverwrite = 0;
    EXPECT_EQ(0, Run(OP_COPY, {"/proc/self/mem"}, P("t")));
    EXPECT_EQ("Cannot copy file /proc/self/mem\ncause:Input/output error", ui.LastText());
    EXPECT_EQ("precious", ReadFile(P("t")));
    EXPECT_EQ((Strings{"t"}), Names(tmp.path()));

    // A full disk: a one-megabyte file system in a private mount namespace.
    if (!testutil::CanUnshareMounts())
        GTEST_SKIP() << "no private mount namespaces here";
    WriteFile(P("big"), RandomBytes(3 << 20, 2));
    MakeDirs(P("mnt"));
    EXPECT_EQ("", InChild(
                      [&]() -> std::string {
                          if (!rmgtest::PrivateMounts() ||
                              ::mount("tmpfs", P("mnt").c_str(), "tmpfs", 0, "size=1m") != 0)
                              return "cannot mount";
                          WriteFile(P("mnt/big"), "precious");
                          std::string r;
                          if (Run(OP_COPY, {P("big")}, D("mnt")) != 0)
                              r += "result;";
                          if (ui.LastText() != "Cannot copy file " + P("mnt/big") +
                                                   "\ncause:No space left on device")
                              r += "box: " + ui.LastText() + ";";
                          if (ReadFile(P("mnt/big")) != "precious")
                              r += "old target lost;";
                          if (Names(P("mnt")) != Strings{"big"})
                              r += "leftovers;";
                          return r;
                      },
                      false));
}

TEST_F(FileOpTest, FileOverFourGiBIsCopiedWholeWithBoundedMemory) {
    // Sparse, so the test is quick; the marks sit around the 2 and 4 GiB
    // boundaries where a single read or a 32-bit size would cut the file.
    const off_t size = (off_t{5} << 30) + 12345;
    const std::vector<off_t> marks = {0, (off_t{2} << 30) - 3, off_t{4} << 30,
                                      (off_t{4} << 30) + 70000, size - 5};
    int fd = ::open(P("huge").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(0, ::ftruncate(fd, size));
    for (off_t off : marks)
        ASSERT_EQ(5, ::pwrite(fd, "MARK!", 5, off));
    ::close(fd);
    WriteFile(P("dense"), RandomBytes((3 << 20) + 17, 3));

    // Within the file system (copy_file_range) and to another one, where
    // the buffered loop does the work.
    Strings targets = {D("out")};
    const std::string other = OtherFileSystem();
    if (!other.empty())
        targets.push_back(other);
    for (const auto& dst : targets) {
        SCOPED_TRACE(dst);
        struct rusage before, after;
        ::getrusage(RUSAGE_SELF, &before);
        MakeDirs(dst);
        ASSERT_EQ(0, Run(OP_COPY, {P("huge"), P("dense")}, dst));
        ::getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);  // KiB
        EXPECT_EQ(ReadFile(P("dense")), ReadFile(dst + "dense"));
        struct stat st;
        ASSERT_EQ(0, ::stat((dst + "huge").c_str(), &st));
        EXPECT_EQ(size, st.st_size);
        EXPECT_LT(st.st_blocks * 512, off_t{64} << 20);  // holes stay holes
        fd = ::open((dst + "huge").c_str(), O_RDONLY);
        for (off_t off : marks) {
            char buf[5] = {};
            EXPECT_EQ(5, ::pread(fd, buf, 5, off));
            EXPECT_EQ(0, std::memcmp(buf, "MARK!", 5)) << "at " << off;
        }
        ::close(fd);
    }
    EXPECT_TRUE(ui.boxes.empty());
    if (!other.empty())
        std::filesystem::remove_all(other);
}

TEST_F(FileOpTest, PathsBeyondTheLimitAreSkippedWithAnError) {
    // src/<200 x a>/... deeper than 2047 bytes, with a file at every level.
    const std::string part(200, 'a');
    MakeDirs(P("src"));
    int fd = ::open(P("src").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 11; ++i) {
        ASSERT_EQ(0, ::mkdirat(fd, part.c_str(), 0755));
        int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ::close(::openat(fd, "f", O_WRONLY | O_CREAT, 0644));
    }
    ::close(fd);
    EXPECT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));
    ASSERT_GE(ui.boxes.size(), 1u);
    for (const auto& box : ui.boxes)
        EXPECT_NE(std::string::npos, box.text.find("cause:File name too long")) << box.text;
    EXPECT_TRUE(Exists(P("dst/") + part + "/" + part + "/f"));  // what fits was copied

    // Deleting reports the same and keeps what it cannot reach.
    ui.boxes.clear();
    ui.defaultDeleteAnswer = RESULT_YES_ALL;
    EXPECT_EQ(RESULT_YES, Run(OP_DELETE, {D("src")}));
    EXPECT_GE(ui.CountBoxes("cause:File name too long"), 1);
    EXPECT_TRUE(Exists(P("src/") + part));
}

// ------------------------------------------------------------------- move

TEST_F(FileOpTest, MovesByRenameAndReplacesExistingFiles) {
    MakeFiles(P("tree/sub"), 1);
    WriteFile(P("file"), "new", 0604);
    ::symlink("file", P("link").c_str());
    Make({"dst/", "dst/file=old"});
    ASSERT_EQ(0, Run(OP_MOVE, {D("tree"), P("file"), P("link")}, D("dst")));
    EXPECT_EQ(0, ui.CountBoxes());  // dst/tree settled the overwrite question
    EXPECT_EQ("x", ReadFile(P("dst/tree/sub/f0")));
    EXPECT_EQ("new", ReadFile(P("dst/file")));
    EXPECT_EQ(0604u, ModeOf(P("dst/file")) & 07777);
    EXPECT_TRUE(S_ISLNK(ModeOf(P("dst/link"))));
    EXPECT_EQ((Strings{"dst"}), Names(tmp.path()));
}

TEST_F(FileOpTest, MoveMergesIntoAnExistingDirectory) {
    Make({"src/d/inner/", "src/d/same=new", "src/d/inner/x=x", "dst/d/inner/", "dst/d/same=old",
          "dst/d/mine=mine"});
    ::chmod(P("src/d").c_str(), 0701);
    scope.table.ConfilmOverwrite = 0;
    EXPECT_EQ(0, Run(OP_MOVE, {D("src/d")}, D("dst")));
    EXPECT_EQ((Strings{"inner", "mine", "same"}), Names(P("dst/d")));
    EXPECT_EQ("new", ReadFile(P("dst/d/same")));
    EXPECT_EQ("x", ReadFile(P("dst/d/inner/x")));
    EXPECT_EQ(0701u, ModeOf(P("dst/d")) & 07777);
    EXPECT_TRUE(Names(P("src")).empty());
    EXPECT_TRUE(ui.boxes.empty());

    // An entry that cannot replace its target (a full directory) is skipped,
    // and with it the rest of that directory stays in the source.
    MakeFiles(P("src/e"), 1);
    MakeFiles(P("dst/e/f0"), 1);
    ui.Answer(RESULT_YES);
    EXPECT_EQ(RESULT_YES, Run(OP_MOVE, {D("src/e")}, D("dst")));
    EXPECT_EQ("Cannot delete file " + P("dst/e/f0") + "\ncause:Directory not empty", ui.LastText());
    EXPECT_EQ((Strings{"f0"}), Names(P("src/e")));

    // An entry skipped after an error box leaves the source directory in
    // place without a further error: here its name no longer fits the limit.
    std::string deep = P("deep");
    while (deep.size() < 1700)
        deep += "/" + std::string(200, 'q');
    MakeDirs(deep + "/g");
    Make({"src/g/", "src/g/a=a"});
    WriteFile(P("src/g/") + std::string(255, 'n'), "y");
    ui.boxes.clear();
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_MOVE, {D("src/g")}, deep + "/"));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_NE(std::string::npos, ui.boxes[0].text.find("cause:File name too long"));
    EXPECT_EQ("a", ReadFile(deep + "/g/a"));
    EXPECT_EQ((Strings{std::string(255, 'n')}), Names(P("src/g")));
}

TEST_F(FileOpTest, MoveToAnotherFileSystemIsReportedAndTouchesNothing) {
    const std::string dir = OtherFileSystem();
    if (dir.empty())
        GTEST_SKIP() << "no second file system";
    MakeDirs(dir);
    WriteFile(dir + "s", "old");
    Make({"s=new", "tree/"});
    scope.table.ConfilmOverwrite = 0;
    ui.Answer(RESULT_YES).Answer(RESULT_NO);  // Skip, then Cancel
    EXPECT_EQ(RESULT_NO, Run(OP_MOVE, {P("s"), D("tree")}, dir));
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Cannot move file " + dir + "s\ncause:Invalid cross-device link", ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("old", ReadFile(dir + "s"));
    EXPECT_EQ("new", ReadFile(P("s")));
    EXPECT_TRUE(Exists(P("tree")));
    EXPECT_EQ((Strings{"s"}), Names(dir));
    std::filesystem::remove_all(dir);
}

// ----------------------------------------------------------------- delete

TEST_F(FileOpTest, DeleteQuestionCoversOneItemOrTheRest) {
    for (auto d : {"a", "b", "c", "e", "f"})
        MakeFiles(P(d) + "/sub", 1);
    Make({"emptydir/", "real/", "real/keep=k"});
    ::symlink(P("real").c_str(), P("l1").c_str());
    ::symlink(P("real").c_str(), P("l2").c_str());
    // No question for an empty directory or inside an answered one; links
    // go as links, also when handed over with a "/".
    ui.AnswerDelete(RESULT_YES).AnswerDelete(RESULT_NO).AnswerDelete(RESULT_YES_ALL);
    EXPECT_EQ(
        0, Run(OP_DELETE, {D("a"), D("emptydir"), D("b"), D("c"), D("e"), P("l1"), P("l2") + "/"}));
    ASSERT_EQ(3u, ui.boxes.size());  // a, b, c; e is covered by Yes-all
    EXPECT_TRUE(ui.boxes[0].deleteQuestion);
    EXPECT_EQ(D("a"), ui.boxes[0].text);
    EXPECT_EQ((Strings{"b", "f", "real"}), Names(tmp.path()));
    EXPECT_EQ("k", ReadFile(P("real/keep")));
    // No leaves that directory; Cancel stops the whole delete.
    ui.AnswerDelete(RESULT_CANCEL);
    EXPECT_EQ(RESULT_NO, Run(OP_DELETE, {D("f"), P("real/keep")}));
    EXPECT_TRUE(Exists(P("f/sub/f0")));
    EXPECT_TRUE(Exists(P("real/keep")));
}

TEST_F(FileOpTest, NamesThatCannotGoAreSkippedWithTheirAncestorsKept) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the tree over";
    // The ordinary user owns the tree except one directory, whose file it
    // cannot remove, and one it cannot list.
    MakeFiles(P("t/own/deep"), 1);
    MakeFiles(P("t/locked"), 1);
    MakeFiles(P("t/closed"), 1);
    WriteFile(P("t/top"), "t");
    GiveAway(P("t"));
    ASSERT_EQ(0, ::chown(P("t/locked").c_str(), 0, 0));
    ::chmod(P("t/closed").c_str(), 0300);
    EXPECT_EQ("", InChild(
                      [&]() -> std::string {
                          ui.defaultMessageAnswer = RESULT_YES;  // Skip
                          ui.defaultDeleteAnswer = RESULT_YES_ALL;
                          std::string r;
                          if (Run(OP_DELETE, {D("t")}) != RESULT_YES)
                              r += "result;";
                          if (ui.CountBoxes("Cannot delete file " + P("t/locked/f0") +
                                            "\ncause:Permission denied") != 1 ||
                              ui.CountBoxes("Cannot delete file " + P("t/closed") +
                                            "\ncause:Permission denied") != 1 ||
                              ui.CountBoxes() != 2)
                              r += "boxes;";
                          if (Names(P("t")) != Strings{"closed", "locked"})
                              r += "not pruned;";
                          ui.Answer(RESULT_NO);  // Cancel
                          if (Run(OP_DELETE, {D("t")}) != RESULT_NO)
                              r += "cancel lost;";
                          return r;
                      },
                      true));
}

TEST_F(FileOpTest, ReadOnlyTreesCanBeCopiedByAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the tree over";
    MakeFiles(P("src/ro/sub"), 1);
    MakeFiles(P("src/closed"), 1);
    Make({"src/ro/f=f", "dst/"});
    GiveAway(P("src"));
    GiveAway(P("dst"));
    ::chmod(P("src/ro/sub").c_str(), 0555);
    ::chmod(P("src/ro").c_str(), 0555);
    ::chmod(P("src/closed").c_str(), 0300);
    EXPECT_EQ("", InChild(
                      [&]() -> std::string {
                          ui.Answer(RESULT_YES);  // Skip the directory it cannot list
                          std::string r;
                          if (Run(OP_COPY, {D("src/ro"), D("src/closed")}, D("dst")) != 0)
                              r += "result;";
                          if (ui.LastText() !=
                              "Cannot copy file " + P("src/closed/") + "\ncause:Permission denied")
                              r += "box: " + ui.LastText() + ";";
                          if (ReadFile(P("dst/ro/f")) != "f" || !Exists(P("dst/ro/sub/f0")))
                              r += "contents;";
                          if ((ModeOf(P("dst/ro")) & 07777) != 0555 ||
                              (ModeOf(P("dst/ro/sub")) & 07777) != 0555)
                              r += "modes;";
                          return r;
                      },
                      true));
}

// ------------------------------------------------------ directory chains

TEST_F(FileOpTest, DirectoryChains) {
    MakeDirs(P("real"));
    ::symlink(P("real").c_str(), P("via").c_str());
    EXPECT_EQ(0, CreateDirectoryEx(P("via/a/b/")));
    EXPECT_TRUE(S_ISLNK(ModeOf(P("via"))));  // a way to a directory, not in the way
    EXPECT_TRUE(S_ISDIR(ModeOf(P("real/a/b"))));
    EXPECT_EQ(0, CreateDirectoryEx(P("x/y")));  // only what is followed by "/"
    EXPECT_TRUE(Exists(P("x")));
    EXPECT_FALSE(Exists(P("x/y")));
    WriteFile(P("x/file"), "");  // the directory asked for replaces a file
    EXPECT_EQ(0, CreateDirectoryEx(P("x/file/")));
    EXPECT_TRUE(S_ISDIR(ModeOf(P("x/file"))));
    const std::string wide = "\xe3\x81\x82";  // one three-byte character
    EXPECT_EQ(0, CreateDirectoryEx(P(wide + "/" + wide + "/")));
    EXPECT_TRUE(S_ISDIR(ModeOf(P(wide + "/" + wide))));
    EXPECT_TRUE(ui.boxes.empty());
}

// --------------------------------------------------------------- progress

TEST_F(FileOpTest, ProgressCountsFilesAndStepsOncePerFile) {
    MakeFiles(P("t/a/b"), 2);
    MakeDirs(P("t/empty"));
    ::symlink("a", P("t/dirlink").c_str());
    WriteFile(P("one"), "");
    scope.table.ProgressCancel = 1;
    SetupProgress({D("t"), P("one")}, OP_COPY);
    EXPECT_EQ((std::vector<int>{OP_COPY}), ui.createdKinds);
    EXPECT_EQ(4, scope.table.ProgressTotal);  // directories count nothing
    EXPECT_EQ(0, scope.table.ProgressCancel);
    DestroyProgress();

    MakeDirs(P("dst"));
    ui.fractions.clear();
    ASSERT_EQ(0, Run(OP_COPY, {D("t"), P("one")}, D("dst")));
    EXPECT_EQ((std::vector<double>{0.25, 0.5, 0.75, 1.0}), ui.fractions);
    EXPECT_EQ(2, ui.destroyCount);
    // A directory moved by one rename steps once; the end closes the window.
    ui.fractions.clear();
    ASSERT_EQ(0, Run(OP_MOVE, {D("t/a")}, D("dst")));
    EXPECT_EQ((std::vector<double>{0.5, 1.0}), ui.fractions);
    // Nothing counted: the first step, or the end, closes it.
    ui.fractions.clear();
    ASSERT_EQ(0, Run(OP_COPY, {D("t/empty")}, D("dst")));
    EXPECT_EQ((std::vector<double>{1.0}), ui.fractions);
    EXPECT_FALSE(ProgressWindowOpen());
}

TEST_F(FileOpTest, CancelStopsAfterTheCurrentFileAndIsReportedOnce) {
    MakeFiles(P("src/a"), 3);
    MakeFiles(P("src/b"), 3);
    MakeDirs(P("dst"));
    ui.cancelAtStep = 2;
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {D("src/a"), D("src/b")}, D("dst")));
    EXPECT_EQ(2u, ui.fractions.size());
    EXPECT_EQ(2u, Names(P("dst/a")).size());  // what was copied stays
    EXPECT_FALSE(Exists(P("dst/b")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(1, ui.destroyCount);
    EXPECT_EQ(0, UpdateProgress());  // the window is gone: nothing more to report

    // The button handler's flag in the table counts too, also for a delete.
    ui = rmgtest::FakeUi();
    ui.onStep = [&](int) { scope.table.ProgressCancel = 1; };
    ui.defaultDeleteAnswer = RESULT_YES_ALL;
    EXPECT_EQ(RESULT_NO, Run(OP_DELETE, {D("src/b")}));
    EXPECT_EQ(2u, Names(P("src/b")).size());

    // A cancel noticed while an error is skipped is not lost.
    ui = rmgtest::FakeUi();
    ui.cancelAtStep = 1;
    WriteFile(P("plain"), "");
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {P("src/a/f0"), P("src/a/f1")}, P("plain/x")));
    EXPECT_EQ(1u, ui.boxes.size());
}

TEST_F(FileOpTest, BigFileKeepsTheWindowAliveWithoutMovingTheBar) {
    WriteFile(P("big"), std::string(70 << 20, 'b'));
    ASSERT_EQ(0, Run(OP_COPY, {P("big")}, P("copy")));
    EXPECT_EQ((std::vector<double>{0.0, 0.0, 1.0}), ui.fractions);
    EXPECT_EQ(std::string(70 << 20, 'b'), ReadFile(P("copy")));
}

TEST_F(FileOpTest, WithoutProgressNothingIsCountedOrCancelled) {
    MakeFiles(P("src"), 3);
    MakeDirs(P("dst"));
    ui.cancelled = true;
    scope.table.ShowProgress = 0;
    EXPECT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));
    EXPECT_TRUE(ui.createdKinds.empty());
    EXPECT_EQ(0, scope.table.ProgressCount);
    // A window that cannot be built: the operation runs without it.
    scope.table.ShowProgress = 1;
    ui.createOk = false;
    EXPECT_EQ(0, Run(OP_COPY, {D("src")}, D("dst2")));
    EXPECT_EQ(3u, Names(P("dst2")).size());
    EXPECT_TRUE(ui.fractions.empty());
}

}  // namespace

// The file operation engine on temporary trees, with the user's answers
// given by script.
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

mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(0, ::lstat(path.c_str(), &st)) << path;
    return st.st_mode;
}

std::string LinkText(const std::string& path) {
    char buf[4096];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

// Names in a directory, sorted.
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

class FileOpTest : public ::testing::Test {
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

    // One whole operation the way the File commands run it.
    int Run(int kind, const std::vector<std::string>& items, const std::string& dst = {}) {
        int decided = 0;
        int answer = RESULT_NO;
        int result = 0;
        SetupProgress(items, kind);
        for (const auto& item : items) {
            if (kind == OP_COPY)
                result = CopyFile(dst, item, &decided);
            else if (kind == OP_MOVE)
                result = MoveFile(dst, item, &decided);
            else
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

    void MakeSampleTree() {
        MakeDirs(P("src/sub/deeper"));
        MakeDirs(P("src/empty"));
        WriteFile(P("src/a.txt"), "alpha", 0640);
        WriteFile(P("src/sub/b.sh"), "#!/bin/sh\n", 0755);
        WriteFile(P("src/sub/deeper/c"), RandomBytes(300000, 1), 0600);
        ::symlink("sub/b.sh", P("src/link").c_str());
        ::symlink("/nonexistent/target", P("src/broken").c_str());
        ::chmod(P("src/sub").c_str(), 0750);
    }

    rmgtest::TableScope scope;
    rmgtest::FakeUi ui;
    testutil::TempDir tmp;
};

// ---------------------------------------------------------------- targets

TEST_F(FileOpTest, TargetIsInsideAnExistingDirectoryElseTheNameItself) {
    MakeDirs(P("dst"));
    WriteFile(P("file"), "x");
    EXPECT_EQ(P("dst/f"), ProofDstPath(D("dst"), "/any/f"));
    EXPECT_EQ(P("dst/f"), ProofDstPath(P("dst"), "/any/f"));
    EXPECT_EQ(P("dst/sub"), ProofDstPath(P("dst"), "/any/sub/"));
    EXPECT_EQ(P("new"), ProofDstPath(D("new"), "/any/sub/"));
    // An existing file, or a link to a directory, is the target itself.
    EXPECT_EQ(P("file"), ProofDstPath(P("file"), "/any/f"));
    ::symlink(P("dst").c_str(), P("dirlink").c_str());
    EXPECT_EQ(P("dirlink"), ProofDstPath(P("dirlink"), "/any/f"));
}

TEST_F(FileOpTest, SameAndSubDirectoryChecks) {
    MakeDirs(P("a/b"));
    MakeDirs(P("ab"));
    const mode_t dir = S_IFDIR | 0755;
    EXPECT_EQ(RESULT_NO, CheckSrcSubDirectory(P("a"), D("a"), dir));
    EXPECT_TRUE(ui.boxes.empty());  // the same path is passed over quietly
    EXPECT_EQ(RESULT_NO, CheckSrcSubDirectory(P("a/b/a"), D("a"), dir));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Error", ui.boxes[0].title);
    EXPECT_EQ("Cannot move to a sub directory.", ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    // A sibling whose name merely begins with the source's is fine.
    EXPECT_EQ(0, CheckSrcSubDirectory(P("ab/a"), D("a"), dir));
    // A file below a same-named directory prefix is no concern for files.
    EXPECT_EQ(0, CheckSrcSubDirectory(P("a/b/x"), P("a"), S_IFREG | 0644));
}

// ------------------------------------------------------------------- copy

TEST_F(FileOpTest, CopiesATreeWithLinksAndPermissionBits) {
    MakeSampleTree();
    MakeDirs(P("dst"));
    ASSERT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));

    EXPECT_EQ("alpha", ReadFile(P("dst/src/a.txt")));
    EXPECT_EQ(ReadFile(P("src/sub/deeper/c")), ReadFile(P("dst/src/sub/deeper/c")));
    EXPECT_EQ(0640u, ModeOf(P("dst/src/a.txt")) & 07777);
    EXPECT_EQ(0755u, ModeOf(P("dst/src/sub/b.sh")) & 07777);
    EXPECT_EQ(0600u, ModeOf(P("dst/src/sub/deeper/c")) & 07777);
    EXPECT_EQ(0750u, ModeOf(P("dst/src/sub")) & 07777);
    EXPECT_TRUE(S_ISDIR(ModeOf(P("dst/src/empty"))));
    // Links are copied as links with the same text, broken ones too.
    EXPECT_TRUE(S_ISLNK(ModeOf(P("dst/src/link"))));
    EXPECT_EQ("sub/b.sh", LinkText(P("dst/src/link")));
    EXPECT_EQ("/nonexistent/target", LinkText(P("dst/src/broken")));
    // Nothing left over from building the copies.
    EXPECT_EQ((std::vector<std::string>{"b.sh", "deeper"}), Names(P("dst/src/sub")));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "broken", "empty", "link", "sub"}),
              Names(P("dst/src")));
    EXPECT_TRUE(ui.boxes.empty());
    // The source is untouched.
    EXPECT_EQ("alpha", ReadFile(P("src/a.txt")));
}

TEST_F(FileOpTest, LinkToDirectoryIsCopiedAsALinkNotItsContents) {
    MakeDirs(P("real"));
    WriteFile(P("real/inside"), "x");
    ::symlink(P("real").c_str(), P("dirlink").c_str());
    MakeDirs(P("dst"));
    // Also when the caller hands it over with a trailing "/".
    EXPECT_EQ(0, Run(OP_COPY, {P("dirlink") + "/"}, D("dst")));
    EXPECT_TRUE(S_ISLNK(ModeOf(P("dst/dirlink"))));
    EXPECT_EQ(P("real"), LinkText(P("dst/dirlink")));
}

TEST_F(FileOpTest, TimesAreThoseOfANewFile) {
    WriteFile(P("old"), "x");
    struct timespec times[2] = {{1000000, 0}, {1000000, 0}};
    ::utimensat(AT_FDCWD, P("old").c_str(), times, AT_SYMLINK_NOFOLLOW);
    int decided = 0;
    ASSERT_EQ(0, CopyFile(P("new"), P("old"), &decided));
    struct stat st;
    ::lstat(P("new").c_str(), &st);
    EXPECT_GT(st.st_mtime, 1000000);
}

TEST_F(FileOpTest, CopyingOntoItselfDoesNothingButCounts) {
    // Also when the destination is spelt differently.
    WriteFile(P("g"), "same");
    int decided = 0;
    EXPECT_EQ(0, CopyFile(tmp.path() + "//", P("g"), &decided));
    EXPECT_EQ(0, CopyFile(tmp.path() + "/./g", P("g"), &decided));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("same", ReadFile(P("g")));
    std::filesystem::remove(P("g"));

    WriteFile(P("f"), "keep");
    MakeDirs(P("d"));
    WriteFile(P("d/g"), "g");
    ASSERT_EQ(0, Run(OP_COPY, {P("f"), D("d")}, tmp.path() + "/"));
    EXPECT_EQ("keep", ReadFile(P("f")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ((std::vector<std::string>{"d", "f"}), Names(tmp.path()));
    EXPECT_EQ((std::vector<std::string>{"g"}), Names(P("d")));
    // Two items counted, both steps shown, the window closed at 1.0.
    EXPECT_EQ((std::vector<double>{0.5, 1.0}), ui.fractions);
    EXPECT_FALSE(ui.windowOpen);
}

TEST_F(FileOpTest, CopyIntoItselfIsRefusedAndTouchesNothing) {
    MakeDirs(P("a/b"));
    WriteFile(P("a/f"), "x");
    MakeDirs(P("ab"));
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("a/b")));
    EXPECT_EQ(1, ui.CountBoxes("Cannot move to a sub directory."));
    EXPECT_EQ((std::vector<std::string>{"b", "f"}), Names(P("a")));
    EXPECT_TRUE(Names(P("a/b")).empty());
    // Into itself directly, too.
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, P("a")));
    EXPECT_EQ(2, ui.CountBoxes("Cannot move to a sub directory."));
    // The very same string as destination is passed over quietly.
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("a")));
    // A sibling with a longer name is no sub-directory.
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("ab")));
    EXPECT_EQ("x", ReadFile(P("ab/a/f")));
    EXPECT_EQ(2, ui.CountBoxes());
}

TEST_F(FileOpTest, CopyThroughALinkIntoTheSourceIsRefused) {
    // Without this the copy would keep finding its own output and recurse
    // until the paths got too long.
    MakeDirs(P("a/inner"));
    WriteFile(P("a/f"), "x");
    ::symlink(P("a/inner").c_str(), P("way").c_str());
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("way")));
    EXPECT_EQ(1, ui.CountBoxes("Cannot move to a sub directory."));
    EXPECT_TRUE(Names(P("a/inner")).empty());
    // The source's own name reached through a link is the same path.
    ::symlink(tmp.path().c_str(), P("top").c_str());
    EXPECT_EQ(0, Run(OP_COPY, {D("a")}, D("top")));
    EXPECT_EQ(1, ui.CountBoxes());
    EXPECT_EQ((std::vector<std::string>{"f", "inner"}), Names(P("a")));
}

TEST_F(FileOpTest, MissingSourceIsReportedAndCounted) {
    MakeDirs(P("dst"));
    WriteFile(P("there"), "x");
    EXPECT_EQ(0, Run(OP_COPY, {P("gone"), P("there")}, D("dst")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(P("gone") + " does not exist.", ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("x", ReadFile(P("dst/there")));
    EXPECT_EQ((std::vector<double>{0.5, 1.0}), ui.fractions);
}

TEST_F(FileOpTest, MissingArgumentsGiveMinusOne) {
    int decided = 0;
    EXPECT_EQ(-1, CopyFile("", P("x"), &decided));
    EXPECT_EQ(-1, CopyFile(P("x"), "", &decided));
    EXPECT_EQ(-1, MoveFile(P("x"), "", &decided));
    EXPECT_EQ(-1, RemoveFile("", &decided));
    EXPECT_EQ(-1, CreateDirectoryEx(""));
    EXPECT_TRUE(ui.boxes.empty());
}

// -------------------------------------------------------------- overwrite

TEST_F(FileOpTest, OverwriteQuestionOnlyUntilOneItemGotThrough) {
    for (auto n : {"1", "2", "3"})
        WriteFile(P(std::string("s") + n), n);
    MakeDirs(P("dst"));
    WriteFile(P("dst/s2"), "old");
    // The first item has no conflict and settles the matter.
    EXPECT_EQ(0, Run(OP_COPY, {P("s1"), P("s2"), P("s3")}, D("dst")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("2", ReadFile(P("dst/s2")));
}

TEST_F(FileOpTest, OverwriteDeclinedAsksAgainForTheNextConflict) {
    for (auto n : {"1", "2", "3"})
        WriteFile(P(std::string("s") + n), n);
    MakeDirs(P("dst"));
    for (auto n : {"1", "2", "3"})
        WriteFile(P(std::string("dst/s") + n), "old");
    ui.Answer(RESULT_NO).Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_COPY, {P("s1"), P("s2"), P("s3")}, D("dst")));
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Confirmation", ui.boxes[0].title);
    EXPECT_EQ(P("dst/s1") + " already exists.\nDoes it overwrite?", ui.boxes[0].text);
    EXPECT_EQ(MB_YESNO | MB_ICON_QUESTION, ui.boxes[0].style);
    EXPECT_EQ(P("dst/s2") + " already exists.\nDoes it overwrite?", ui.boxes[1].text);
    // No kept the first, Yes replaced the second and silenced the third.
    EXPECT_EQ("old", ReadFile(P("dst/s1")));
    EXPECT_EQ("2", ReadFile(P("dst/s2")));
    EXPECT_EQ("3", ReadFile(P("dst/s3")));
}

TEST_F(FileOpTest, OverwriteNotAskedWhenTheSettingIsOff) {
    scope.table.ConfilmOverwrite = 0;
    WriteFile(P("s"), "new");
    WriteFile(P("t"), "old");
    int decided = 0;
    EXPECT_EQ(0, CopyFile(P("t"), P("s"), &decided));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ("new", ReadFile(P("t")));
    EXPECT_EQ(1, decided);
}

TEST_F(FileOpTest, DirectoryCopyMergesIntoAnExistingOneWithoutAskingInside) {
    MakeSampleTree();
    MakeDirs(P("dst/src/sub"));
    WriteFile(P("dst/src/a.txt"), "old");
    WriteFile(P("dst/src/keep"), "mine");
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));
    ASSERT_EQ(1u, ui.boxes.size());  // about dst/src only
    EXPECT_EQ(P("dst/src") + " already exists.\nDoes it overwrite?", ui.boxes[0].text);
    EXPECT_EQ("alpha", ReadFile(P("dst/src/a.txt")));
    EXPECT_EQ("mine", ReadFile(P("dst/src/keep")));
    EXPECT_EQ("#!/bin/sh\n", ReadFile(P("dst/src/sub/b.sh")));
}

TEST_F(FileOpTest, ReplacingALinkWritesANewFileNotThroughTheLink) {
    WriteFile(P("victim"), "untouched");
    ::symlink(P("victim").c_str(), P("t").c_str());
    WriteFile(P("s"), "new");
    int decided = 1;
    EXPECT_EQ(0, CopyFile(P("t"), P("s"), &decided));
    EXPECT_TRUE(S_ISREG(ModeOf(P("t"))));
    EXPECT_EQ("new", ReadFile(P("t")));
    EXPECT_EQ("untouched", ReadFile(P("victim")));
}

TEST_F(FileOpTest, FileReplacesAnEmptyDirectoryButNotAFullOne) {
    WriteFile(P("s"), "new");
    MakeDirs(P("dst/s"));
    int decided = 1;
    EXPECT_EQ(0, CopyFile(D("dst"), P("s"), &decided));
    EXPECT_EQ("new", ReadFile(P("dst/s")));

    MakeDirs(P("full/s"));
    WriteFile(P("full/s/x"), "x");
    ui.Answer(RESULT_YES);  // Skip in the delete error box
    EXPECT_EQ(RESULT_YES, CopyFile(D("full"), P("s"), &decided));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot delete file " + P("full/s") + "\ncause:Directory not empty",
              ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("x", ReadFile(P("full/s/x")));
    EXPECT_EQ((std::vector<std::string>{"s"}), Names(P("full")));
}

// ---------------------------------------------------------- special files

TEST_F(FileOpTest, PipesAndDevicesBecomeEmptyFilesWithoutBlocking) {
    ASSERT_EQ(0, ::mkfifo(P("pipe").c_str(), 0620));
    ASSERT_EQ(0, ::mknod(P("dev").c_str(), S_IFCHR | 0640, makedev(1, 3)));
    ::chmod(P("pipe").c_str(), 0620);
    MakeDirs(P("dst"));
    EXPECT_EQ(0, Run(OP_COPY, {P("pipe"), P("dev")}, D("dst")));
    EXPECT_TRUE(S_ISREG(ModeOf(P("dst/pipe"))));
    EXPECT_EQ(0620u, ModeOf(P("dst/pipe")) & 07777);
    EXPECT_EQ("", ReadFile(P("dst/pipe")));
    EXPECT_TRUE(S_ISREG(ModeOf(P("dst/dev"))));
    EXPECT_EQ(0640u, ModeOf(P("dst/dev")) & 07777);
}

TEST_F(FileOpTest, PseudoFilesWithoutASizeAreCopiedByContent) {
    int decided = 0;
    EXPECT_EQ(0, CopyFile(P("status"), "/proc/self/status", &decided));
    EXPECT_NE(std::string::npos, ReadFile(P("status")).find("Name:"));
}

// ----------------------------------------------------------------- errors

TEST_F(FileOpTest, TargetUnderARegularFileIsReportedWithSkipOrCancel) {
    WriteFile(P("plain"), "x");
    WriteFile(P("s1"), "1");
    WriteFile(P("s2"), "2");
    ui.Answer(RESULT_YES);  // Skip
    EXPECT_EQ(0, Run(OP_COPY, {P("s1"), P("s2")}, P("plain/sub")));
    ASSERT_EQ(2u, ui.boxes.size());
    EXPECT_EQ("Error", ui.boxes[0].title);
    EXPECT_EQ("Cannot copy file " + P("plain/sub") + "\ncause:Not a directory", ui.boxes[0].text);
    EXPECT_EQ(MB_SKIPCANCEL | MB_ICON_STOP, ui.boxes[0].style);

    ui.boxes.clear();
    ui.Answer(RESULT_NO);  // Cancel stops the operation at the first item
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {P("s1"), P("s2")}, P("plain/sub")));
    EXPECT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("x", ReadFile(P("plain")));
}

TEST_F(FileOpTest, DirectoryThatCannotBeCreatedStopsTheOperation) {
    WriteFile(P("plain"), "x");
    MakeDirs(P("d"));
    WriteFile(P("d/f"), "f");
    EXPECT_EQ(RESULT_NO, Run(OP_COPY, {D("d"), P("d/f")}, P("plain/x/")));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot create directory " + P("plain") + "\ncause:Not a directory",
              ui.boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICON_STOP, ui.boxes[0].style);
    EXPECT_EQ("x", ReadFile(P("plain")));
}

TEST_F(FileOpTest, UnreadableSourceLeavesTheOldTargetAndNoPartialFile) {
    // Reading this file fails at once with an I/O error, even for root.
    WriteFile(P("t"), "precious");
    int decided = 1;
    ui.Answer(RESULT_YES);
    EXPECT_EQ(0, CopyFile(P("t"), "/proc/self/mem", &decided));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Cannot copy file /proc/self/mem\ncause:Input/output error", ui.boxes[0].text);
    EXPECT_EQ("precious", ReadFile(P("t")));
    EXPECT_EQ((std::vector<std::string>{"t"}), Names(tmp.path()));
}

TEST_F(FileOpTest, FullDiskLeavesTheOldTargetAndNoPartialFile) {
    if (!testutil::CanUnshareMounts())
        GTEST_SKIP() << "no private mount namespaces here";
    WriteFile(P("big"), RandomBytes(3 << 20, 2));
    MakeDirs(P("mnt"));
    // A one-megabyte file system in a private mount namespace.
    std::string report = [&]() -> std::string {
        int fds[2];
        if (::pipe(fds) != 0)
            return "pipe";
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            std::string r;
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", P("mnt").c_str(), "tmpfs", 0, "size=1m") != 0) {
                r = "cannot mount";
            } else {
                WriteFile(P("mnt/big"), "precious");
                int decided = 1;
                ui.Answer(RESULT_YES);
                int result = CopyFile(D("mnt"), P("big"), &decided);
                if (result != 0)
                    r += "result " + std::to_string(result) + ";";
                if (ui.LastText() !=
                    "Cannot copy file " + P("mnt/big") + "\ncause:No space left on device")
                    r += "box: " + ui.LastText() + ";";
                if (ReadFile(P("mnt/big")) != "precious")
                    r += "old target lost;";
                if (Names(P("mnt")) != std::vector<std::string>{"big"})
                    r += "leftovers;";
            }
            if (::write(fds[1], r.data(), r.size()) < 0)
                _exit(2);
            _exit(0);
        }
        ::close(fds[1]);
        std::string r;
        char buf[256];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            r.append(buf, n);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return r;
    }();
    EXPECT_EQ("", report);
}

TEST_F(FileOpTest, PathsBeyondTheLimitAreSkippedWithAnError) {
    // src/<200 x a>/<200 x a>/... deeper than 2047 bytes in all.
    const std::string part(200, 'a');
    std::string deep = P("src");
    MakeDirs(deep);
    int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 11; ++i) {
        ASSERT_EQ(0, ::mkdirat(fd, part.c_str(), 0755));
        int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        int f = ::openat(fd, "f", O_WRONLY | O_CREAT, 0644);
        ::close(f);
    }
    ::close(fd);
    ui.defaultMessageAnswer = RESULT_YES;  // Skip
    EXPECT_EQ(0, Run(OP_COPY, {D("src")}, D("dst")));
    ASSERT_GE(ui.boxes.size(), 1u);
    for (const auto& box : ui.boxes)
        EXPECT_NE(std::string::npos, box.text.find("cause:File name too long")) << box.text;
    // What fits was copied.
    EXPECT_TRUE(Exists(P("dst/") + part + "/" + part + "/f"));

    // Deleting the source tree reports the same, and keeps what it cannot reach.
    ui.boxes.clear();
    ui.defaultDeleteAnswer = RESULT_YES_ALL;
    EXPECT_EQ(RESULT_YES, Run(OP_DELETE, {D("src")}));
    EXPECT_GE(ui.CountBoxes("cause:File name too long"), 1);
    EXPECT_TRUE(Exists(P("src/") + part));
}

// ------------------------------------------------ large files and memory

class LargeFileTest : public FileOpTest {
  protected:
    static constexpr off_t kSize = (off_t{5} << 30) + 12345;  // past 4 GiB
    const std::vector<off_t> offsets = {0, (off_t{2} << 30) - 3, off_t{4} << 30,
                                        (off_t{4} << 30) + 70000, kSize - 5};

    void MakeSparse(const std::string& path) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ::ftruncate(fd, kSize));
        for (off_t off : offsets)
            ASSERT_EQ(5, ::pwrite(fd, "MARK!", 5, off));
        ::close(fd);
    }

    void ExpectSame(const std::string& path) {
        struct stat st;
        ASSERT_EQ(0, ::stat(path.c_str(), &st));
        EXPECT_EQ(kSize, st.st_size);
        // Holes stay holes: far less than the size is allocated.
        EXPECT_LT(st.st_blocks * 512, off_t{64} << 20);
        int fd = ::open(path.c_str(), O_RDONLY);
        for (off_t off : offsets) {
            char buf[5] = {};
            EXPECT_EQ(5, ::pread(fd, buf, 5, off));
            EXPECT_EQ(0, std::memcmp(buf, "MARK!", 5)) << "at " << off;
        }
        char buf[8] = {1};
        EXPECT_EQ(8, ::pread(fd, buf, 8, off_t{3} << 30));
        EXPECT_EQ(std::string(8, '\0'), std::string(buf, 8));
        ::close(fd);
    }

    static long MaxRssKiB() {
        struct rusage ru;
        ::getrusage(RUSAGE_SELF, &ru);
        return ru.ru_maxrss;
    }
};

TEST_F(LargeFileTest, FileOverFourGiBIsCopiedWholeWithBoundedMemory) {
    MakeSparse(P("huge"));
    const long before = MaxRssKiB();
    int decided = 0;
    ASSERT_EQ(0, CopyFile(P("copy"), P("huge"), &decided));
    EXPECT_LT(MaxRssKiB() - before, 64 * 1024);
    ExpectSame(P("copy"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LargeFileTest, CopyToAnotherFileSystemUsesTheBufferedLoop) {
    struct stat shm;
    if (::stat("/dev/shm", &shm) != 0)
        GTEST_SKIP() << "no /dev/shm";
    MakeSparse(P("huge"));
    WriteFile(P("dense"), RandomBytes((3 << 20) + 17, 3));
    const std::string dir =
        "/dev/shm/" + std::filesystem::path(tmp.path()).filename().string() + "/";
    MakeDirs(dir);
    const long before = MaxRssKiB();
    ASSERT_EQ(0, Run(OP_COPY, {P("huge"), P("dense")}, dir));
    EXPECT_LT(MaxRssKiB() - before, 64 * 1024);
    ExpectSame(dir + "huge");
    EXPECT_EQ(ReadFile(P("dense")), ReadFile(dir + "dense"));
    std::filesystem::remove_all(dir);
}

}  // namespace

// How the engine replaces what stands at a target, stops inside a file and
// leaves nothing half-built behind; and the flushes before a replacement,
// counted through interposed system calls.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>

#include "ChildSupport.h"
#include "FileOpSupport.h"
#include "rummage/rmgfiles.h"

namespace {

// Flushes and renames in the order they happened, while `g_recording`.
bool g_recording = false;
std::string g_calls;

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    if (g_recording) {
        g_calls += "flush ";
    }
    return Next<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
    if (g_recording) {
        g_calls += "flush ";
    }
    return Next<int (*)(int)>("fdatasync")(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    if (g_recording) {
        g_calls += "rename ";
    }
    return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

namespace {

using namespace rmg;
using rmgtest::InChild;
using rmgtest::kNobody;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::ReadFile;
using testutil::WriteFile;

using rmgtest::Names;
using rmgtest::StatOf;
using rmgtest::Strings;

class FileReplaceTest : public rmgtest::FileOpFixture {
  protected:
    void SetUp() override {
        FileOpFixture::SetUp();
        scope.table.ConfilmOverwrite = 0;
    }
    void TearDown() override {
        FileOpFixture::TearDown();
        g_recording = false;
    }
    int Copy(const Strings& items, const std::string& dst) { return Run(OP_COPY, items, dst); }
};

TEST_F(FileReplaceTest, ReplacedFileKeepsWhatAWriteWouldKeep) {
    // Root: owner, group, extended attributes and other links of the old
    // file stay; the bits (set-ID and sticky too) come from the source.
    WriteFile(P("src"), "new content", 0644);
    ASSERT_EQ(0, ::chmod(P("src").c_str(), 07755));
    WriteFile(P("t"), "old", 0444);
    ASSERT_EQ(0, ::chown(P("t").c_str(), kNobody, kNobody));
    ASSERT_EQ(0, ::setxattr(P("t").c_str(), "user.note", "kept", 4, 0));
    WriteFile(P("solo"), "old", 0600);
    ASSERT_EQ(0, ::link(P("solo").c_str(), P("twin").c_str()));
    ASSERT_EQ(0, Copy({P("src")}, P("t")));
    ASSERT_EQ(0, Copy({P("src")}, P("solo")));
    EXPECT_TRUE(ui.boxes.empty()) << ui.LastText();
    EXPECT_EQ("new content", ReadFile(P("t")));
    const struct stat t = StatOf(P("t"));
    EXPECT_EQ(kNobody, t.st_uid);
    EXPECT_EQ(kNobody, t.st_gid);
    EXPECT_EQ(07755u, t.st_mode & 07777);
    char note[8] = {};
    EXPECT_EQ(4, ::getxattr(P("t").c_str(), "user.note", note, sizeof note));
    EXPECT_STREQ("kept", note);
    EXPECT_EQ("new content", ReadFile(P("twin")));
    EXPECT_EQ(2u, StatOf(P("solo")).st_nlink);
    EXPECT_EQ((Strings{"solo", "src", "t", "twin"}), Names(tmp.path()));

    // An ordinary user: a file it may not write is refused with Skip/Cancel;
    // a writable file in a directory it cannot write is rewritten in place.
    MakeDirs(P("locked"));
    WriteFile(P("locked/ro"), "old ro", 0444);
    WriteFile(P("locked/rw"), "old rw", 0644);
    ASSERT_EQ(0, ::chown(P("locked/ro").c_str(), kNobody, kNobody));
    ASSERT_EQ(0, ::chown(P("locked/rw").c_str(), kNobody, kNobody));
    ASSERT_EQ(0, ::chmod(P("src").c_str(), 0644));
    EXPECT_EQ("", InChild(
                      [&]() -> std::string {
                          std::string r;
                          if (Copy({P("src")}, P("locked/ro")) != 0) {
                              r += "ro result;";
                          }
                          if (ui.CountBoxes("Cannot copy file " + P("locked/ro") +
                                            "\ncause:Permission denied") != 1) {
                              r += "ro box: " + ui.LastText() + ";";
                          }
                          if (ui.boxes.back().style != (MB_SKIPCANCEL | MB_ICON_STOP)) {
                              r += "ro buttons;";
                          }
                          if (ReadFile(P("locked/ro")) != "old ro") {
                              r += "ro replaced;";
                          }
                          ui.boxes.clear();
                          if (Copy({P("src")}, P("locked/rw")) != 0 || !ui.boxes.empty()) {
                              r += "rw: " + ui.LastText() + ";";
                          }
                          if (ReadFile(P("locked/rw")) != "new content") {
                              r += "rw not replaced;";
                          }
                          return r;
                      },
                      true));
    EXPECT_EQ((Strings{"ro", "rw"}), Names(P("locked")));
}

TEST_F(FileReplaceTest, ContentIsFlushedBeforeItTakesTheOldName) {
    Make({"src=new", "t=old"});
    g_calls.clear();
    g_recording = true;
    ASSERT_EQ(0, Copy({P("src")}, P("t")));
    g_recording = false;
    EXPECT_EQ(0u, g_calls.find("flush rename")) << g_calls;
    EXPECT_EQ("new", ReadFile(P("t")));

    // The settings file the same way.
    scope.table.SettingsDir = tmp.path();
    ASSERT_EQ(0, SetGTable(scope.table, nullptr));
    g_calls.clear();
    g_recording = true;
    ASSERT_EQ(0, SetGTable(scope.table, nullptr));
    g_recording = false;
    EXPECT_EQ(0u, g_calls.find("flush rename")) << g_calls;
}

TEST_F(FileReplaceTest, TargetsAreReplacedNotEntered) {
    // A link to a directory where "docs" goes is replaced by the copy; its
    // directory stays as it was.  A trailing hole stays a hole.
    Make({"src/docs/", "src/docs/a=a"});
    const int fd = ::open(P("src/sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(0, ::ftruncate(fd, off_t{64} << 20));
    ::close(fd);
    Make({"dst/", "elsewhere/", "elsewhere/keep=k"});
    ASSERT_EQ(0, ::symlink(P("elsewhere").c_str(), P("dst/docs").c_str()));
    ASSERT_EQ(0, Copy({D("src/docs"), P("src/sparse")}, D("dst")));
    EXPECT_TRUE(S_ISDIR(StatOf(P("dst/docs")).st_mode));
    EXPECT_EQ("a", ReadFile(P("dst/docs/a")));
    EXPECT_EQ((Strings{"keep"}), Names(P("elsewhere")));
    const struct stat sparse = StatOf(P("dst/sparse"));
    EXPECT_EQ(off_t{64} << 20, sparse.st_size);
    EXPECT_LT(sparse.st_blocks * 512, off_t{1} << 20);
}

TEST_F(FileReplaceTest, DirectoryModeReachesOnlyTheDirectoryMade) {
    // While the copy fills "d", someone swaps it for a link to another
    // directory: the source's bits must not land there.
    Make({"src/d/", "src/d/f=f"});
    ASSERT_EQ(0, ::chmod(P("src/d").c_str(), 0700));
    MakeDirs(P("victim"));
    ASSERT_EQ(0, ::chmod(P("victim").c_str(), 0755));
    MakeDirs(P("dst"));
    ui.onStep = [&](int step) {
        if (step == 1) {
            ::rename(P("dst/d").c_str(), P("dst/moved").c_str());
            ::symlink(P("victim").c_str(), P("dst/d").c_str());
        }
    };
    EXPECT_EQ(0, Copy({D("src/d")}, D("dst")));
    EXPECT_EQ(0755u, StatOf(P("victim")).st_mode & 07777);
    EXPECT_EQ(0700u, StatOf(P("dst/moved")).st_mode & 07777);
}

TEST_F(FileReplaceTest, PathOfExactlyTheLimitIsCopied) {
    // dst/<names>/f where the whole target is 2047 bytes, then 2048.
    std::string dir = P("dst");
    MakeDirs(dir);
    while (dir.size() + 1 + 200 + 2 < kPathMax) {
        dir += "/" + std::string(200, 'd');
        ASSERT_EQ(0, ::mkdir(dir.c_str(), 0755));
    }
    WriteFile(P("f"), "x");
    const std::string exact = dir + "/" + std::string(kPathMax - dir.size() - 1, 'f');
    ASSERT_EQ(kPathMax, exact.size());
    EXPECT_EQ(0, Copy({P("f")}, exact));
    EXPECT_TRUE(ui.boxes.empty()) << ui.LastText();
    EXPECT_EQ("x", ReadFile(exact));
    EXPECT_EQ(0, Copy({P("f")}, exact + "g"));
    EXPECT_EQ(1, ui.CountBoxes("cause:File name too long"));
}

TEST_F(FileReplaceTest, CancelInsideABigFileLeavesNoPartialCopy) {
    WriteFile(P("big"), std::string(40 << 20, 'b'));
    Make({"after=a", "dst/"});
    // The copy being written is in plain sight while it grows.
    Strings seen;
    ui.onStep = [&](int) { seen = Names(P("dst")); };
    ui.cancelAtStep = 1;
    EXPECT_EQ(RESULT_NO, Copy({P("big"), P("after")}, D("dst")));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(0u, seen[0].find("big.partial-")) << seen[0];
    EXPECT_TRUE(Names(P("dst")).empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(1, ui.destroyCount);

    // Closing the window asks the operation to stop: the same, and no
    // question is asked on the way out.
    ui = rmgtest::FakeUi();
    WriteFile(P("dst/after"), "old");
    scope.table.ConfilmOverwrite = 1;
    ui.onStep = [&](int) { RequestOperationStop(); };
    EXPECT_EQ(RESULT_NO, Copy({P("big"), P("after")}, D("dst")));
    EXPECT_EQ((Strings{"after"}), Names(P("dst")));
    EXPECT_EQ("old", ReadFile(P("dst/after")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(OperationRunning());

    // A program that has to end at once (a signal inside a nested loop)
    // takes the half-written copy away first.
    ui = rmgtest::FakeUi();
    std::filesystem::remove(P("dst/after"));
    ui.onStep = [&](int) {
        RemovePartialFile();
        seen = Names(P("dst"));
        RequestOperationStop();
    };
    Copy({P("big")}, D("dst"));
    EXPECT_TRUE(seen.empty()) << seen[0];
}

TEST_F(FileReplaceTest, SkipInTheDirectoryChainBoxSkipsThatItemOnly) {
    // "docs" is a file the user may not remove (a sticky directory) where
    // the copy of the directory "docs" must go; Skip goes on with the next
    // item without a second box.
    Make({"src/docs/", "src/docs/a=a", "src/next=n", "dst/"});
    ASSERT_EQ(0, ::chmod(P("dst").c_str(), 01777));
    WriteFile(P("dst/docs"), "in the way");
    EXPECT_EQ(
        "", InChild(
                [&]() -> std::string {
                    std::string r;
                    ui.Answer(RESULT_YES);  // Skip
                    if (Copy({D("src/docs"), P("src/next")}, D("dst")) != 0) {
                        r += "result;";
                    }
                    if (ui.boxes.size() != 1 || ui.boxes[0].text.find("Cannot delete file") != 0) {
                        r += "boxes: " + ui.LastText() + ";";
                    }
                    if (ReadFile(P("dst/next")) != "n") {
                        r += "next not copied;";
                    }
                    return r;
                },
                true));
    EXPECT_EQ("in the way", ReadFile(P("dst/docs")));
}

TEST_F(FileReplaceTest, MoveWithinAnOverlayFileSystemIsNotRefused) {
    // Layers on two file systems: files report the lower one's device, the
    // directories the overlay's, and still a rename works.
    if (!testutil::CanUnshareMounts()) {
        GTEST_SKIP() << "no private mount namespaces here";
    }
    for (const char* d : {"lower", "upper", "work", "merged"}) {
        MakeDirs(P(d));
    }
    EXPECT_EQ(
        "",
        InChild(
            [&]() -> std::string {
                if (!rmgtest::PrivateMounts() ||
                    ::mount("tmpfs", P("lower").c_str(), "tmpfs", 0, nullptr) != 0 ||
                    ::mount("tmpfs", P("upper").c_str(), "tmpfs", 0, nullptr) != 0) {
                    return "cannot mount";
                }
                Make({"upper/up/", "upper/work/", "lower/dir/", "lower/f=lower file"});
                const std::string options = "lowerdir=" + P("lower") +
                                            ",upperdir=" + P("upper/up") +
                                            ",workdir=" + P("upper/work");
                if (::mount("overlay", P("merged").c_str(), "overlay", 0, options.c_str()) != 0) {
                    return "";  // no overlay support here: nothing to show
                }
                std::string r;
                int decided = 0;
                SetupProgress({P("merged/f")}, OP_MOVE);
                if (MoveFile(D("merged/dir"), P("merged/f"), &decided) != 0) {
                    r += "result;";
                }
                EndProgress();
                if (!ui.boxes.empty()) {
                    r += "box: " + ui.LastText() + ";";
                }
                if (ReadFile(P("merged/dir/f")) != "lower file" || Exists(P("merged/f"))) {
                    r += "not moved;";
                }
                return r;
            },
            false));
}

}  // namespace

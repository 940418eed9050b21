// Path stepping and splitting, home confinement, sizes, listing rules,
// file kinds and the path check.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CoreTableSupport.h"
#include "TestUtil.h"
#include "rummage/rmgutil.h"

namespace {

using rmg::CharNext;
using rmg::ConvertSize;
using rmg::GetLastPath;
using rmg::GetParentDirectory;

TEST(CharNextTest, StepsOverTwoByteCharacters) {
    EXPECT_EQ(CharNext("/a/b" + 1, '/'), std::string("/b"));
    EXPECT_EQ(CharNext("/a/b", '\0'), nullptr);
    EXPECT_EQ(CharNext("", '/'), nullptr);
    EXPECT_EQ(CharNext(static_cast<const char*>(nullptr), '/'), nullptr);
    // Shift-JIS 0x95 0x5C: its second byte is no backslash.
    const char sjis[] = "\x95\x5c\\x";
    EXPECT_EQ(CharNext(sjis, '\\'), sjis + 2);
    // UTF-8: a three-byte character right before a separator.
    const char utf8[] = "\xe6\x97\xa5/x.\xe6\x9c\xac.y";
    EXPECT_EQ(CharNext(utf8, '/'), utf8 + 3);
    EXPECT_EQ(CharNext(utf8 + 6, '.'), utf8 + 9);
    // A lead byte at the very end does not run past the terminator.
    EXPECT_EQ(CharNext("ab\xe6", '/'), nullptr);
}

TEST(PathSplitTest, ParentAndLastComponent) {
    EXPECT_EQ(GetParentDirectory("/a/b/c/"), "/a/b/");
    EXPECT_EQ(GetParentDirectory("/a/b/c"), "/a/b/");
    EXPECT_EQ(GetParentDirectory("/a"), "/");
    EXPECT_EQ(GetParentDirectory("/"), "/");
    EXPECT_EQ(GetParentDirectory("name"), "");
    EXPECT_EQ(GetLastPath("/a/b/c/"), "c");
    EXPECT_EQ(GetLastPath("/a/b/c"), "c");
    EXPECT_EQ(GetLastPath("/"), "");
    EXPECT_EQ(GetLastPath("name"), "name");
    const std::string jp = "/h/\xe6\x97\xa5\xe6\x9c\xac/\xc6\xfc/";
    EXPECT_EQ(GetParentDirectory(jp), "/h/\xe6\x97\xa5\xe6\x9c\xac/");
    EXPECT_EQ(GetLastPath(jp), "\xc6\xfc");
}

TEST(CheckChildDirectoryTest, InsideIsByPrefixOfHome) {
    const std::string home = "/home/a/";
    for (const char* inside : {"/home/a/", "/home/a", "/home/a/x"})
        EXPECT_EQ(rmg::CheckChildDirectory(inside, home), 0) << inside;
    for (const char* outside : {"/home/ab", "/home/abc", "/home", "/HOME/a/x"})
        EXPECT_EQ(rmg::CheckChildDirectory(outside, home), 1) << outside;
    EXPECT_EQ(rmg::CheckChildDirectory(nullptr, home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory("/etc", "/"), 0);
    // No home known: nothing is inside it.
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a/x", ""), 1);
}

TEST(IsDirectoryTest, OwnStatusOnly) {
    testutil::TempDir dir;
    testutil::MakeDirs(dir / "d");
    ASSERT_EQ(::symlink((dir / "d").c_str(), (dir / "link").c_str()), 0);
    EXPECT_TRUE(rmg::IsDirectory(dir / "d/"));
    EXPECT_FALSE(rmg::IsDirectory(dir / "link"));
    EXPECT_FALSE(rmg::IsDirectory(dir / "missing"));
    EXPECT_FALSE(rmg::IsDirectory(static_cast<const char*>(nullptr)));
}

TEST(ConvertSizeTest, OneDecimalAndSizesOfFourGibibytesAndMore) {
    EXPECT_EQ(ConvertSize(0), "0KByte");
    EXPECT_EQ(ConvertSize(1), "0.1KByte");
    EXPECT_EQ(ConvertSize(512), "0.5KByte");
    EXPECT_EQ(ConvertSize(1023), "1KByte");
    EXPECT_EQ(ConvertSize(1536), "1.5KByte");
    EXPECT_EQ(ConvertSize(1048575), "1024KByte");
    EXPECT_EQ(ConvertSize(1572864), "1.5MByte");
    const std::uint64_t gib = 1024ull * 1024 * 1024;
    EXPECT_EQ(ConvertSize(4 * gib - 1), "4096MByte");
    EXPECT_EQ(ConvertSize(4 * gib), "4096MByte");
    EXPECT_EQ(ConvertSize(5 * gib + 512 * 1024), "5120.5MByte");
    EXPECT_EQ(ConvertSize(3072 * gib), "3145728MByte");
}

TEST(CheckFileNameTest, BackupAndHiddenRules) {
    using rmg::CheckFileName;
    EXPECT_EQ(CheckFileName("README.BAK", 0, 0), 0);
    EXPECT_EQ(CheckFileName("notes~", 0, 0), 0);
    EXPECT_EQ(CheckFileName("README.BAK", 1, 0), 1);
    // ".bak" alone is hidden only as a dot file.
    EXPECT_EQ(CheckFileName(".bak", 0, 1), 1);
    EXPECT_EQ(CheckFileName(".bak", 1, 0), 0);
    EXPECT_EQ(CheckFileName(".", 0, 0), 0);
    EXPECT_EQ(CheckFileName("..", 0, 0), 1);
    rmgtest::TableScope scope;
    scope.table.ShowHidden = 1;
    EXPECT_EQ(CheckFileName(".profile"), 1);
    EXPECT_EQ(CheckFileName("a.Bak"), 0);
}

class FileTypeTest : public ::testing::Test {
  protected:
    // The type by path, checked against the type the list takes by name
    // within the open directory.
    int TypeOf(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return -1;
        const int type = rmg::GetFileType(path.c_str(), st);
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << parent;
        if (fd >= 0) {
            EXPECT_EQ(rmg::GetFileTypeAt(fd, path.c_str() + slash + 1, st, ::getuid(), ::getgid()),
                      type)
                << path;
            ::close(fd);
        }
        return type;
    }
    testutil::TempDir dir;
    rmgtest::TableScope scope;
};

TEST_F(FileTypeTest, KindsAndTheCoreName) {
    testutil::MakeDirs(dir / "Core");
    testutil::WriteFile(dir / "CORE", "x", 0755);
    testutil::WriteFile(dir / "core.1", "x", 0644);
    testutil::WriteFile(dir / "tool", "x", 0500);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(TypeOf(dir / "Core"), rmg::FILETYPE_CORE);
    EXPECT_EQ(TypeOf(dir / "CORE"), rmg::FILETYPE_CORE);
    EXPECT_EQ(TypeOf(dir / "core.1"), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(TypeOf(dir / "tool"), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(TypeOf(dir.path()), rmg::FILETYPE_DIRECTORY);
    EXPECT_EQ(TypeOf(dir / "fifo"), rmg::FILETYPE_FIFO);
    EXPECT_EQ(TypeOf("/dev/null"), rmg::FILETYPE_DEVICE);
}

TEST_F(FileTypeTest, LinksAreCheckedAgainstTheirTarget) {
    testutil::MakeDirs(dir / "sub");
    testutil::WriteFile(dir / "sub/target", "x");
    ASSERT_EQ(::symlink("target", (dir / "sub/rel").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "sub/broken").c_str()), 0);
    // Relative targets count from the link's directory, whatever is listed.
    scope.table.CurrentDir = dir.path() + "/";
    EXPECT_EQ(TypeOf(dir / "sub/rel"), rmg::FILETYPE_LINK);
    EXPECT_EQ(TypeOf(dir / "sub/broken"), rmg::FILETYPE_BROKEN_LINK);
}

TEST_F(FileTypeTest, ExecuteBitOfTheClassTheUserIsIn) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs to hand files to other owners";
    const uid_t other = 54321;
    auto type = [&](const std::string& name, uid_t uid, gid_t gid, mode_t mode) {
        testutil::WriteFile(dir / name, "x");
        EXPECT_EQ(::chown((dir / name).c_str(), uid, gid), 0);
        EXPECT_EQ(::chmod((dir / name).c_str(), mode), 0);
        return TypeOf(dir / name);
    };
    EXPECT_EQ(type("a", ::getuid(), ::getgid(), 0615), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(type("b", other, ::getgid(), 0010), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(type("c", other, ::getgid(), 0101), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(type("d", other, other, 0001), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(type("e", other, other, 0110), rmg::FILETYPE_NORMAL);
}

class CheckFileExistTest : public ::testing::Test {
  protected:
    CheckFileExistTest() {
        char real[PATH_MAX];
        EXPECT_NE(::realpath(dir.path().c_str(), real), nullptr);
        root = real;
        home = root + "/home/";
        testutil::MakeDirs(home + "sub");
        testutil::MakeDirs(root + "/outside");
        testutil::WriteFile(home + "file.txt", "x");
        scope.table.HomeDir = home;
        scope.table.CurrentDir = home;
    }
    // The code, and the path as rewritten.
    std::pair<int, std::string> Check(std::string path) {
        int code = rmg::CheckFileExist(path);
        return {code, path};
    }

    testutil::TempDir dir;
    rmgtest::TableScope scope;
    std::string root;
    std::string home;
};

TEST_F(CheckFileExistTest, Codes) {
    using P = std::pair<int, std::string>;
    EXPECT_EQ(Check("").first, rmg::PATH_TOO_SHORT);
    EXPECT_EQ(Check(home + std::string(2048 - home.size(), 'x')).first, rmg::PATH_TOO_LONG);
    EXPECT_EQ(Check(home + "sub//x").first, rmg::PATH_INACCURATE);
    EXPECT_EQ(Check(root + "/outside"), P(rmg::PATH_OUTSIDE_HOME, root + "/outside"));
    EXPECT_EQ(Check(home + "../outside/new").first, rmg::PATH_OUTSIDE_HOME);
    EXPECT_EQ(Check(home + "sub/new/"), P(rmg::PATH_NOT_EXIST, home + "sub/new"));
    EXPECT_EQ(Check(home + "sub"), P(rmg::PATH_DIR_EXISTS, home + "sub"));
    EXPECT_EQ(Check(home + "sub/../file.txt"), P(rmg::PATH_FILE_EXISTS, home + "file.txt"));
    EXPECT_EQ(rmg::CheckFileExist(static_cast<char*>(nullptr)), rmg::PATH_INTERNAL_ERROR);

    // Relative names are taken in the current directory.
    char buf[rmg::kPathBufferSize] = "new";
    EXPECT_EQ(rmg::CheckFileExist(buf), rmg::PATH_NOT_EXIST);
    EXPECT_EQ(std::string(buf), home + "new");

    // Links are resolved before the home check; a dangling one is a file.
    ASSERT_EQ(::symlink((root + "/outside").c_str(), (home + "escape").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (home + "dangling").c_str()), 0);
    EXPECT_EQ(Check(home + "escape").first, rmg::PATH_OUTSIDE_HOME);
    EXPECT_EQ(Check(home + "dangling").first, rmg::PATH_FILE_EXISTS);
}

TEST_F(CheckFileExistTest, OnlyTheLastComponentMayBeMissing) {
    EXPECT_EQ(Check(home + "missing/new").first, rmg::PATH_INACCURATE);
    // The first missing component has the same name as the last one.
    EXPECT_EQ(Check(home + "x/x").first, rmg::PATH_INACCURATE);
    EXPECT_EQ(Check(home + "missing/..").first, rmg::PATH_INACCURATE);
    EXPECT_EQ(Check(home + "file.txt/new").first, rmg::PATH_INACCURATE);
}

}  // namespace

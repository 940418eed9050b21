// Path stepping and splitting, home confinement, sizes, listing rules,
// file kinds and the path check.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "CoreTableSupport.h"
#include "TestUtil.h"
#include "rummage/rmgutil.h"

namespace {

using rmg::CharNext;
using rmg::ConvertSize;
using rmg::GetLastPath;
using rmg::GetParentDirectory;

TEST(CharNextTest, FindsTheCharacterOrNothing) {
    const char* text = "/a/b";
    EXPECT_EQ(CharNext(text, '/'), text);
    EXPECT_EQ(CharNext(text + 1, '/'), text + 2);
    EXPECT_EQ(CharNext(text, '.'), nullptr);
    EXPECT_EQ(CharNext(text, '\0'), nullptr);
    EXPECT_EQ(CharNext("", '/'), nullptr);
    EXPECT_EQ(CharNext(static_cast<const char*>(nullptr), '/'), nullptr);
}

TEST(CharNextTest, StepsOverTwoByteCharacters) {
    // Shift-JIS 0x95 0x5C: its second byte is a backslash that must not be
    // taken for one.
    const char sjis[] = "\x95\x5c\\x";
    EXPECT_EQ(CharNext(sjis, '\\'), sjis + 2);
    // EUC text before a separator.
    const char euc[] = "\xc6\xfc\xcb\xdc/x";
    EXPECT_EQ(CharNext(euc, '/'), euc + 4);
    // UTF-8: a three-byte character right before the separator.
    const char utf8[] = "\xe6\x97\xa5/x.\xe6\x9c\xac.y";
    EXPECT_EQ(CharNext(utf8, '/'), utf8 + 3);
    EXPECT_EQ(CharNext(utf8, '.'), utf8 + 5);
    EXPECT_EQ(CharNext(utf8 + 6, '.'), utf8 + 9);
    // A lead byte at the very end does not run past the terminator.
    const char tail[] = "ab\xe6";
    EXPECT_EQ(CharNext(tail, '/'), nullptr);
}

TEST(PathSplitTest, ParentAndLastComponent) {
    EXPECT_EQ(GetParentDirectory("/a/b/c/"), "/a/b/");
    EXPECT_EQ(GetParentDirectory("/a/b/c"), "/a/b/");
    EXPECT_EQ(GetParentDirectory("/a"), "/");
    EXPECT_EQ(GetParentDirectory("/"), "/");
    EXPECT_EQ(GetParentDirectory("name"), "");
    EXPECT_EQ(GetParentDirectory(""), "");
    EXPECT_EQ(GetLastPath("/a/b/c/"), "c");
    EXPECT_EQ(GetLastPath("/a/b/c"), "c");
    EXPECT_EQ(GetLastPath("/"), "");
    EXPECT_EQ(GetLastPath("name"), "name");
    EXPECT_EQ(GetLastPath(""), "");

    const std::string jp = "/h/\xe6\x97\xa5\xe6\x9c\xac/\xc6\xfc/";
    EXPECT_EQ(GetParentDirectory(jp), "/h/\xe6\x97\xa5\xe6\x9c\xac/");
    EXPECT_EQ(GetLastPath(jp), "\xc6\xfc");
}

TEST(CheckChildDirectoryTest, InsideIsByPrefixOfHome) {
    const std::string home = "/home/a/";
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a/", home), 0);
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a", home), 0);
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a/x", home), 0);
    EXPECT_EQ(rmg::CheckChildDirectory("/home/ab", home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory("/home/abc", home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory("/home", home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory("/HOME/a/x", home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory(nullptr, home), 1);
    EXPECT_EQ(rmg::CheckChildDirectory("/etc", "/"), 0);
    // No home known: nothing is inside it.
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a/x", ""), 1);

    rmgtest::TableScope scope;
    scope.table.HomeDir = home;
    EXPECT_EQ(rmg::CheckChildDirectory("/home/a/x"), 0);
    EXPECT_EQ(rmg::CheckChildDirectory("/home/ab"), 1);
}

TEST(IsDirectoryTest, OwnStatusOnly) {
    testutil::TempDir dir;
    testutil::MakeDirs(dir / "d");
    testutil::WriteFile(dir / "f", "x");
    ASSERT_EQ(::symlink((dir / "d").c_str(), (dir / "link").c_str()), 0);
    EXPECT_TRUE(rmg::IsDirectory(dir / "d"));
    EXPECT_TRUE(rmg::IsDirectory(dir / "d/"));
    EXPECT_FALSE(rmg::IsDirectory(dir / "f"));
    EXPECT_FALSE(rmg::IsDirectory(dir / "link"));
    EXPECT_FALSE(rmg::IsDirectory(dir / "missing"));
    EXPECT_FALSE(rmg::IsDirectory(static_cast<const char*>(nullptr)));
}

TEST(ConvertSizeTest, KiloAndMegaBytesWithOneDecimal) {
    EXPECT_EQ(ConvertSize(0), "0KByte");
    EXPECT_EQ(ConvertSize(1), "0.1KByte");
    EXPECT_EQ(ConvertSize(512), "0.5KByte");
    EXPECT_EQ(ConvertSize(1023), "1KByte");
    EXPECT_EQ(ConvertSize(1024), "1KByte");
    EXPECT_EQ(ConvertSize(1536), "1.5KByte");
    EXPECT_EQ(ConvertSize(1048575), "1024KByte");
    EXPECT_EQ(ConvertSize(1048576), "1MByte");
    EXPECT_EQ(ConvertSize(1572864), "1.5MByte");
}

TEST(ConvertSizeTest, FourGibibytesAndMore) {
    const std::uint64_t gib = 1024ull * 1024 * 1024;
    EXPECT_EQ(ConvertSize(4 * gib - 1), "4096MByte");
    EXPECT_EQ(ConvertSize(4 * gib), "4096MByte");
    EXPECT_EQ(ConvertSize(4 * gib + 1), "4096MByte");
    EXPECT_EQ(ConvertSize(5 * gib + 512 * 1024), "5120.5MByte");
    EXPECT_EQ(ConvertSize(3ull * 1024 * gib), "3145728MByte");
}

TEST(CheckFileNameTest, BackupAndHiddenRules) {
    using rmg::CheckFileName;
    EXPECT_EQ(CheckFileName("README", 0, 0), 1);
    EXPECT_EQ(CheckFileName("README.BAK", 0, 0), 0);
    EXPECT_EQ(CheckFileName("x.bak", 0, 0), 0);
    EXPECT_EQ(CheckFileName("notes~", 0, 0), 0);
    EXPECT_EQ(CheckFileName("README.BAK", 1, 0), 1);
    EXPECT_EQ(CheckFileName("notes~", 1, 0), 1);
    // ".bak" alone is hidden only as a dot file.
    EXPECT_EQ(CheckFileName(".bak", 0, 1), 1);
    EXPECT_EQ(CheckFileName(".bak", 1, 0), 0);
    EXPECT_EQ(CheckFileName(".profile", 0, 0), 0);
    EXPECT_EQ(CheckFileName(".profile", 0, 1), 1);
    EXPECT_EQ(CheckFileName(".", 0, 0), 0);
    EXPECT_EQ(CheckFileName("..", 0, 0), 1);
    EXPECT_EQ(CheckFileName("", 0, 0), 1);

    rmgtest::TableScope scope;
    scope.table.ShowHidden = 1;
    EXPECT_EQ(CheckFileName(".profile"), 1);
    EXPECT_EQ(CheckFileName("a.Bak"), 0);
}

class FileTypeTest : public ::testing::Test {
  protected:
    int TypeOf(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return -1;
        return rmg::GetFileType(path.c_str(), st);
    }
    testutil::TempDir dir;
    rmgtest::TableScope scope;
};

TEST_F(FileTypeTest, KindsOfEntries) {
    testutil::MakeDirs(dir / "sub");
    testutil::WriteFile(dir / "plain", "x", 0644);
    testutil::WriteFile(dir / "tool", "x", 0755);
    testutil::WriteFile(dir / "readonly-exec", "x", 0500);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(TypeOf(dir / "sub"), rmg::FILETYPE_DIRECTORY);
    EXPECT_EQ(TypeOf(dir / "plain"), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(TypeOf(dir / "tool"), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(TypeOf(dir / "readonly-exec"), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(TypeOf(dir / "fifo"), rmg::FILETYPE_FIFO);
    EXPECT_EQ(TypeOf("/dev/null"), rmg::FILETYPE_DEVICE);

    const std::string sock = dir / "sock";
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sock.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(TypeOf(sock), rmg::FILETYPE_SOCKET);
    ::close(fd);
}

TEST_F(FileTypeTest, CoreNameWinsOverEveryKind) {
    testutil::MakeDirs(dir / "Core");
    testutil::WriteFile(dir / "CORE", "x", 0755);
    testutil::WriteFile(dir / "core", "x");
    testutil::WriteFile(dir / "core.1", "x");
    EXPECT_EQ(TypeOf(dir / "Core"), rmg::FILETYPE_CORE);
    EXPECT_EQ(TypeOf(dir / "CORE"), rmg::FILETYPE_CORE);
    EXPECT_EQ(TypeOf(dir / "core"), rmg::FILETYPE_CORE);
    EXPECT_EQ(TypeOf(dir / "core.1"), rmg::FILETYPE_NORMAL);
}

TEST_F(FileTypeTest, LinksAreCheckedAgainstTheirTarget) {
    testutil::MakeDirs(dir / "sub");
    testutil::WriteFile(dir / "sub/target", "x");
    ASSERT_EQ(::symlink((dir / "sub/target").c_str(), (dir / "abs").c_str()), 0);
    ASSERT_EQ(::symlink("target", (dir / "sub/rel").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "sub/broken").c_str()), 0);
    EXPECT_EQ(TypeOf(dir / "abs"), rmg::FILETYPE_LINK);
    // Relative targets count from the link's directory, whatever is listed.
    scope.table.CurrentDir = dir.path() + "/";
    EXPECT_EQ(TypeOf(dir / "sub/rel"), rmg::FILETYPE_LINK);
    EXPECT_EQ(TypeOf(dir / "sub/broken"), rmg::FILETYPE_BROKEN_LINK);
    // A relative path of the link itself is taken within CurrentDir.
    scope.table.CurrentDir = dir.path() + "/sub/";
    struct stat st;
    ASSERT_EQ(::lstat((dir / "sub/rel").c_str(), &st), 0);
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(::chdir((dir / "sub").c_str()), 0);
    EXPECT_EQ(rmg::GetFileType("rel", st), rmg::FILETYPE_LINK);
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
}

TEST_F(FileTypeTest, ExecuteBitOfTheClassTheUserIsIn) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs to hand files to other owners";
    const uid_t other = 54321;
    const gid_t otherGroup = 54321;
    auto make = [&](const std::string& name, uid_t uid, gid_t gid, mode_t mode) {
        testutil::WriteFile(dir / name, "x");
        ASSERT_EQ(::chown((dir / name).c_str(), uid, gid), 0);
        ASSERT_EQ(::chmod((dir / name).c_str(), mode), 0);
    };
    make("mine-group-x", ::getuid(), ::getgid(), 0615);  // owner bits decide: no x
    make("group-x", other, ::getgid(), 0010);            // group bits decide
    make("group-not-x", other, ::getgid(), 0101);
    make("others-x", other, otherGroup, 0001);
    make("others-not-x", other, otherGroup, 0110);
    EXPECT_EQ(TypeOf(dir / "mine-group-x"), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(TypeOf(dir / "group-x"), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(TypeOf(dir / "group-not-x"), rmg::FILETYPE_NORMAL);
    EXPECT_EQ(TypeOf(dir / "others-x"), rmg::FILETYPE_EXECUTABLE);
    EXPECT_EQ(TypeOf(dir / "others-not-x"), rmg::FILETYPE_NORMAL);
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
    int Check(std::string& path) { return rmg::CheckFileExist(path); }

    testutil::TempDir dir;
    rmgtest::TableScope scope;
    std::string root;
    std::string home;
};

TEST_F(CheckFileExistTest, LengthAndShape) {
    std::string p;
    EXPECT_EQ(Check(p), rmg::PATH_TOO_SHORT);
    p = home + std::string(2048 - home.size(), 'x');
    EXPECT_EQ(Check(p), rmg::PATH_TOO_LONG);
    p = home + "sub//x";
    EXPECT_EQ(Check(p), rmg::PATH_INACCURATE);
    EXPECT_EQ(rmg::CheckFileExist(static_cast<char*>(nullptr)), rmg::PATH_INTERNAL_ERROR);
}

TEST_F(CheckFileExistTest, ExistenceCodesAndResolvedPath) {
    std::string p = home + "sub";
    EXPECT_EQ(Check(p), rmg::PATH_DIR_EXISTS);
    p = home + "sub/../file.txt";
    EXPECT_EQ(Check(p), rmg::PATH_FILE_EXISTS);
    EXPECT_EQ(p, home + "file.txt");
    p = home + "sub/new/";
    EXPECT_EQ(Check(p), rmg::PATH_NOT_EXIST);
    EXPECT_EQ(p, home + "sub/new");
    p = home;
    EXPECT_EQ(Check(p), rmg::PATH_DIR_EXISTS);
}

TEST_F(CheckFileExistTest, RelativeNamesAreTakenInTheCurrentDirectory) {
    char buf[rmg::kPathBufferSize] = "new";
    EXPECT_EQ(rmg::CheckFileExist(buf), rmg::PATH_NOT_EXIST);
    EXPECT_EQ(std::string(buf), home + "new");
    std::strcpy(buf, "file.txt");
    EXPECT_EQ(rmg::CheckFileExist(buf), rmg::PATH_FILE_EXISTS);
}

TEST_F(CheckFileExistTest, OnlyTheLastComponentMayBeMissing) {
    std::string p = home + "missing/new";
    EXPECT_EQ(Check(p), rmg::PATH_INACCURATE);
    // The first missing component has the same name as the last one.
    p = home + "x/x";
    EXPECT_EQ(Check(p), rmg::PATH_INACCURATE);
    p = home + "missing/..";
    EXPECT_EQ(Check(p), rmg::PATH_INACCURATE);
    p = home + "file.txt/new";
    EXPECT_EQ(Check(p), rmg::PATH_INACCURATE);
}

TEST_F(CheckFileExistTest, OutsideHomeAfterResolution) {
    std::string p = root + "/outside";
    EXPECT_EQ(Check(p), rmg::PATH_OUTSIDE_HOME);
    p = home + "../outside/new";
    EXPECT_EQ(Check(p), rmg::PATH_OUTSIDE_HOME);
    ASSERT_EQ(::symlink((root + "/outside").c_str(), (home + "escape").c_str()), 0);
    p = home + "escape";
    EXPECT_EQ(Check(p), rmg::PATH_OUTSIDE_HOME);
    EXPECT_EQ(p, root + "/outside");
    // A dangling link inside home exists as a file of its own.
    ASSERT_EQ(::symlink("nowhere", (home + "dangling").c_str()), 0);
    p = home + "dangling";
    EXPECT_EQ(Check(p), rmg::PATH_FILE_EXISTS);
}

}  // namespace

// The shell-variable file library: key lines, separators, blank rules,
// crash-safe writes, and the message table.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <gtest/gtest.h>

#include <vector>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwTable.h"

namespace {

using twtest::ModeOf;

TEST(TwFileGet, KeyLinesSeparatorsAndBlanks) {
    struct Case {
        std::string text;
        const char* key;
        std::size_t capacity;
        int rc;
        const char* value;
    } cases[] = {
        {"NETWORK_DEVICE=lan\nNETWORK=enable\n", "NETWORK", 100, 0, "enable"},
        {"   IPADDR=\"192.168.1.1\"  \t\n", "IPADDR", 16, 0, "192.168.1.1"},
        {"KEY: x\n", "KEY", 100, 0, ": x"},
        {"#KEY=1\nKEY=2\n", "KEY", 100, 0, "2"},
        {"DNS_1=a\nDNS b", "DNS", 100, 0, "b"},
        {"key\tvalue\\\n", "key", 100, 0, "value"},
        {"KEY=\n", "KEY", 100, tw::TW_FAILED, ""},
        {"KEY=abcd\n", "KEY", 4, tw::TW_FAILED, ""},
        {"KEY=abcd\n", "KEY", 5, 0, "abcd"},
        {"KEYS=1\n", "KEY", 100, tw::TW_FAILED, ""},
        // An over-long line is no key line, not even its tail.
        {std::string(2047, 'A') + "KEY=v\n", "KEY", 100, tw::TW_FAILED, ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(dir / "f", c.text);
        std::string value = "untouched";
        EXPECT_EQ(tw::GetConfiguration(dir / "f", c.key, value, c.capacity, false), c.rc);
        EXPECT_EQ(value, c.rc == 0 ? std::string(c.value) : "untouched");
    }
}

TEST(TwFileGet, FailuresNameTheFileAndKey) {
    TempDir dir;
    twtest::MessageRecorder rec;
    WriteFile(dir / "f", "KEY=\n");
    std::string value;
    EXPECT_EQ(tw::GetConfiguration(dir / "f", "KEY", value, 10, true), tw::TW_FAILED);
    EXPECT_EQ(tw::GetConfiguration(dir / "missing", "KEY", value, 10, true), tw::TW_FAILED);
    EXPECT_EQ(tw::GetConfiguration(dir / "missing", "KEY", value, 10, false), tw::TW_FAILED);
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].first, tw::TW_FILE_NO_VALUE);
    EXPECT_EQ(
        tw::TwMessageString(rec.messages[0].first, rec.messages[0].second),
        "Failed in acquisition of the value from a file.\nFilename:" + (dir / "f") + "\nValue:KEY");
    EXPECT_EQ(rec.messages[1], std::make_pair(tw::TW_FILE_OPEN, dir / "missing"));
}

// Readers see whole lines only: one too long for them is left out, never cut.
TEST(TwFileGet, ReadableLinesLeaveOutOverlongOnes) {
    const std::string longest(tw::kTwLineMax, 'x');
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a\nb", {"a", "b"}},
        {"a\n\n", {"a", ""}},
        {longest + "\nb\n", {longest, "b"}},
        {longest + "y nameserver 1.2.3.4\nb\n", {"b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tw::TwReadableLines(c.text), c.lines) << c.text.substr(0, 20);
    }
}

TEST(TwFileSet, ReplacesFirstKeyLineRemovesDuplicatesOrAppends) {
    struct Case {
        const char* before;  // nullptr: no file
        const char* key;
        const char* value;
        int bits;
        const char* after;
    } cases[] = {
        {"BOOTPROTO=none\nIPADDR=1\n", "BOOTPROTO", "dhcp", 6, "BOOTPROTO=\"dhcp\"\nIPADDR=1\n"},
        {"A=1", "B", "2", 2, "A=1\nB=2\n"},
        {nullptr, "B", "2", 2, "B=2\n"},
        {"", "key", "v", 1, "key v\n"},
        {"nameserver 1\nfoo\nnameserver 2\nnameserver 3\n", "nameserver",
         "a\nnameserver b\nnameserver c", 1, "nameserver a\nnameserver b\nnameserver c\nfoo\n"},
        {"  KEY=old\nX=1\n", "KEY", "new", 2, "  KEY=new\nX=1\n"},
        {"KEY=1\nX=1\n\tKEY=2", "KEY", "n", 2, "KEY=n\nX=1\n\t"},
        {"KEY\nX=1\n", "KEY", "v", 6, "KEY=\"v\"\nX=1\n"},
        {"127.0.0.1\tlocalhost\n10.0.0.1\thost\n", "127.0.0.1", "x", 8,
         "127.0.0.1\tx\n10.0.0.1\thost\n"},
        {"KEYS=1\n", "KEY", "2", 2, "KEYS=1\nKEY=2\n"},
        // A bare key as the last line is a key line, newline or not.
        {"A=1\nKEY", "KEY", "v", 2, "A=1\nKEY=v\n"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + std::string(" in ") + (c.before ? c.before : "(none)"));
        ::unlink((dir / "f").c_str());
        if (c.before) {
            WriteFile(dir / "f", c.before);
        }
        EXPECT_EQ(tw::SetConfiguration(dir / "f", c.key, c.value, c.bits, true), 0);
        EXPECT_EQ(ReadFile(dir / "f"), c.after);
    }
    EXPECT_EQ(tw::SetConfiguration(dir / "f", "", "v", 2, true), tw::TW_FAILED);
    EXPECT_EQ(tw::SetConfiguration(dir / "f", "K", "", 2, true), tw::TW_FAILED);
    EXPECT_EQ(tw::SetConfiguration(dir / "f", "K", "", 6, true, true), 0);
    EXPECT_NE(ReadFile(dir / "f").find("K=\"\"\n"), std::string::npos);
}

TEST(TwFileSet, RowsAndDeletes) {
    struct RowCase {
        const char* before;
        const char* text;
        int row;
        const char* after;
    } rows[] = {
        {"old\n", "new", 1, "new\n"},
        {nullptr, "new", 1, "new\n"},
        {"", "new\n", 1, "new\n"},
        {"a\nb\nc\n", "B", 2, "a\nB\nc\n"},
        {"a\n", "b", 2, "a\nb\n"},
        {"a", "b", 2, "a\nb\n"},  // the last line is not glued to the new one
        {"a\nb", "B", 2, "a\nB\n"},
        {"a\nb\n", "", 1, "a\nb\n"},
        {"a\n", "x", 0, "a\nx\n"},
    };
    TempDir dir;
    for (const RowCase& c : rows) {
        SCOPED_TRACE(std::string(c.text) + "@" + std::to_string(c.row));
        ::unlink((dir / "f").c_str());
        if (c.before) {
            WriteFile(dir / "f", c.before);
        }
        EXPECT_EQ(tw::SetConfigurationRow(dir / "f", c.text, c.row), 0);
        EXPECT_EQ(c.before || *c.text ? ReadFile(dir / "f") : "", c.after);
    }

    WriteFile(dir / "f", "  nameserver 1\nnameserver 2\nA=1\nKEY=2");
    EXPECT_EQ(tw::DeleteRow(dir / "f", "nameserver"), 0);
    EXPECT_EQ(ReadFile(dir / "f"), "  nameserver 1\nA=1\nKEY=2");
    EXPECT_EQ(tw::DeleteConfiguration(dir / "f", "nameserver", true), 0);
    EXPECT_EQ(ReadFile(dir / "f"), "A=1\nKEY=2");
    EXPECT_EQ(tw::DeleteConfiguration(dir / "f", "KEY", true), 0);
    EXPECT_EQ(ReadFile(dir / "f"), "A=1\n");

    // No key line: the file is not rewritten; a missing file is not created.
    struct stat before, after;
    ASSERT_EQ(::stat((dir / "f").c_str(), &before), 0);
    EXPECT_EQ(tw::DeleteRow(dir / "f", "nameserver"), 0);
    ASSERT_EQ(::stat((dir / "f").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(tw::DeleteConfiguration(dir / "none", "K", true), 0);
    EXPECT_FALSE(testutil::Exists(dir / "none"));

    std::string text = "value \"\\\n\t\r";
    tw::DeleteBackChar(text);
    EXPECT_EQ(text, "value");
}

// Deleting the last name server leaves an empty file; it must read back as
// empty and be writable, or every later apply stops.
TEST(TwFileWrite, EmptyTextIsWrittenAndReadAsEmpty) {
    TempDir dir;
    twtest::MessageRecorder rec;
    WriteFile(dir / "f", "x\n");
    EXPECT_EQ(tw::TwWriteFile(dir / "f", "", true), 0);
    EXPECT_EQ(ReadFile(dir / "f"), "");
    std::string text = "stale";
    EXPECT_EQ(tw::TwReadFile(dir / "f", text, true), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(tw::SetConfiguration(dir / "f", "K", "v", 2, true), 0);
    EXPECT_EQ(ReadFile(dir / "f"), "K=v\n");
    EXPECT_TRUE(rec.messages.empty());
}

TEST(TwFileWrite, ModesOfFilesAndDirectoriesBelowTheTree) {
    TempDir dir;
    tw::SetTwTreeRoot(dir.path() + "/");
    mode_t oldMask = ::umask(077);
    EXPECT_EQ(tw::TwWriteFile(dir / "a/b/new", "x", true), 0);
    EXPECT_EQ(tw::TwWriteFile(dir / "a/secret", "x", true, 0600), 0);
    ::umask(oldMask);
    EXPECT_EQ(ModeOf(dir / "a"), 0755u);
    EXPECT_EQ(ModeOf(dir / "a/b"), 0755u);
    EXPECT_EQ(ModeOf(dir / "a/b/new"), 0644u);
    EXPECT_EQ(ModeOf(dir / "a/secret"), 0600u);
    WriteFile(dir / "kept", "K=1\n", 0640);
    EXPECT_EQ(tw::SetConfiguration(dir / "kept", "K", "2", 2, true), 0);
    EXPECT_EQ(ModeOf(dir / "kept"), 0640u);
    // A secret that was world-readable is tightened when rewritten.
    WriteFile(dir / "a/secret", "old", 0644);
    EXPECT_EQ(tw::TwWriteFile(dir / "a/secret", "y", true, 0600), 0);
    EXPECT_EQ(ModeOf(dir / "a/secret"), 0600u);
    tw::SetTwTreeRoot("");
}

// A full disk must not empty the file: the old content stays and the write
// error is shown; a read-only tree is an open failure, not a write failure.
// Runs in a private mount namespace with a tiny tmpfs.
TEST(TwFileWrite, FullDiskKeepsTheOldFileAndReadOnlyTreeFailsToOpen) {
    if (!testutil::CanUnshareMounts()) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    TempDir dir;
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0) {
            ::_exit(2);
        }
        std::vector<int> shown;
        tw::SetTwMessageHandler([&shown](int code, const std::string&, int) {
            shown.push_back(code);
            return 0;
        });
        int fd = ::open((dir.path() + "/clock").c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 || ::write(fd, "ZONE=\"Asia/Tokyo\"\n", 18) != 18) {
            ::_exit(3);
        }
        ::close(fd);
        int rc = tw::TwWriteFile(dir.path() + "/clock", std::string(200000, 'x'), true);
        std::string left;
        tw::TwReadFile(dir.path() + "/clock", left, false);
        int entries = 0;
        if (DIR* d = ::opendir(dir.path().c_str())) {
            while (struct dirent* e = ::readdir(d)) {
                entries += e->d_name[0] != '.';
            }
            ::closedir(d);
        }
        bool ok = rc == tw::TW_FAILED && left == "ZONE=\"Asia/Tokyo\"\n" &&
                  shown == std::vector<int>{tw::TW_FILE_WRITE} && entries == 1;
        if (::mount(nullptr, dir.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::_exit(4);
        }
        rc = tw::SetConfiguration(dir.path() + "/clock", "ZONE", "UTC", tw::SEP_EQUAL, true);
        ok = ok && rc == tw::TW_FAILED &&
             shown == std::vector<int>{tw::TW_FILE_WRITE, tw::TW_FILE_OPEN};
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The tree lock is a root-only file: a user who can open the tree's directory
// (and once could hold a lock on it for ever) cannot block an apply, a link
// in the lock's place is not followed, and a lock held by another Tunewell is
// given up after the time limit with a message, never waited on for ever.
TEST(TwFileWrite, TreeLockCannotBeBlockedOrRedirected) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string lockPath = tw::TwTreeLockPath(dir.path());
    {
        tw::TwTreeLock lock(dir.path());
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(ModeOf(lockPath), 0600u);
    }
    if (::getuid() == 0) {
        // An unprivileged user holds what it can: the directory, never the file.
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t user = ::fork();
        ASSERT_GE(user, 0);
        if (user == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(2);
            }
            int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
            ::flock(fd, LOCK_EX);
            const char opened = ::open(lockPath.c_str(), O_RDONLY) >= 0 ? 'y' : 'n';
            (void)!::write(ready[1], &opened, 1);
            ::pause();
            ::_exit(0);
        }
        char opened = '?';
        ASSERT_EQ(::read(ready[0], &opened, 1), 1);
        EXPECT_EQ(opened, 'n');
        {
            tw::TwTreeLock lock(dir.path(), 100);
            EXPECT_TRUE(lock.locked());
        }
        ::kill(user, SIGKILL);
        ::waitpid(user, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
    }
    // Held by another holder: bounded wait, then TW_FILE_BUSY.
    {
        tw::TwTreeLock first(dir.path());
        ASSERT_TRUE(first.locked());
        pid_t other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            int waits = 0;
            tw::SetTwLockWait([&waits] { ++waits; });
            tw::TwTreeLock second(dir.path(), 300);
            ::_exit(!second.locked() && second.error() == tw::TW_FILE_BUSY && waits > 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(other, &status, 0), other);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // A link in the lock's place is refused and its target left alone.
    ::unlink(lockPath.c_str());
    testutil::WriteFile(dir / "target", "keep\n", 0644);
    ASSERT_EQ(::symlink((dir / "target").c_str(), lockPath.c_str()), 0);
    tw::TwTreeLock linked(dir.path());
    EXPECT_FALSE(linked.locked());
    EXPECT_EQ(linked.error(), tw::TW_FILE_OPEN);
    EXPECT_EQ(ModeOf(dir / "target"), 0644u);
}

// How a code becomes its text: the class picks the list, the second byte is
// ignored, file texts take the name, silent and unknown codes show nothing
// (the unnamed codes are made up to probe the decoding).
TEST(TwMessages, CodesShowTheirTexts) {
    struct Case {
        int code;
        const char* text;
        const char* expected;
    } cases[] = {
        {tw::TW_DIAL_BAD_ACCOUNT, "", "Invalid Account Name."},
        {tw::TW_FILE_WRITE, "/tmp/x", "Failed to write following file.\n/tmp/x"},
        {0x05000003, "", "Following Executable File not exists.\n%s"},
        {tw::TW_REFLECTED, "", "Inserted configuration set is now reflected to the computer."},
        {0x01000000, "", ""},
        {tw::TW_FAILED, "x", ""},
        {tw::TW_NET_SILENT, "", ""},
        {0x06000000, "", ""},
        {0x02000019, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(tw::TwMessageString(c.code, c.text), c.expected);
    }
    twtest::MessageRecorder rec;
    tw::TwReport(tw::TW_FAILED);
    tw::TwReport(0);
    EXPECT_TRUE(rec.messages.empty());
}

}  // namespace

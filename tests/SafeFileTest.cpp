// The shared writer: it replaces only what a write to the file would have
// been allowed to change, and its in-place rewrite never leaves a file cut
// short, whatever step a crash ends it at.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "StepFault.h"
#include "TestUtil.h"
#include "common/SafeFile.h"

namespace {

using testutil::DirNames;
using testutil::ReadFile;
using testutil::StatOf;
using testutil::TempDir;
using testutil::WriteFile;

constexpr uid_t kCaller = 65534;
constexpr uid_t kStranger = 12345;

TEST(SafeFile, ReplacesOnlyWhatAWriteWouldHaveBeenAllowedToChange) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of other users";
    }
    struct Case {
        const char* what;
        uid_t owner;
        mode_t mode;
        int result;
        bool replaced;
    };
    const Case cases[] = {
        // A directory the caller may write does not make another's file its own.
        {"another user's read-only file", kStranger, 0444, EACCES, false},
        {"the caller's own read-only file", kCaller, 0444, EACCES, false},
        // Writable, but a new file could not be given its owner: rewritten in place.
        {"another user's writable file", kStranger, 0666, 0, true},
        {"the caller's own file", kCaller, 0644, 0, true},
    };
    for (const Case& c : cases) {
        TempDir top;
        ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
        const std::string dir = top / "home";
        testutil::MakeDirs(dir);
        ASSERT_EQ(::chown(dir.c_str(), kCaller, kCaller), 0);
        const std::string file = dir + "/settings";
        WriteFile(file, "old content\n", static_cast<int>(c.mode));
        ASSERT_EQ(::chown(file.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);

        EXPECT_EQ(testutil::RunAs(kCaller, [&] { return suite::ReplaceFile(file, "new\n"); }), c.result) << c.what;
        const struct stat after = StatOf(file);
        EXPECT_EQ(ReadFile(file), c.replaced ? "new\n" : "old content\n") << c.what;
        EXPECT_EQ(after.st_uid, c.owner) << c.what;
        EXPECT_EQ(after.st_mode & 07777, c.mode) << c.what;
        EXPECT_EQ(DirNames(dir), std::vector<std::string>{"settings"}) << c.what;
    }
}

// A file with several links keeps its identity, so it is rewritten where
// it is: a crash at any step leaves every link with the old content, the
// new one, or the new one's beginning over the old one's rest; never empty
// or cut short.  A finished rewrite leaves every link with the new content
// and nothing beside it.
TEST(SafeFile, InPlaceRewriteCutOffAtAnyStepNeverLeavesAShortFile) {
    const std::string longText(5000, 'L');
    struct Case {
        const char* what;
        std::string before;
        std::string after;
        int links;
    };
    const Case cases[] = {
        {"shorter, two links", longText, "short\n", 2},
        {"longer, three links", "short\n", longText + "x", 3},
    };
    for (const Case& c : cases) {
        bool finished = false;
        for (int n = 1; !finished && n < 50; ++n) {
            TempDir dir;
            const std::string file = dir / "data";
            WriteFile(file, c.before);
            for (int l = 1; l < c.links; ++l) {
                ASSERT_EQ(::link(file.c_str(), (dir / ("link" + std::to_string(l))).c_str()), 0);
            }
            const ino_t ino = StatOf(file).st_ino;
            finished = !testutil::KillAtStep(n, [&] { return suite::ReplaceFile(file, c.after); });
            const std::string now = ReadFile(file);
            const std::string what = std::string(c.what) + ", step " + std::to_string(n);
            EXPECT_EQ(StatOf(file).st_ino, ino) << what;
            for (int l = 1; l < c.links; ++l) {
                EXPECT_EQ(ReadFile(dir / ("link" + std::to_string(l))), now) << what;
            }
            if (finished) {
                EXPECT_EQ(now, c.after) << what;
                EXPECT_EQ(DirNames(dir.path()).size(), static_cast<std::size_t>(c.links)) << what;
                continue;
            }
            const bool old = now == c.before;
            const bool mixed = c.after.size() < c.before.size() &&
                               now == c.after + c.before.substr(c.after.size());
            EXPECT_TRUE(old || mixed || now == c.after) << what << ": " << now.size() << " bytes";
        }
        EXPECT_TRUE(finished) << c.what;
    }
}

// A failed step leaves the old file whole, and no beside file.
TEST(SafeFile, FailedStepOfAReplaceLeavesTheOldFile) {
    bool finished = false;
    for (int n = 1; !finished && n < 50; ++n) {
        TempDir dir;
        const std::string file = dir / "data";
        WriteFile(file, "old\n", 0640);
        int result = 0;
        finished = !testutil::FailAtStep(n, [&] { result = suite::ReplaceFile(file, "new content\n"); });
        EXPECT_EQ(result, finished ? 0 : EIO) << n;
        EXPECT_EQ(ReadFile(file), finished ? "new content\n" : "old\n") << n;
        EXPECT_EQ(StatOf(file).st_mode & 07777, 0640u) << n;
        EXPECT_EQ(DirNames(dir.path()), std::vector<std::string>{"data"}) << n;
    }
    EXPECT_TRUE(finished);
}

}  // namespace

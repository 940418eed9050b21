// The property dialog's facts and changes on real files, links and
// directories, and the find walk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "ChildSupport.h"
#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "FileOpSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgfind.h"
#include "rummage/rmgproperty.h"
#include "rummage/rmgutil.h"

namespace {

using namespace rmg;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::WriteFile;

using rmgtest::StatOf;

class PropertyTest : public rmgtest::HomeFixture {
  protected:
    // Reads `path` and applies `change` to what the dialog would send back.
    int Apply(const std::string& path, const std::function<void(PropertyEdit&)>& change,
              std::string* current = nullptr, int* code = nullptr) {
        PropertyInfo info;
        EXPECT_TRUE(ReadPropertyInfo(path, getuid(), info));
        PropertyEdit edit{info.st.st_mode & 07777, info.owner, info.group, info.name};
        change(edit);
        std::string shown = current != nullptr ? *current : home;
        const int result = ApplyPropertyEdit(info, edit, shown, code);
        if (current != nullptr) {
            *current = shown;
        }
        return result;
    }
};

TEST_F(PropertyTest, FactsOfFilesLinksAndBigFiles) {
    WriteFile(home + "core", "not really");
    ASSERT_EQ(symlink("core", (home + "ln").c_str()), 0);
    ASSERT_EQ(symlink("gone", (home + "lost").c_str()), 0);
    // 3 GiB without the blocks: the byte count must not wrap.
    WriteFile(home + "big", "");
    ASSERT_EQ(truncate((home + "big").c_str(), 3LL << 30), 0);

    PropertyInfo info;
    ASSERT_TRUE(ReadPropertyInfo(home + "core", 0, info));
    EXPECT_EQ(info.kindText, "Core file");
    EXPECT_EQ(info.parent, home);
    ASSERT_TRUE(ReadPropertyInfo(home + "ln", 0, info));
    EXPECT_EQ(info.kindText, "Symbolic link file (Exist file:core)");
    EXPECT_FALSE(info.modeEditable);
    ASSERT_TRUE(ReadPropertyInfo(home + "lost", 0, info));
    EXPECT_EQ(info.kindText, "Stalled link file (Exist file:gone)");
    ASSERT_TRUE(ReadPropertyInfo(home + "big", 0, info));
    EXPECT_NE(info.sizeText.find("(3221225472Byte)"), std::string::npos) << info.sizeText;
    EXPECT_TRUE(info.modeEditable);
    EXPECT_FALSE(ReadPropertyInfo(home + "missing", 0, info));
    EXPECT_EQ(ModeText(0100644), "0644");
    EXPECT_EQ(ModeText(04755), "4755");

    // The top directory keeps its name; root sees every group.
    ASSERT_TRUE(ReadPropertyInfo(home, 0, info));
    EXPECT_FALSE(info.nameEditable);
    EXPECT_TRUE(info.ownerEditable);
    EXPECT_NE(std::find(info.groups.begin(), info.groups.end(), "root"), info.groups.end());
}

TEST_F(PropertyTest, SomeoneElsesItemIsReadOnlyForAnOrdinaryUser) {
    WriteFile(home + "theirs", "x");
    const std::string report = rmgtest::InChild(
        [&] {
            PropertyInfo info;
            if (!ReadPropertyInfo(home + "theirs", getuid(), info)) {
                return std::string("unreadable");
            }
            return info.ownerEditable || info.nameEditable || info.groupEditable ||
                           info.modeEditable
                       ? std::string("editable")
                       : std::string();
        },
        true);
    EXPECT_EQ(report, "");
}

// A mode and an owner changed in one OK: a link's mode is never edited and
// its ownership change stays on the link; set-id bits survive the chown.
TEST_F(PropertyTest, ModeAndOwnerInOneOk) {
    WriteFile(home + "target", "t", 0600);
    ASSERT_EQ(symlink("target", (home + "ln").c_str()), 0);
    WriteFile(home + "tool", "#!/bin/sh\n", 0755);
    for (const auto& [name, mode] : {std::pair{"ln", 0777u}, {"tool", 06755u}}) {
        EXPECT_EQ(Apply(home + name,
                        [mode](PropertyEdit& e) {
                            e.mode = mode;
                            e.owner = "nobody";
                        }),
                  PROPERTY_DONE);
        EXPECT_EQ(StatOf(home + name).st_uid, rmgtest::kNobody);
    }
    EXPECT_EQ(StatOf(home + "target").st_mode & 07777, 0600u);
    EXPECT_EQ(StatOf(home + "target").st_uid, 0u);
    EXPECT_EQ(StatOf(home + "tool").st_mode & 07777, 06755u);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PropertyTest, OwnershipFieldsAreCheckedOnlyWhenChanged) {
    // An owner and group without names leave both fields empty.
    WriteFile(home + "orphan", "x");
    ASSERT_EQ(chown((home + "orphan").c_str(), 54321, 54321), 0);
    EXPECT_EQ(Apply(home + "orphan", [](PropertyEdit& e) { e.name = "renamed"; }), PROPERTY_DONE);
    EXPECT_TRUE(Exists(home + "renamed"));
    EXPECT_TRUE(ui.boxes.empty());

    // A cleared owner stops before the name; the mode change stays.
    WriteFile(home + "f", "x", 0644);
    EXPECT_EQ(Apply(home + "f",
                    [](PropertyEdit& e) {
                        e.mode = 0600;
                        e.owner = "";
                        e.name = "g";
                    }),
              PROPERTY_KEEP_OWNER);
    EXPECT_EQ(ui.LastText(), "Owner/Group cannot be changed.");
    EXPECT_EQ(StatOf(home + "f").st_mode & 07777, 0600u);
    EXPECT_TRUE(Exists(home + "f"));
}

TEST_F(PropertyTest, RenamesAreCheckedAndTheShownDirectoryFollows) {
    Make({"shown/inner/", "taken=x"});
    int code = 0;
    EXPECT_EQ(Apply(
                  home + "shown/", [](PropertyEdit& e) { e.name = "taken"; }, nullptr, &code),
              PROPERTY_KEEP_NAME);
    EXPECT_EQ(code, PATH_FILE_EXISTS);
    EXPECT_EQ(Apply(
                  home + "shown/", [](PropertyEdit& e) { e.name = "a/b"; }, nullptr, &code),
              PROPERTY_KEEP_NAME);
    EXPECT_TRUE(Exists(home + "shown/inner"));

    for (const std::string& before : {home + "shown/", home + "shown/inner/"}) {
        std::string current = before;
        const std::string from = Exists(home + "shown") ? "shown" : "moved";
        const std::string to = from == "shown" ? "moved" : "shown";
        EXPECT_EQ(Apply(
                      home + from + "/", [&](PropertyEdit& e) { e.name = to; }, &current),
                  PROPERTY_DONE);
        EXPECT_EQ(current, home + to + before.substr(home.size() + 5));
        EXPECT_TRUE(IsDirectory(current));
    }
}

// ------------------------------------------------------------------ find

class FindTest : public rmgtest::HomeFixture {
  protected:
    std::vector<std::string> Found(const std::string& pattern, bool recursive) {
        std::vector<std::string> out;
        for (const FindMatch& m : FindAll(start, pattern, recursive)) {
            out.push_back(m.relative + (m.directory ? "/" : ""));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string start = home;
};

TEST_F(FindTest, MatchesWithAndWithoutSubDirectories) {
    Make({"notes.txt.d/", "a.txt=", "A.TXT=", "docs/b.txt=", "docs/old/c.txt=", "docs/old/c.md="});
    ASSERT_EQ(symlink("docs", (start + "link.txt").c_str()), 0);

    EXPECT_EQ(Found("*.txt", true),
              (std::vector<std::string>{"a.txt", "docs/b.txt", "docs/old/c.txt", "link.txt"}));
    EXPECT_EQ(Found("*.txt", false), (std::vector<std::string>{"a.txt", "link.txt"}));
    // A directory whose name matches is kept although nothing inside does.
    EXPECT_EQ(Found("*.d", true), (std::vector<std::string>{"notes.txt.d/"}));
    EXPECT_EQ(Found("old", false), (std::vector<std::string>{}));
    EXPECT_EQ(Found("old", true), (std::vector<std::string>{"docs/old/"}));
}

// Deep trees need no descriptor per level; paths over the limit are
// counted, not followed.
TEST_F(FindTest, DeepTreesAreWalkedWithFewDescriptorsAndLongPathsCounted) {
    std::string deep = start;
    for (int i = 0; i < 40; ++i) {
        deep += "d/";
    }
    MakeDirs(deep);
    WriteFile(deep + "bottom.txt", "");
    std::string longDir = start + "long/";
    const std::string part(200, 'n');
    for (int i = 0; i < 11; ++i) {
        longDir += part + "/";
    }
    MakeDirs(longDir);
    WriteFile(longDir + "far.txt", "");

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit low = saved;
    // Enough for what the process holds already plus a handful.
    int used = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        used = fcntl(fd, F_GETFD) != -1 ? fd + 1 : used;
    }
    low.rlim_cur = static_cast<rlim_t>(used + 4);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::size_t skipped = 0;
    const std::vector<FindMatch> found = FindAll(start, "*.txt", true, &skipped);
    setrlimit(RLIMIT_NOFILE, &saved);

    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].relative, deep.substr(start.size()) + "bottom.txt");
    EXPECT_GE(skipped, 1u);
}

}  // namespace

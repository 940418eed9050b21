// Progress accounting of file operations: counting, the fraction shown,
// closing, and Cancel turning into the code that stops the operation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfileop.h"

namespace {

using namespace rmg;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::WriteFile;

class ProgressTest : public ::testing::Test {
  protected:
    void SetUp() override { SetFileOpUi(&ui); }
    void TearDown() override {
        DestroyProgress();
        SetFileOpUi(nullptr);
    }

    std::string P(const std::string& name) const { return tmp / name; }
    std::string D(const std::string& name) const { return tmp / name + "/"; }

    void MakeFiles(const std::string& dir, int n) {
        MakeDirs(dir);
        for (int i = 0; i < n; ++i)
            WriteFile(dir + "/f" + std::to_string(i), "x");
    }

    int Copy(const std::vector<std::string>& items, const std::string& dst) {
        int decided = 0;
        int result = 0;
        SetupProgress(items, OP_COPY);
        for (const auto& item : items) {
            result = CopyFile(dst, item, &decided);
            if (result == RESULT_NO) {
                DestroyProgress();
                break;
            }
        }
        EndProgress();
        return result;
    }

    int CountedFiles(const std::string& dir) {
        int n = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (!e.is_directory())
                ++n;
        return n;
    }

    rmgtest::TableScope scope;
    rmgtest::FakeUi ui;
    testutil::TempDir tmp;
};

TEST_F(ProgressTest, CountsNonDirectoriesOnly) {
    MakeDirs(P("t/a/b"));
    MakeDirs(P("t/empty"));
    WriteFile(P("t/1"), "");
    WriteFile(P("t/a/2"), "");
    WriteFile(P("t/a/b/3"), "");
    ::symlink("a", P("t/dirlink").c_str());  // a link counts as one, not followed
    ::mkfifo(P("t/pipe").c_str(), 0600);
    WriteFile(P("single"), "");
    scope.table.ProgressTotal = 0;
    CountOperationFile(D("t"));
    EXPECT_EQ(5, scope.table.ProgressTotal);
    CountOperationFile(P("single"));
    CountOperationFile(P("t/dirlink") + "/");
    EXPECT_EQ(7, scope.table.ProgressTotal);
    CountOperationFile(D("t/empty"));
    EXPECT_EQ(7, scope.table.ProgressTotal);
}

TEST_F(ProgressTest, SetupOpensTheWindowForTheKindAndCountsTheItems) {
    MakeFiles(P("d"), 3);
    WriteFile(P("one"), "");
    scope.table.ProgressCount = 9;
    scope.table.ProgressCancel = 1;
    SetupProgress({D("d"), P("one")}, OP_MOVE);
    EXPECT_EQ((std::vector<int>{OP_MOVE}), ui.createdKinds);
    EXPECT_TRUE(ProgressWindowOpen());
    EXPECT_EQ(4, scope.table.ProgressTotal);
    EXPECT_EQ(0, scope.table.ProgressCount);
    EXPECT_EQ(0, scope.table.ProgressCancel);
    EndProgress();
    EXPECT_FALSE(ProgressWindowOpen());
    EXPECT_EQ(1, ui.destroyCount);
}

TEST_F(ProgressTest, NothingForAnEmptyListOrWithTheSettingOff) {
    SetupProgress({}, OP_COPY);
    EXPECT_TRUE(ui.createdKinds.empty());

    scope.table.ShowProgress = 0;
    MakeFiles(P("d"), 3);
    SetupProgress({D("d")}, OP_DELETE);
    EXPECT_TRUE(ui.createdKinds.empty());
    EXPECT_EQ(0, scope.table.ProgressTotal);
    // Nothing counted, nothing shown, and Cancel cannot happen.
    ui.cancelled = true;
    EXPECT_EQ(0, UpdateProgress());
    EXPECT_EQ(0, scope.table.ProgressCount);
    EXPECT_TRUE(ui.fractions.empty());
}

TEST_F(ProgressTest, OneStepPerFileAndTheWindowClosesAtTheEnd) {
    MakeFiles(P("src"), 4);
    MakeDirs(P("dst"));
    ASSERT_EQ(0, Copy({D("src")}, D("dst")));
    EXPECT_EQ((std::vector<double>{0.25, 0.5, 0.75, 1.0}), ui.fractions);
    EXPECT_EQ(1, ui.destroyCount);
    EXPECT_FALSE(ui.windowOpen);
    EXPECT_EQ(4, CountedFiles(P("dst/src")));
}

TEST_F(ProgressTest, OneFileOperationClosesAtItsOnlyStep) {
    WriteFile(P("f"), "x");
    ASSERT_EQ(0, Copy({P("f")}, P("g")));
    EXPECT_EQ((std::vector<double>{1.0}), ui.fractions);
    EXPECT_EQ(1, ui.destroyCount);
}

TEST_F(ProgressTest, EmptyDirectoryClosesAtTheEnd) {
    MakeDirs(P("empty"));
    MakeDirs(P("dst"));
    ASSERT_EQ(0, Copy({D("empty")}, D("dst")));
    EXPECT_EQ(0, scope.table.ProgressTotal);
    EXPECT_EQ((std::vector<double>{1.0}), ui.fractions);  // from EndProgress
    EXPECT_EQ(1, ui.destroyCount);
    EXPECT_TRUE(Exists(P("dst/empty")));
}

TEST_F(ProgressTest, FewerStepsThanCountedStillCloseAtTheEnd) {
    MakeFiles(P("src/d"), 5);
    MakeDirs(P("dst"));
    int decided = 0;
    SetupProgress({D("src/d")}, OP_MOVE);
    EXPECT_EQ(0, MoveFile(D("dst"), D("src/d"), &decided));  // one rename
    EXPECT_EQ((std::vector<double>{0.2}), ui.fractions);
    EXPECT_TRUE(ProgressWindowOpen());
    EndProgress();
    EXPECT_EQ((std::vector<double>{0.2, 1.0}), ui.fractions);
    EXPECT_FALSE(ProgressWindowOpen());
}

TEST_F(ProgressTest, CancelStopsAfterTheFileBeingCopiedAndIsReportedOnce) {
    MakeFiles(P("src/a"), 3);
    MakeFiles(P("src/b"), 3);
    ui.cancelAtStep = 2;
    EXPECT_EQ(RESULT_NO, Copy({D("src/a"), D("src/b")}, D("dst")));
    EXPECT_EQ(2u, ui.fractions.size());
    EXPECT_EQ(2, CountedFiles(P("dst")));  // what was copied stays
    EXPECT_FALSE(Exists(P("dst/b")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(1, ui.destroyCount);
    EXPECT_EQ(1, scope.table.ProgressCancel);
    // Once the window is gone, later steps of the operation report nothing.
    EXPECT_EQ(0, UpdateProgress());
}

TEST_F(ProgressTest, CancelRecordedInTheTableCountsToo) {
    MakeFiles(P("src"), 3);
    ui.onStep = [&](int step) {
        if (step == 1)
            scope.table.ProgressCancel = 1;  // as the button handler does
    };
    EXPECT_EQ(RESULT_NO, Copy({D("src")}, D("dst")));
    EXPECT_EQ(1, CountedFiles(P("dst")));
}

TEST_F(ProgressTest, CancelStopsADelete) {
    MakeFiles(P("t"), 4);
    ui.cancelAtStep = 1;
    int answer = RESULT_YES_ALL;
    SetupProgress({D("t")}, OP_DELETE);
    EXPECT_EQ(RESULT_NO, RemoveFile(D("t"), &answer));
    EndProgress();
    EXPECT_EQ(3, CountedFiles(P("t")));
}

TEST_F(ProgressTest, CancelNoticedWhileSkippingAnErrorIsNotLost) {
    WriteFile(P("plain"), "");
    MakeFiles(P("src"), 2);
    ui.cancelAtStep = 1;
    ui.Answer(RESULT_YES);  // Skip the first error
    EXPECT_EQ(RESULT_NO, Copy({P("src/f0"), P("src/f1")}, P("plain/x")));
    EXPECT_EQ(1u, ui.boxes.size());
}

TEST_F(ProgressTest, CancelInAnErrorBoxClosesTheWindowThroughTheCaller) {
    WriteFile(P("plain"), "");
    MakeFiles(P("src"), 2);
    ui.Answer(RESULT_NO);
    EXPECT_EQ(RESULT_NO, Copy({P("src/f0"), P("src/f1")}, P("plain/x")));
    EXPECT_TRUE(ui.fractions.empty());
    EXPECT_EQ(1, ui.destroyCount);
    EXPECT_FALSE(ProgressWindowOpen());
}

TEST_F(ProgressTest, WithoutAWindowTheOperationStillRuns) {
    MakeFiles(P("src"), 3);
    ui.createOk = false;
    ui.cancelled = true;  // no window, so no way to cancel
    EXPECT_EQ(0, Copy({D("src")}, D("dst")));
    EXPECT_EQ(3, CountedFiles(P("dst")));
    EXPECT_TRUE(ui.fractions.empty());
    EXPECT_EQ(3, scope.table.ProgressCount);
}

TEST_F(ProgressTest, WithoutAnyInterfaceBoxesTakeTheirFirstButton) {
    SetFileOpUi(nullptr);
    MakeDirs(P("t"));
    WriteFile(P("t/f"), "");
    WriteFile(P("s"), "new");
    WriteFile(P("d"), "old");
    int decided = 0;
    EXPECT_EQ(0, CopyFile(P("d"), P("s"), &decided));  // overwrite: Yes
    EXPECT_EQ("new", testutil::ReadFile(P("d")));
    // The delete question cannot be asked, which stops the delete.
    int answer = RESULT_NO;
    EXPECT_EQ(RESULT_NO, RemoveFile(D("t"), &answer));
    EXPECT_TRUE(Exists(P("t/f")));
}

}  // namespace

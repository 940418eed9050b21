// The progress window, alone and driven by the file operation engine.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <filesystem>
#include <string>

#include "TestUtil.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgprogress.h"
#include "rummage/rmgui.h"
#include "rummage/rmgwindowui.h"
#include "tests/rummage/CoreTableSupport.h"
#include "tests/rummage/GuiDialogDriver.h"

namespace {

using namespace rmgtest;

constexpr const char* kTitle = "File operation";

// The label names the operation; the bar follows the fraction, kept
// within 0..1, and the table sees the window while it is up.
TEST(GuiProgress, LabelNamesTheOperationAndBarFollowsTheFraction) {
    TableScope scope;
    const std::vector<std::pair<int, std::string>> cases = {
        {rmg::OP_MOVE, "File moving..."},
        {rmg::OP_DELETE, "File deleting..."},
        {rmg::OP_NEW_FILE, "File copying..."},  // every other kind
    };
    for (const auto& [kind, text] : cases) {
        SCOPED_TRACE(kind);
        Gtk::Window* window = rmg::CreateProgressDlg(kind);
        ASSERT_TRUE(window);
        EXPECT_TRUE(window->get_visible());
        EXPECT_EQ(window->get_title(), kTitle);
        EXPECT_FALSE(window->get_modal());
        EXPECT_EQ(LabelTexts(window), std::vector<std::string>{text});
        EXPECT_EQ(ButtonLabels(window), std::vector<std::string>{"Cancel"});
        ASSERT_TRUE(rmg::GetProgressBar());
        EXPECT_EQ(rmg::GetProgressBar()->get_fraction(), 0.0);
        EXPECT_TRUE(rmg::GetProgressBar()->get_show_text());
        EXPECT_EQ(scope.table.ProgressDlg, rmg::GetProgressDlg());
        EXPECT_EQ(scope.table.ProgressBar, rmg::GetProgressBar());
        // More files done than counted, or fewer than none, stay in the bar.
        for (const auto& [given, shown] : {std::pair{0.25, 0.25}, {1.7, 1.0}, {-3.0, 0.0}}) {
            rmg::SetProgressFraction(given);
            EXPECT_DOUBLE_EQ(rmg::GetProgressBar()->get_fraction(), shown);
        }
        rmg::DestroyProgressDlg();
        EXPECT_EQ(rmg::GetProgressDlg(), nullptr);
        EXPECT_EQ(FindWindow(kTitle), nullptr);
        EXPECT_EQ(scope.table.ProgressDlg, nullptr);
        EXPECT_EQ(scope.table.ProgressBar, nullptr);
    }
    rmg::DestroyProgressDlg();  // no window: nothing
    rmg::SetProgressFraction(0.5);
}

TEST(GuiProgress, CancelAndClosingAreNoticedWhileEventsAreLetThrough) {
    TableScope scope;
    for (bool byClose : {false, true}) {
        SCOPED_TRACE(byClose);
        scope.table.ProgressCancel = 0;
        rmg::CreateProgressDlg(rmg::OP_DELETE);
        EXPECT_FALSE(rmg::ProgressCancelClicked());
        WhenShown(kTitle, [byClose](Gtk::Window* window) {
            if (byClose) {
                SendDelete(window);
            } else {
                ButtonNamed(window, "Cancel")->clicked();
            }
        });
        // The operation's steps are the only thing that lets events in.
        for (int i = 0; i < 500 && !rmg::ProgressCancelClicked(); ++i) {
            rmg::SetProgressFraction(i / 500.0);
            g_usleep(2000);
        }
        EXPECT_TRUE(rmg::ProgressCancelClicked());
        EXPECT_EQ(scope.table.ProgressCancel, 1);
        EXPECT_NE(rmg::GetProgressDlg(), nullptr) << "closing only asks; the operation closes it";
        rmg::DestroyProgressDlg();
    }
    // A new window starts uncancelled.
    rmg::CreateProgressDlg(rmg::OP_COPY);
    EXPECT_FALSE(rmg::ProgressCancelClicked());
    rmg::DestroyProgressDlg();
}

// With the engine ------------------------------------------------------------

class GuiProgressEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        scope.table.HomeDir = dir.path() + "/";
        scope.table.CurrentDir = scope.table.HomeDir;
        scope.table.ShowProgress = 1;
        scope.table.ConfilmOverwrite = 0;
        main.set_title("Main");
        main.show();
        rmg::SetFileOpUi(&ui);
    }
    void TearDown() override {
        rmg::SetFileOpUi(nullptr);
        rmg::DestroyProgressDlg();
    }

    std::string MakeFiles(const std::string& name, int count, std::size_t size) {
        const std::string src = dir / name + "/";
        testutil::MakeDirs(src);
        const std::string body(size, 'x');
        for (int i = 0; i < count; ++i) {
            testutil::WriteFile(src + "f" + std::to_string(i), body);
        }
        return src;
    }

    static int CountIn(const std::string& path) {
        std::error_code ec;
        int n = 0;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            n += it->is_regular_file() ? 1 : 0;
        }
        return n;
    }

    // Runs one copy or delete the way the file commands do; the result.
    static int Run(int kind, const std::string& src, const std::string& dst = {}) {
        int decided = 0;
        int answer = rmg::RESULT_YES_ALL;
        rmg::SetupProgress({src}, kind);
        const int result = kind == rmg::OP_COPY ? rmg::CopyFile(dst, src, &decided)
                                                : rmg::RemoveFile(src, &answer);
        if (result == rmg::RESULT_NO) {
            rmg::DestroyProgress();
        }
        rmg::EndProgress();
        return result;
    }

    testutil::TempDir dir;
    TableScope scope;
    Gtk::Window main;
    rmg::WindowUi ui{&main};
};

TEST_F(GuiProgressEngine, OneFileShowsTheWindowAndClosesItWhenDone) {
    testutil::WriteFile(dir / "one.txt", "hello");
    testutil::MakeDirs(dir / "to");
    bool seenAtZero = false;
    bool mainOff = false;
    WhenShown(kTitle, [&](Gtk::Window*) {
        seenAtZero = rmg::GetProgressBar() != nullptr;
        mainOff = !main.get_sensitive();
    });
    int decided = 0;
    rmg::SetupProgress({dir / "one.txt"}, rmg::OP_COPY);
    ASSERT_NE(rmg::GetProgressDlg(), nullptr);
    EXPECT_EQ(scope.table.ProgressTotal, 1);
    PumpUntil([&] { return seenAtZero; }, 2000);
    EXPECT_TRUE(mainOff);
    EXPECT_EQ(rmg::CopyFile(dir / "to/", dir / "one.txt", &decided), 0);
    // Exactly 1.0 after the only file: gone before EndProgress.
    EXPECT_EQ(rmg::GetProgressDlg(), nullptr);
    EXPECT_TRUE(main.get_sensitive());
    rmg::EndProgress();
    EXPECT_EQ(testutil::ReadFile(dir / "to/one.txt"), "hello");
}

TEST(GuiProgressUi, MainWindowClosedDuringAnOperationIsNotTouched) {
    auto* main = new Gtk::Window();
    main->show();
    rmg::WindowUi ui(main);
    ASSERT_TRUE(ui.CreateProgressWindow(rmg::OP_COPY));
    EXPECT_FALSE(main->get_sensitive());
    delete main;  // closed by the window manager while the copy runs
    ui.ShowProgressFraction(0.5);
    ui.DestroyProgressWindow();
    EXPECT_EQ(rmg::GetProgressDlg(), nullptr);
}

// Cancel in a copy, closing the window in a delete: either stops the
// operation once some files are done, and once only.
TEST_F(GuiProgressEngine, CancelOrClosingStopsALongOperationOnceAndKeepsWhatWasDone) {
    const int total = 1500;
    for (int kind : {rmg::OP_COPY, rmg::OP_DELETE}) {
        SCOPED_TRACE(kind);
        const std::string name = "src" + std::to_string(kind);
        const std::string src = MakeFiles(name, total, 2048);
        testutil::MakeDirs(dir / "to");
        const std::string watched = kind == rmg::OP_COPY ? dir / ("to/" + name) : src;
        auto progressed = [&] {
            const int n = CountIn(watched);
            return kind == rmg::OP_COPY ? n >= 20 : n <= total - 20;
        };
        bool stopped = false;
        Glib::signal_timeout().connect(
            [&] {
                if (!rmg::GetProgressDlg() || !progressed()) {
                    return !stopped;
                }
                if (kind == rmg::OP_COPY) {
                    ButtonNamed(rmg::GetProgressDlg(), "Cancel")->clicked();
                } else {
                    SendDelete(rmg::GetProgressDlg());
                }
                stopped = true;
                return false;
            },
            5);
        EXPECT_EQ(Run(kind, src, dir / "to/"), rmg::RESULT_NO);
        EXPECT_TRUE(stopped);
        const int left = CountIn(watched);
        EXPECT_GT(left, 0);
        EXPECT_LT(left, total);
        EXPECT_EQ(rmg::GetProgressDlg(), nullptr);
        EXPECT_TRUE(main.get_sensitive());
        // No further box: only the main window is up.
        for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
            if (window->get_visible()) {
                EXPECT_EQ(window->get_title(), "Main");
            }
        }
        // Once reported, later steps of the same operation go on quietly.
        EXPECT_EQ(rmg::UpdateProgress(), 0);
    }
}

}  // namespace

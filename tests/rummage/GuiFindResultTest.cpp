// The result window of "Find file": a tree in name order at every level,
// and a search that Cancel or closing the window stops while it runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "GuiBrowseSupport.h"
#include "GuiDialogDriver.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfind.h"
#include "rummage/rmgtable.h"

namespace rmg {
namespace {

using rmgtest::ButtonNamed;
using rmgtest::PumpUntil;
using rmgtest::WhenShown;
using rmgtest::Widgets;

class FindResultTest : public rmgtest::BrowseTest {
  protected:
    static Gtk::TreeView* ResultTree(Gtk::Window* result) {
        return guitest::WidgetNamed<Gtk::TreeView>(result, "Result of find");
    }
    static Gtk::Label* StatusLabel(Gtk::Window* result) {
        return Widgets<Gtk::Label>(result).front();
    }
    // The rows in the order shown, one blank of indent per level; a
    // directory row whose children are hidden is marked with "+".
    static std::vector<std::string> Rows(Gtk::TreeView* tree) {
        std::vector<std::string> rows;
        tree->get_model()->foreach (
            [&](const Gtk::TreeModel::Path& path, const Gtk::TreeModel::iterator& it) {
                Glib::ustring text;
                it->get_value(0, text);
                const bool hidden = !it->children().empty() && !tree->row_expanded(path);
                rows.push_back(std::string(path.size() - 1, ' ') + text + (hidden ? "+" : ""));
                return false;
            });
        return rows;
    }
    // Runs the result window on home_; a broken test ends it after a while
    // instead of hanging.
    int RunResult(const std::string& pattern) {
        sigc::connection guard = Glib::signal_timeout().connect(
            [] {
                ADD_FAILURE() << "the result window did not end";
                suite::EndModalLoop();
                return false;
            },
            30000);
        DialogWindow* dialog = nullptr;
        const int result = CreateFindResultDlg(&dialog, nullptr, home_, home_, pattern, true);
        guard.disconnect();
        return result;
    }
};

TEST_F(FindResultTest, TreeIsInNameOrderAtEveryLevelAndFullyExpanded) {
    Make({"b.txt=", "zz.md=", "B.txt=", "ab/z.txt=", "a.txt=", "ab/c.txt=", "a/x.txt=", "c/",
          "a/deep/y.txt=", "a/deep/y.md=", "empty.txt/"});
    Start();
    std::vector<std::string> rows;
    WhenShown("Result of find", [&](Gtk::Window* result) {
        PumpUntil([&] { return StatusLabel(result)->get_text() == "Match file list"; });
        rows = Rows(ResultTree(result));
        ButtonNamed(result, "OK")->clicked();
    });
    EXPECT_EQ(RunResult("*.txt"), RESULT_YES);
    // Byte order, as names are bytes: capitals first, a prefix before the
    // longer name.
    EXPECT_EQ(rows, (std::vector<std::string>{home_, " B.txt", " a", "  deep", "   y.txt",
                                              "  x.txt", " a.txt", " ab", "  c.txt", "  z.txt",
                                              " b.txt", " empty.txt"}));
}

TEST_F(FindResultTest, CancelAndClosingTheWindowStopARunningSearch) {
    // Enough entries that the search is still running when the test acts.
    for (int d = 0; d < 20; ++d) {
        const std::string dir = home_ + "d" + std::to_string(d) + "/";
        testutil::MakeDirs(dir);
        for (int f = 0; f < 1000; ++f) {
            const int fd = ::open((dir + "f" + std::to_string(f)).c_str(),
                                  O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    Start();
    const std::size_t everything = 1 + 20 + 20 * 1000;
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closing the window" : "Cancel");
        bool acted = false;
        std::size_t shown = 0;
        WhenShown("Result of find", [&](Gtk::Window* result) {
            Gtk::Label* label = StatusLabel(result);
            // The search has taken a step and has more to do.
            ASSERT_TRUE(PumpUntil([&] { return label->get_text().size() > 7; }));
            ASSERT_EQ(label->get_text().substr(0, 7), "Find...");
            acted = true;
            if (close) {
                rmgtest::SendDelete(result);
                return;
            }
            ButtonNamed(result, "Cancel")->clicked();
            EXPECT_EQ(label->get_text(), "Search cancelled");
            shown = Rows(ResultTree(result)).size();
            guitest::Pump(300);
            // Nothing more is found once stopped; what was found stays usable.
            EXPECT_EQ(Rows(ResultTree(result)).size(), shown);
            EXPECT_TRUE(ButtonNamed(result, "OK")->get_sensitive());
            EXPECT_TRUE(ButtonNamed(result, "Display directory")->get_sensitive());
            EXPECT_FALSE(ButtonNamed(result, "Cancel")->get_visible());
            ButtonNamed(result, "OK")->clicked();
        });
        EXPECT_EQ(RunResult("*"), RESULT_YES);
        EXPECT_TRUE(acted);
        EXPECT_EQ(rmgtest::FindWindow("Result of find"), nullptr);
        if (!close) {
            EXPECT_GT(shown, 1u);
            EXPECT_LT(shown, everything);
        }
        // The stopped search does not run on behind the closed window.
        guitest::Pump(200);
    }
}

}  // namespace
}  // namespace rmg

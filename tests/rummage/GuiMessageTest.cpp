// Message boxes and the delete question, answered through real windows.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <string>
#include <vector>

#include "GuiBrowseSupport.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgpixmap.h"
#include "rummage/rmgui.h"
#include "tests/rummage/GuiDialogDriver.h"

namespace {

using namespace rmgtest;
using rmg::RESULT_CANCEL;
using rmg::RESULT_NO;
using rmg::RESULT_YES;
using rmg::RESULT_YES_ALL;

struct Seen {
    std::vector<std::string> labels;
    std::vector<std::string> buttons;
    GdkPixbuf* icon = nullptr;
    bool focusOnLast = false;
    bool defaultOnLast = false;
};

Seen Look(Gtk::Window* window) {
    Seen seen;
    seen.labels = LabelTexts(window);
    seen.buttons = ButtonLabels(window);
    auto images = Widgets<Gtk::Image>(window);
    if (!images.empty() && images.front()->get_pixbuf()) {
        seen.icon = images.front()->get_pixbuf()->gobj();
    }
    auto buttons = Buttons(window);
    if (!buttons.empty()) {
        seen.focusOnLast = window->get_focus() == buttons.back();
        seen.defaultOnLast = buttons.back()->has_default();
    }
    return seen;
}

enum class Act { First, Second, Close, Return };

// Shows a box, answers it with `act`, returns the answer and what was seen.
int RunBox(int style, Act act, Seen* seen, const std::string& text = "Some text") {
    WhenShown("Box title", [act, seen](Gtk::Window* window) {
        if (seen) {
            *seen = Look(window);
        }
        auto buttons = Buttons(window);
        switch (act) {
            case Act::First:
                buttons.front()->clicked();
                break;
            case Act::Second:
                buttons.back()->clicked();
                break;
            case Act::Close:
                SendDelete(window);
                break;
            case Act::Return:
                SendKey(window, GDK_KEY_Return);
                break;
        }
    });
    return rmg::MessageBox("Box title", text, style);
}

struct ButtonSetCase {
    int set;
    std::vector<std::string> labels;
};

TEST(GuiMessageBox, ButtonSetsShowTheirButtonsAndAnswerFirstYesSecondNo) {
    const std::vector<ButtonSetCase> cases = {
        {rmg::MB_YES, {"Yes"}},
        {rmg::MB_OK, {"OK"}},
        {0x90000, {"OK"}},  // unknown set: a single OK
        {0, {"OK"}},
        {rmg::MB_YESNO, {"Yes", "No"}},
        {rmg::MB_OKCANCEL, {"OK", "Cancel"}},
        {rmg::MB_SKIPCANCEL, {"Skip", "Cancel"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        Seen seen;
        EXPECT_EQ(RunBox(c.set + rmg::MB_ICON_QUESTION, Act::First, &seen), RESULT_YES);
        EXPECT_EQ(seen.buttons, c.labels);
        EXPECT_TRUE(seen.focusOnLast);
        EXPECT_TRUE(seen.defaultOnLast);
        if (c.labels.size() == 2) {
            EXPECT_EQ(RunBox(c.set + rmg::MB_ICON_QUESTION, Act::Second, nullptr), RESULT_NO);
        }
        EXPECT_EQ(FindWindow("Box title"), nullptr) << "the box is gone after it answered";
    }
}

TEST(GuiMessageBox, ClosingOrReturnAnswersTheLastButton) {
    EXPECT_EQ(RunBox(rmg::MB_YESNO + rmg::MB_ICON_QUESTION, Act::Close, nullptr), RESULT_NO);
    EXPECT_EQ(RunBox(rmg::MB_SKIPCANCEL + rmg::MB_ICON_STOP, Act::Close, nullptr), RESULT_NO);
    EXPECT_EQ(RunBox(rmg::MB_OK + rmg::MB_ICON_STOP, Act::Close, nullptr), RESULT_YES);
    EXPECT_EQ(RunBox(rmg::MB_YESNO + rmg::MB_ICON_QUESTION, Act::Return, nullptr), RESULT_NO);
    EXPECT_EQ(RunBox(rmg::MB_OKCANCEL + rmg::MB_ICON_QUESTION, Act::Return, nullptr), RESULT_NO);
    EXPECT_EQ(RunBox(rmg::MB_OK + rmg::MB_ICON_INFORMATION, Act::Return, nullptr), RESULT_YES);
}

TEST(GuiMessageBox, IconKindChoosesThePictureUnknownIsStop) {
    const std::vector<std::pair<int, Glib::RefPtr<Gdk::Pixbuf>>> cases = {
        {rmg::MB_ICON_INFORMATION, rmg::InformationPixbuf()},
        {rmg::MB_ICON_QUESTION, rmg::QuestionPixbuf()},
        {rmg::MB_ICON_EXCLAMATION, rmg::ExclamationPixbuf()},
        {rmg::MB_ICON_STOP, rmg::StopPixbuf()},
        {rmg::MB_ICON_DELETE, rmg::DeletePixbuf()},
        {0, rmg::StopPixbuf()},
        {77, rmg::StopPixbuf()},
    };
    for (const auto& [kind, pixbuf] : cases) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(pixbuf);
        EXPECT_EQ(pixbuf->get_width(), 32);
        EXPECT_EQ(pixbuf->get_height(), 32);
        Seen seen;
        RunBox(rmg::MB_OK + kind, Act::First, &seen);
        EXPECT_EQ(seen.icon, pixbuf->gobj());
    }
}

TEST(GuiMessageBox, TextIsShownLiterallyAndBadBytesDoNotBreakIt) {
    Seen seen;
    RunBox(rmg::MB_OK + rmg::MB_ICON_STOP, Act::First, &seen, "Cannot copy <b>a&b</b>\nline two");
    ASSERT_EQ(seen.labels.size(), 1u);
    EXPECT_EQ(seen.labels[0], "Cannot copy <b>a&b</b>\nline two");

    // A file name that is not UTF-8 still gives a readable box.
    RunBox(rmg::MB_OK + rmg::MB_ICON_STOP, Act::First, &seen, "File /tmp/\xff\xfe.txt");
    ASSERT_EQ(seen.labels.size(), 1u);
    EXPECT_TRUE(g_utf8_validate(seen.labels[0].c_str(), -1, nullptr));
    EXPECT_EQ(seen.labels[0].rfind("File /tmp/", 0), 0u);
    EXPECT_NE(seen.labels[0].find(".txt"), std::string::npos);
}

// The delete question ------------------------------------------------------

struct DeleteRun {
    int result = 0;
    Seen seen;
    std::string title;
    bool parentOffWhileUp = false;
};

DeleteRun RunDelete(Gtk::Window* parent, const std::string& path, bool tick, Act act,
                    const char* button = nullptr) {
    DeleteRun run;
    WhenShown("Delete", [&run, parent, tick, act, button](Gtk::Window* window) {
        run.seen = Look(window);
        run.title = window->get_title();
        run.parentOffWhileUp = parent && !parent->get_sensitive();
        auto checks = Widgets<Gtk::CheckButton>(window);
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_FALSE(checks[0]->get_active());
        EXPECT_EQ(checks[0]->get_label(), "Do the same for the rest");
        checks[0]->set_active(tick);
        if (act == Act::Close) {
            SendDelete(window);
        } else if (act == Act::Return) {
            SendKey(window, GDK_KEY_Return);
        } else {
            ButtonNamed(window, button)->clicked();
        }
    });
    run.result = rmg::DeleteMessageBox(parent, path);
    return run;
}

TEST(GuiDeleteMessageBox, ShowsPathQuestionAndThreeButtons) {
    DeleteRun run = RunDelete(nullptr, "/home/u/old/", false, Act::First, "Yes");
    EXPECT_EQ(run.result, RESULT_YES);
    EXPECT_EQ(run.title, "Delete");
    ASSERT_EQ(run.seen.labels.size(), 2u);
    EXPECT_EQ(run.seen.labels[0], "Delete - /home/u/old/");
    EXPECT_EQ(run.seen.labels[1], "Directory not empty.Is the file in a directory also delete? ");
    EXPECT_EQ(run.seen.buttons, (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_TRUE(run.seen.focusOnLast);
    EXPECT_TRUE(run.seen.defaultOnLast);
    EXPECT_EQ(run.seen.icon, rmg::QuestionPixbuf()->gobj());
}

TEST(GuiDeleteMessageBox, AnswersWithAndWithoutTheTick) {
    EXPECT_EQ(RunDelete(nullptr, "/d/", true, Act::First, "Yes").result, RESULT_YES_ALL);
    EXPECT_EQ(RunDelete(nullptr, "/d/", false, Act::First, "No").result, RESULT_NO);
    EXPECT_EQ(RunDelete(nullptr, "/d/", true, Act::First, "No").result, RESULT_NO);
    EXPECT_EQ(RunDelete(nullptr, "/d/", true, Act::First, "Cancel").result, RESULT_CANCEL);
    EXPECT_EQ(RunDelete(nullptr, "/d/", true, Act::Close).result, RESULT_CANCEL);
    EXPECT_EQ(RunDelete(nullptr, "/d/", false, Act::Return).result, RESULT_CANCEL);
}

TEST(GuiDeleteMessageBox, ParentIsOffWhileItRunsAndNoPathShowsNothing) {
    Gtk::Window parent;
    parent.set_title("Parent");
    parent.show();
    DeleteRun run = RunDelete(&parent, "/d/", false, Act::Close);
    EXPECT_TRUE(run.parentOffWhileUp);
    EXPECT_TRUE(parent.get_sensitive());

    // Nothing to ask about: no window, the cautious answer.
    EXPECT_EQ(rmg::DeleteMessageBox(&parent, ""), RESULT_CANCEL);
    EXPECT_EQ(FindWindow("Delete"), nullptr);
}

// The path-check error box -------------------------------------------------

// A window with two entries, the focus in the first.
class GuiFileExistMessageBox : public ::testing::Test {
  protected:
    GuiFileExistMessageBox() {
        box.pack_start(other);
        box.pack_start(entry);
        owner.add(box);
        owner.show_all();
        other.grab_focus();
    }
    Gtk::Window owner;
    Gtk::Box box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Entry other;
    Gtk::Entry entry;
};

TEST_F(GuiFileExistMessageBox, ShowsTheCodesTextAndSelectsTheEntry) {
    entry.set_text("/home/u/file.txt");
    entry.select_region(0, 0);

    Seen seen;
    std::string title;
    WhenShown("Error", [&](Gtk::Window* window) {
        seen = Look(window);
        title = window->get_title();
        Buttons(window).front()->clicked();
    });
    rmg::FileExistMessageBox(7, &entry, "/home/u/file.txt");
    EXPECT_EQ(title, "Error");
    ASSERT_EQ(seen.labels.size(), 1u);
    EXPECT_EQ(seen.labels[0], "The specified file already exists.");
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(seen.icon, rmg::StopPixbuf()->gobj());
    EXPECT_EQ(owner.get_focus(), &entry);
    int start = -1, end = -1;
    ASSERT_TRUE(entry.get_selection_bounds(start, end));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, static_cast<int>(entry.get_text().size()));
}

TEST_F(GuiFileExistMessageBox, WithoutPathTheEntryIsLeftAloneAndOddCodesSayInternalError) {
    const std::vector<std::pair<int, std::string>> cases = {
        {4, "Parent directory does not exist."},
        {-1, "Internal error."},
        {99, "Internal error."},
    };
    for (const auto& [code, text] : cases) {
        SCOPED_TRACE(code);
        std::string shown;
        WhenShown("Error", [&shown](Gtk::Window* window) {
            shown = LabelTexts(window).at(0);
            Buttons(window).front()->clicked();
        });
        rmg::FileExistMessageBox(code, &entry, nullptr);
        EXPECT_EQ(shown, text);
        EXPECT_EQ(owner.get_focus(), &other);
    }
}

// Saves one box as a picture into the build tree, for a look at the artwork.
TEST(GuiMessageBox, ScreenshotOfABox) {
    for (int kind = rmg::MB_ICON_INFORMATION; kind <= rmg::MB_ICON_DELETE; ++kind) {
        WhenShown("Box title", [kind](Gtk::Window* window) {
            Shoot(window, "message-box-" + std::to_string(kind));
            Buttons(window).back()->clicked();
        });
        rmg::MessageBox("Box title", "The specified file already exists.", rmg::MB_YESNO + kind);
    }
}

}  // namespace

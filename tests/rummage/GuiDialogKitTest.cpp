// The dialog kit: frames, button rows, the modal loop and history combos.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <string>

#include "rummage/rmgdialog.h"
#include "rummage/rmgui.h"
#include "tests/rummage/GuiDialogDriver.h"

namespace {

using namespace rmgtest;

TEST(GuiDialogKit, SizeIsFixedOnlyWhenBothSidesAreGiven) {
    Gtk::Box* box = nullptr;
    std::unique_ptr<rmg::DialogWindow> sized(rmg::CreateNormalDialogBox(&box, 310, 350, 5));
    ASSERT_TRUE(box);
    rmg::CreateLabel(box, "x");
    int w = 0, h = 0;
    sized->get_size_request(w, h);
    EXPECT_EQ(w, 310);
    EXPECT_EQ(h, 350);
    EXPECT_FALSE(sized->get_resizable());
    EXPECT_TRUE(sized->get_modal());

    std::unique_ptr<rmg::DialogWindow> natural(rmg::CreateDialogBox(&box, 0, 350));
    rmg::CreateLabel(box, "A short label");
    natural->get_size_request(w, h);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
    natural->show();
    PumpUntil([&] { return natural->get_mapped(); }, 2000);
    EXPECT_GT(natural->get_allocated_width(), 0);
    EXPECT_LT(natural->get_allocated_width(), 300) << "natural size, not 0 x 350 or a default";
}

TEST(GuiDialogKit, ButtonRowPutsFocusAndDefaultOnCancel) {
    Gtk::Box* box = nullptr;
    std::unique_ptr<rmg::DialogWindow> dialog(rmg::CreateNormalDialogBox(&box, 0, 0, 5));
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    ASSERT_EQ(rmg::CreateDlgButtonBox(dialog.get(), &ok, &cancel, true), 0);
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ButtonLabels(dialog.get()), (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(dialog->get_focus(), cancel);
    EXPECT_TRUE(cancel->has_default());

    std::unique_ptr<rmg::DialogWindow> alone(rmg::CreateNormalDialogBox(&box, 0, 0, 5));
    Gtk::Button* only = nullptr;
    ASSERT_EQ(rmg::CreateDlgButtonBox(alone.get(), &only, nullptr, false), 0);
    EXPECT_EQ(ButtonLabels(alone.get()), std::vector<std::string>{"OK"});
    EXPECT_EQ(alone->get_focus(), only);
    EXPECT_TRUE(only->has_default());

    EXPECT_EQ(rmg::CreateDlgButtonBox(nullptr, &ok, &cancel, true), rmg::RESULT_CREATE_FAILED);
}

// Runs a dialog with OK and/or Cancel under ModalMainLoop with `parent`
// disabled; `act` answers it.  Reports whether OK's own handler ran and
// whether the parent was off meanwhile.
struct ModalRun {
    bool okClicked = false;
    bool parentOff = false;
    Gtk::Window* above = nullptr;  // what it was kept above
};

ModalRun RunModal(Gtk::Window* parent, bool withCancel, std::function<void(Gtk::Window*)> act) {
    ModalRun run;
    Gtk::Box* box = nullptr;
    rmg::DialogWindow* dialog = rmg::CreateNormalDialogBox(&box, 0, 0, 5);
    dialog->set_title("Kit dialog");
    rmg::CreateLabel(box, "Body");
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    rmg::CreateDlgButtonBox(dialog, &ok, withCancel ? &cancel : nullptr, true);
    if (withCancel) {
        ok->signal_clicked().connect([&run] {
            run.okClicked = true;
            suite::EndModalLoop();
        });
    } else {
        ok->signal_clicked().connect([&run] { run.okClicked = true; });
    }
    WhenShown("Kit dialog", [&run, parent, act](Gtk::Window* window) {
        run.parentOff = parent && !parent->get_sensitive();
        run.above = window->get_transient_for();
        act(window);
    });
    rmg::ModalMainLoop(dialog, parent);
    return run;
}

TEST(GuiDialogKit, ModalLoopDisablesTheParentUntilItEnds) {
    Gtk::Window main;
    main.set_title("Main");
    main.show();

    ModalRun byOk = RunModal(&main, true, [](Gtk::Window* w) { ButtonNamed(w, "OK")->clicked(); });
    EXPECT_TRUE(byOk.okClicked);
    EXPECT_TRUE(byOk.parentOff);
    EXPECT_EQ(byOk.above, &main);
    EXPECT_TRUE(main.get_sensitive());
    EXPECT_EQ(FindWindow("Kit dialog"), nullptr);
    EXPECT_EQ(suite::ModalLoopDepth(), 0);

    ModalRun byClose = RunModal(&main, true, [](Gtk::Window* w) { SendDelete(w); });
    EXPECT_FALSE(byClose.okClicked);
    EXPECT_TRUE(byClose.parentOff);
    EXPECT_TRUE(main.get_sensitive());

    // Only OK, closing acts as OK and ends the dialog.
    ModalRun okAlone = RunModal(&main, false, [](Gtk::Window* w) { SendDelete(w); });
    EXPECT_TRUE(okAlone.okClicked);
    EXPECT_TRUE(main.get_sensitive());
}

TEST(GuiDialogKit, InnerDialogLeavesAnAlreadyDisabledWindowDisabled) {
    Gtk::Window main;
    main.show();
    main.set_sensitive(false);  // an outer dialog has it off
    RunModal(&main, true, [](Gtk::Window* w) { ButtonNamed(w, "Cancel")->clicked(); });
    EXPECT_FALSE(main.get_sensitive());
}

TEST(GuiDialogKit, ParentDestroyedWhileTheDialogRunsIsNotTouched) {
    auto* main = new Gtk::Window();
    main->show();
    RunModal(main, true, [main](Gtk::Window* w) {
        delete main;
        ButtonNamed(w, "Cancel")->clicked();
    });
    EXPECT_EQ(suite::ModalLoopDepth(), 0);
}

TEST(GuiDialogKit, NestedDialogEndsOnlyItsOwnLoop) {
    bool innerSeen = false;
    bool outerStillUp = false;
    ModalRun outer = RunModal(nullptr, true, [&](Gtk::Window* outerWindow) {
        // A box opened from the outer dialog: its Cancel must end only it.
        Gtk::Box* box = nullptr;
        rmg::DialogWindow* inner = rmg::CreateNormalDialogBox(&box, 0, 0, 5);
        inner->set_title("Inner dialog");
        Gtk::Button* cancel = nullptr;
        rmg::CreateDlgButtonBox(inner, nullptr, &cancel, true);
        WhenShown("Inner dialog", [&](Gtk::Window* w) {
            innerSeen = suite::ModalLoopDepth() == 2 && w->get_transient_for() == outerWindow;
            ButtonNamed(w, "Cancel")->clicked();
        });
        rmg::ModalMainLoop(inner, outerWindow);
        outerStillUp = FindWindow("Kit dialog") != nullptr && outerWindow->get_sensitive();
        ButtonNamed(outerWindow, "OK")->clicked();
    });
    EXPECT_TRUE(innerSeen);
    EXPECT_TRUE(outerStillUp);
    EXPECT_TRUE(outer.okClicked);
}

TEST(GuiDialogKit, ComboLimitsBytes) {
    Gtk::Entry* entry = nullptr;
    Gtk::ComboBoxText* combo = rmg::CreateComboBox(&entry, true, 6);
    ASSERT_TRUE(combo && entry);
    Gtk::Window holder;
    holder.add(*combo);

    entry->set_text("abcdefgh");
    EXPECT_EQ(entry->get_text(), "abcdef");
    // Multi-byte text is cut at a character start, never mid-character.
    entry->set_text("ab\xc3\xa9\xc3\xa9\xc3\xa9");  // ab + three 2-byte letters
    EXPECT_EQ(entry->get_text().raw(), "ab\xc3\xa9\xc3\xa9");

    Gtk::Entry* fixed = nullptr;
    Gtk::ComboBoxText* readOnly = rmg::CreateComboBox(&fixed, false, 0);
    EXPECT_FALSE(fixed->get_editable());
    delete readOnly;
}

TEST(GuiDialogKit, ComboHistoryKeepsTheTypedTextAndArrowsStepThroughIt) {
    Gtk::Entry* entry = nullptr;
    Gtk::ComboBoxText* combo = rmg::CreateComboBox(&entry, true, 2047);
    Gtk::Window holder;
    holder.add(*combo);

    rmg::HistoryList list = {"/home/u/a/", "/home/u/b/"};
    entry->set_text("/x/");
    rmg::SetComboList(combo, list);
    EXPECT_EQ(entry->get_text(), "/x/");
    auto model = combo->get_model();
    EXPECT_EQ(model->children().size(), 2u);

    // Arrow keys step through the list from the entry's text.
    holder.show_all();
    entry->grab_focus();
    SendKey(&holder, GDK_KEY_Down);
    EXPECT_EQ(entry->get_text(), "/home/u/a/");
    SendKey(&holder, GDK_KEY_Down);
    EXPECT_EQ(entry->get_text(), "/home/u/b/");
    SendKey(&holder, GDK_KEY_Down);
    EXPECT_EQ(entry->get_text(), "/home/u/b/");
    SendKey(&holder, GDK_KEY_Up);
    EXPECT_EQ(entry->get_text(), "/home/u/a/");

    rmg::HistoryList added;
    entry->set_text("");
    rmg::AddHistoryListC(combo, added);
    EXPECT_TRUE(added.empty());
    entry->set_text("/q/");
    rmg::AddHistoryListC(combo, added);
    EXPECT_EQ(added, rmg::HistoryList{"/q/"});
}

TEST(GuiDialogKit, DisplayTextIsAlwaysValid) {
    EXPECT_EQ(rmg::ToDisplay("/home/u/r\xc3\xa9sum\xc3\xa9/").raw(),
              "/home/u/r\xc3\xa9sum\xc3\xa9/");
    const Glib::ustring bad = rmg::ToDisplay("/tmp/\xff\x80name");
    EXPECT_TRUE(bad.validate());
    EXPECT_NE(bad.raw().find("name"), std::string::npos);
    EXPECT_EQ(rmg::FromDisplay("/home/u/r\xc3\xa9sum\xc3\xa9/"), "/home/u/r\xc3\xa9sum\xc3\xa9/");
}

}  // namespace

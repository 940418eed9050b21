// The menu commands driven through their dialogs as a person would: texts,
// sensitivity, and what lands on disk.  One test per dialog.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "GuiBrowseSupport.h"
#include "GuiDialogDriver.h"
#include "TestUtil.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmghelpmenu.h"
#include "rummage/rmglayoutmenu.h"
#include "rummage/rmgmenubar.h"
#include "rummage/rmgsettingmenu.h"
#include "rummage/rmgutil.h"

namespace rmg {
namespace {

using guitest::WidgetNamed;
using rmgtest::ButtonNamed;
using rmgtest::LabelTexts;
using rmgtest::PumpUntil;
using rmgtest::Shoot;
using rmgtest::WhenShown;
using rmgtest::Widgets;
using testutil::Exists;
using testutil::MakeDirs;
using testutil::ReadFile;
using testutil::WriteFile;

Gtk::CheckButton* CheckLabelled(Gtk::Window* window, const std::string& label) {
    for (Gtk::CheckButton* check : Widgets<Gtk::CheckButton>(window)) {
        if (check->get_label() == label) {
            return check;
        }
    }
    return nullptr;
}

bool HasText(Gtk::Window* window, const std::string& text) {
    return std::ranges::count(LabelTexts(window), text) > 0;
}

// Answers the next error box, remembering its text.
void AnswerError(std::string* text) {
    WhenShown("Error", [text](Gtk::Window* box) {
        for (const std::string& shown : LabelTexts(box)) {
            if (!shown.empty()) {
                *text = shown;
            }
        }
        ButtonNamed(box, "OK")->clicked();
    });
}

// Clicks OK in `dialog` and returns the text of the error box it brings up.
std::string ErrorOnOk(Gtk::Window* dialog) {
    std::string error;
    AnswerError(&error);
    ButtonNamed(dialog, "OK")->clicked();
    PumpUntil([&] { return !error.empty(); });
    return error;
}

class CommandsWindowTest : public rmgtest::BrowseTest {
  protected:
    void Select(std::initializer_list<const char*> names) {
        UnselectAllListRows();
        for (const char* name : names) {
            SelectListRow(RowOf(name));
        }
    }
    std::vector<std::string> Selected() {
        std::vector<std::string> names;
        for (int row : GetListSelectedRows()) {
            names.push_back(GetListRowName(row));
        }
        return names;
    }
};

TEST_F(CommandsWindowTest, FileMenuCreatesCopiesAndDeletes) {
    Make({"a.txt=A", "b.txt=B"});
    Start([](GTable& t) { t.ConfilmDel = 1; });

    WhenShown("Create a new directory", [](Gtk::Window* w) {
        EXPECT_TRUE(HasText(w, "New directory name:"));
        Gtk::Entry* entry = Widgets<Gtk::Entry>(w).front();
        entry->set_text("made");
        entry->activate();  // Return acts as OK
    });
    on_Menu_NewDirectory_activate();
    EXPECT_TRUE(IsDirectory(home_ + "made"));
    EXPECT_EQ(pGTable->CurrentDir, home_ + "made/");

    // A name that does not check out keeps the dialog open; one that
    // exists is refused when the file is made, and keeps its content.
    OpenChildTree(Tree(), home_, 0);
    std::string error;
    WhenShown("Create a new file", [&](Gtk::Window* w) {
        Gtk::Entry* entry = Widgets<Gtk::Entry>(w).front();
        entry->set_text("no/such/dir/x");
        EXPECT_EQ(ErrorOnOk(w), "Path is inaccurate.");
        EXPECT_TRUE(w->get_visible());
        AnswerError(&error);
        entry->set_text("a.txt");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_NewFile_activate();
    EXPECT_EQ(error, "The specified file already exists.");
    EXPECT_EQ(ReadFile(home_ + "a.txt"), "A");
    WhenShown("Create a new file", [](Gtk::Window* w) {
        Widgets<Gtk::Entry>(w).front()->set_text("empty.txt");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_NewFile_activate();
    EXPECT_EQ(ReadFile(home_ + "empty.txt"), "");

    // Two files to a new name: both land inside it.
    Select({"a.txt", "b.txt"});
    WhenShown("Copy", [&](Gtk::Window* w) {
        EXPECT_TRUE(HasText(w, "Copy 2 file to:"));
        Widgets<Gtk::Entry>(w).front()->set_text(home_ + "pair");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Copy_activate();
    EXPECT_EQ(ReadFile(home_ + "pair/a.txt"), "A");
    EXPECT_EQ(ReadFile(home_ + "pair/b.txt"), "B");
    // A directory first lands the same way, under its own name.
    OpenChildTree(Tree(), home_, 0);
    Select({"made", "a.txt"});
    WhenShown("Copy", [&](Gtk::Window* w) {
        Widgets<Gtk::Entry>(w).front()->set_text(home_ + "mixed");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Copy_activate();
    EXPECT_TRUE(IsDirectory(home_ + "mixed/made"));
    EXPECT_EQ(ReadFile(home_ + "mixed/a.txt"), "A");

    // Delete asks with the description; the shown directory goes up.
    OpenChildTree(Tree(), home_ + "pair/", 0);
    UnselectAllListRows();
    WhenShown("Delete", [](Gtk::Window* w) {
        EXPECT_TRUE(HasText(w, "Delete pair directory ?"));
        ButtonNamed(w, "Yes")->clicked();
        WhenShown("Delete", [](Gtk::Window* question) { ButtonNamed(question, "Yes")->clicked(); });
    });
    on_Menu_Delete_activate();
    rmgtest::Pump();
    EXPECT_FALSE(Exists(home_ + "pair"));
    EXPECT_EQ(pGTable->CurrentDir, home_);
}

TEST_F(CommandsWindowTest, PropertyDialogShowsFactsAndAppliesOnOk) {
    WriteFile(home_ + "notes.txt", "12345", 0644);
    Start();
    Select({"notes.txt"});
    WhenShown("Property - notes.txt", [&](Gtk::Window* w) {
        EXPECT_TRUE(HasText(w, "Normal file"));
        EXPECT_TRUE(HasText(w, home_));
        EXPECT_TRUE(HasText(w, "0644"));
        auto* write = WidgetNamed<Gtk::CheckButton>(w, "Other Write");
        ASSERT_NE(write, nullptr);
        write->set_active(true);
        EXPECT_TRUE(HasText(w, "0646"));
        EXPECT_EQ(rmgtest::ModeOf(home_ + "notes.txt") & 07777, 0644u);  // nothing before OK
        WidgetNamed<Gtk::Entry>(w, "File name:")->set_text("renamed.txt");
        Shoot(w, "property-dialog");
        Widgets<Gtk::Notebook>(w).front()->set_current_page(1);
        Shoot(w, "property-permissions");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Property_activate();
    EXPECT_EQ(rmgtest::ModeOf(home_ + "renamed.txt") & 07777, 0646u);
    EXPECT_GE(RowOf("renamed.txt"), 0);

    // A name that exists is refused on the name field; the dialog stays.
    WriteFile(home_ + "other.txt", "o");
    DisplayFileList(home_);
    Select({"renamed.txt"});
    std::string error;
    WhenShown("Property - renamed.txt", [&](Gtk::Window* w) {
        Gtk::Entry* name = WidgetNamed<Gtk::Entry>(w, "File name:");
        name->set_text("other.txt");
        error = ErrorOnOk(w);
        EXPECT_TRUE(w->get_visible());
        EXPECT_EQ(w->get_focus(), name);
        ButtonNamed(w, "Cancel")->clicked();
    });
    on_Menu_Property_activate();
    EXPECT_EQ(error, "The specified file already exists.");
    EXPECT_EQ(ReadFile(home_ + "other.txt"), "o");

    // A link's toggles are off; the top directory's name cannot change.
    ASSERT_EQ(symlink("renamed.txt", (home_ + "ln").c_str()), 0);
    DisplayFileList(home_);
    Select({"ln"});
    WhenShown("Property - ln", [](Gtk::Window* w) {
        EXPECT_TRUE(HasText(w, "Symbolic link file (Exist file:renamed.txt)"));
        EXPECT_FALSE(WidgetNamed<Gtk::CheckButton>(w, "User Read")->get_sensitive());
        ButtonNamed(w, "Cancel")->clicked();
    });
    on_Menu_Property_activate();
    UnselectAllListRows();
    WhenShown("Property - " + GetLastPath(home_), [](Gtk::Window* w) {
        EXPECT_FALSE(WidgetNamed<Gtk::Entry>(w, "File name:")->get_sensitive());
        ButtonNamed(w, "Cancel")->clicked();
    });
    on_Menu_Property_activate();
}

TEST_F(CommandsWindowTest, SelectionCommandsAndMouseModifiers) {
    for (const char* name : {"a.txt", "b.TXT", "c.txt", "d.md"}) {
        WriteFile(home_ + name, "x");
    }
    Start();
    // With the focus in an entry, Ctrl+A selects the entry's text.
    Gtk::Entry* location = pMainW->LocationCombo->get_entry();
    location->grab_focus();
    on_Menu_SelectAll_activate();
    EXPECT_TRUE(Selected().empty());
    int start = 0;
    int end = 0;
    EXPECT_TRUE(location->get_selection_bounds(start, end));
    EXPECT_EQ(end - start, static_cast<int>(location->get_text().size()));
    window_->unset_focus();

    on_Menu_SelectAll_activate();
    EXPECT_EQ(Selected(), (std::vector<std::string>{"a.txt", "b.TXT", "c.txt", "d.md"}));
    EXPECT_NE(StatusText().find("4"), std::string::npos);

    std::string error;
    WhenShown("Select file", [&](Gtk::Window* w) {
        Gtk::Entry* entry = Widgets<Gtk::Entry>(w).front();
        entry->set_text("");
        error = ErrorOnOk(w);
        entry->set_text("*.txt");
        entry->activate();
    });
    on_Menu_SelectFiles_activate();
    EXPECT_EQ(error, "Invalid select string.");
    EXPECT_EQ(Selected(), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(pGTable->FilterHistory.front(), "*.txt");

    on_Menu_Invert_Selection_activate();
    EXPECT_EQ(Selected(), (std::vector<std::string>{"b.TXT", "d.md"}));

    // Ctrl+click toggles, Shift+click selects from the last click.
    auto click = [&](const std::string& name, guint modifiers) {
        Gtk::TreeView* list = pMainW->FileList;
        Gdk::Rectangle cell;
        Gtk::TreeModel::Path path;
        path.push_back(RowOf(name));
        list->get_background_area(path, *list->get_column(1), cell);
        for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
            GdkEvent* event = gdk_event_new(type);
            event->button.window = GDK_WINDOW(g_object_ref(list->get_bin_window()->gobj()));
            event->button.x = cell.get_x() + 30;
            event->button.y = cell.get_y() + cell.get_height() / 2.0;
            event->button.button = 1;
            event->button.state = modifiers;
            event->button.time = GDK_CURRENT_TIME;
            gdk_event_set_device(
                event,
                gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
            gtk_main_do_event(event);
            gdk_event_free(event);
        }
        rmgtest::Pump();
    };
    click("a.txt", GDK_CONTROL_MASK);
    EXPECT_EQ(Selected(), (std::vector<std::string>{"a.txt", "b.TXT", "d.md"}));
    click("b.TXT", GDK_CONTROL_MASK);
    EXPECT_EQ(Selected(), (std::vector<std::string>{"a.txt", "d.md"}));
    click("d.md", GDK_SHIFT_MASK);
    EXPECT_EQ(Selected(), (std::vector<std::string>{"b.TXT", "c.txt", "d.md"}));

    // Symbolic link is greyed out with two rows selected.
    on_Menu_Edit_activate();
    EXPECT_FALSE(pMainW->MenuItem[MENU_SYMBOLIC_LINK]->get_sensitive());
}

// A big list changes its selection off the screen; it comes back shown,
// at the same place, with ".." still out of the selection.
TEST_F(CommandsWindowTest, BulkSelectionOfABigListKeepsItsPlace) {
    MakeDirs(home_ + "big");
    for (int i = 0; i < 5100; ++i) {
        close(open((home_ + "big/f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644));
    }
    Start();
    OpenChildTree(Tree(), home_ + "big/", 0);
    rmgtest::Settle(200);
    auto adjustment = pMainW->FileList->get_vadjustment();
    adjustment->set_value(adjustment->get_upper() / 2);
    rmgtest::Settle(100);
    const double offset = adjustment->get_value();
    ASSERT_GT(offset, 0.0);

    on_Menu_SelectAll_activate();
    EXPECT_EQ(GetListSelectedRows().size(), 5100u);
    EXPECT_FALSE(IsListRowSelected(0));
    UnselectListRow(10);
    on_Menu_Invert_Selection_activate();
    EXPECT_EQ(GetListSelectedRows(), std::vector<int>{10});
    rmgtest::Settle(100);
    EXPECT_TRUE(pMainW->FileList->get_mapped());
    EXPECT_NEAR(adjustment->get_value(), offset, 1.0);
}

TEST_F(CommandsWindowTest, FindShowsMatchesAndCanSearchAgain) {
    Make({"docs/old/", "docs/a.txt=", "docs/old/b.txt=", "docs/c.md="});
    Start();
    int searches = 0;
    std::vector<std::string> rows;
    WhenShown("Find File", [&](Gtk::Window* find) {
        WidgetNamed<Gtk::Entry>(find, "Find name:")->set_text("*.txt");
        CheckLabelled(find, "Search sub directory")->set_active(true);
        auto onResult = [&](Gtk::Window* result) {
            ++searches;
            auto* label = Widgets<Gtk::Label>(result).front();
            PumpUntil([&] { return label->get_text() == "Match file list"; });
            EXPECT_TRUE(ButtonNamed(result, "Serch again")->get_sensitive());
            auto* tree = WidgetNamed<Gtk::TreeView>(result, "Result of find");
            tree->get_model()->foreach_iter([&](const Gtk::TreeModel::iterator& it) {
                Glib::ustring text;
                it->get_value(0, text);
                rows.push_back(text);
                return false;
            });
            if (searches == 1) {
                Shoot(result, "find-result");
                ButtonNamed(result, "Serch again")->clicked();
            } else {
                ButtonNamed(result, "OK")->clicked();
            }
        };
        WhenShown("Result of find", onResult);
        ButtonNamed(find, "OK")->clicked();
        // Back in the Find dialog with its values after "Serch again".
        EXPECT_TRUE(find->get_visible());
        EXPECT_EQ(WidgetNamed<Gtk::Entry>(find, "Start dir:")->get_text(), home_);
        WhenShown("Result of find", onResult);
        ButtonNamed(find, "OK")->clicked();
    });
    on_Menu_FindFile_activate();
    EXPECT_EQ(searches, 2);
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 5),
              (std::vector<std::string>{home_, "docs", "a.txt", "old", "b.txt"}));
    EXPECT_EQ(pGTable->FilterHistory.front(), "*.txt");
    EXPECT_EQ(pGTable->DirHistory.front(), home_);
}

TEST_F(CommandsWindowTest, OptionDialogEditsFlagsAndColumns) {
    Start();
    WhenShown("Option", [](Gtk::Window* w) {
        auto* displayed = WidgetNamed<Gtk::TreeView>(w, "Displayed columns");
        auto* remove = ButtonNamed(w, "Remove");
        EXPECT_FALSE(remove->get_sensitive());
        displayed->get_selection()->select_all();
        EXPECT_FALSE(remove->get_sensitive());  // "Name" is among them
        displayed->get_selection()->unselect_all();
        displayed->get_selection()->select(Gtk::TreeModel::Path("1"));
        EXPECT_TRUE(remove->get_sensitive());
        remove->clicked();
        CheckLabelled(w, "Show hidden files")->set_active(true);
        Shoot(w, "option-dialog");
        Widgets<Gtk::Notebook>(w).front()->set_current_page(2);
        Shoot(w, "option-columns");
        Widgets<Gtk::Notebook>(w).front()->set_current_page(3);
        Shoot(w, "option-colors");
        ButtonNamed(w, "OK")->clicked();
    });
    const int before = pGTable->ColumnCount;
    on_Menu_Option_activate();
    EXPECT_EQ(pGTable->ShowHidden, 1);
    EXPECT_EQ(pGTable->ColumnCount, before - 1);
    EXPECT_EQ(pMainW->FileList->get_columns().size(), static_cast<std::size_t>(before));

    // A colour picked and then cancelled with the dialog changes nothing.
    const RmgColor before0 = pGTable->Color[0];
    auto pick = [](Gtk::Window* w, double green) {
        WhenShown("Color selection", [green](Gtk::Window* chooser) {
            auto* dialog = dynamic_cast<Gtk::ColorChooserDialog*>(chooser);
            ASSERT_NE(dialog, nullptr);
            dialog->set_rgba(Gdk::RGBA("rgb(255,128,0)"));
            Gdk::RGBA rgba = dialog->get_rgba();
            rgba.set_green(green);
            dialog->set_rgba(rgba);
            dialog->response(Gtk::RESPONSE_OK);
        });
        WidgetNamed<Gtk::Button>(w, "Directory")->clicked();
    };
    WhenShown("Option", [&](Gtk::Window* w) {
        CheckLabelled(w, "Show hidden files")->set_active(false);
        pick(w, 0.5);
        ButtonNamed(w, "Cancel")->clicked();
    });
    on_Menu_Option_activate();
    EXPECT_EQ(pGTable->ShowHidden, 1);
    EXPECT_EQ(pGTable->Color[0].green, before0.green);

    WhenShown("Option", [&](Gtk::Window* w) {
        pick(w, 0.5);
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Option_activate();
    EXPECT_EQ(pGTable->Color[0].red, 65535);
    EXPECT_EQ(pGTable->Color[0].green, 32768);  // 0.5 rounded, not truncated
    EXPECT_EQ(pGTable->Color[0].blue, 0);
}

TEST_F(CommandsWindowTest, SortAndFilterDialogs) {
    Make({"a.txt=x", "b.md=x"});
    Start([](GTable& t) { t.SortColumn = 0; });
    WhenShown("Sort", [](Gtk::Window* w) {
        auto* combo = Widgets<Gtk::ComboBoxText>(w).front();
        EXPECT_EQ(combo->get_active_row_number(), -1);  // the icon column names none
        combo->set_active(0);
        CheckLabelled(w, "Reverse the order")->set_active(true);
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Sort_activate();
    EXPECT_EQ(pGTable->SortType, 1);
    EXPECT_EQ(GetListRowName(1), "b.md");

    std::string error;
    WhenShown("Filter", [&](Gtk::Window* w) {
        Gtk::Entry* entry = Widgets<Gtk::Entry>(w).front();
        EXPECT_EQ(entry->get_text(), "*");
        entry->set_text(std::string(512, 'x'));
        error = ErrorOnOk(w);
        entry->set_text("*.txt");
        entry->activate();
    });
    on_Menu_FilterView_activate();
    EXPECT_EQ(error, "Invalid filter string.");
    EXPECT_EQ(pGTable->Filter, 1);
    EXPECT_EQ(GetListRowCount(), 2);  // ".." and a.txt
}

TEST_F(CommandsWindowTest, SymbolicLinkAndVersionBox) {
    Make({"sub/", "sub/t=t"});
    Start();
    OpenChildTree(Tree(), home_ + "sub/", 0);
    Select({"t"});
    WhenShown("Symbolic link", [&](Gtk::Window* w) {
        EXPECT_EQ(WidgetNamed<Gtk::Entry>(w, "Existing file name:")->get_text(), home_ + "sub/t");
        WidgetNamed<Gtk::Entry>(w, "Symbolic link file name:")->set_text("ln");
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_SymbolicLink_activate();
    EXPECT_EQ(rmgtest::LinkText(home_ + "sub/ln"), home_ + "sub/t");

    WhenShown("Abort", [](Gtk::Window* w) {
        EXPECT_TRUE(std::ranges::any_of(
            LabelTexts(w), [](const std::string& t) { return t.rfind("Version 1.01\n", 0) == 0; }));
        ButtonNamed(w, "OK")->clicked();
    });
    on_Menu_Abort_activate();
    EXPECT_NE(pMainW->Window, nullptr);
}

// "Manual" once did nothing, without a word, when neither the browser nor
// the desktop could open the page; now a box says what to install.
TEST_F(CommandsWindowTest, ManualSaysWhatToInstallWhenNothingOpensIt) {
    const std::string page = tmp_.path() + "/Help/rummage.htm";
    const std::string browser = tmp_.path() + "/browser";
    const std::string seen = tmp_.path() + "/browser-saw";
    MakeDirs(tmp_.path() + "/Help");
    WriteFile(page, "<html></html>");
    Start();
    struct Case {
        const char* what;
        bool pagePresent;
        bool browserPresent;
        bool desktopOpens;
        std::string box;  // the error box's text, empty for none
    };
    const Case cases[] = {
        {"browser", true, true, false, ""},
        {"desktop handler", true, false, true, ""},
        {"neither", true, false, false,
         "Cannot show the manual:\nno web browser could open it.\nInstall a web browser at " +
             browser + ",\nor one the desktop opens web pages with."},
        {"no page", false, false, false,
         "Cannot show the manual:\n" + page +
             " is not installed.\nInstall Rummage again to put it there."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink(browser.c_str());
        ::unlink(seen.c_str());
        if (c.browserPresent) {
            WriteFile(browser, "#!/bin/sh\necho \"$1\" > '" + seen + "'\n");
            ::chmod(browser.c_str(), 0755);
        }
        if (!c.pagePresent) {
            ::unlink(page.c_str());
        }
        std::string asked;
        SetManualSetup({browser, page, [&](const std::string& uri) {
                            asked = uri;
                            return c.desktopOpens;
                        }});
        std::string box;
        sigc::connection answer = Glib::signal_timeout().connect(
            [&box] {
                Gtk::Window* w = rmgtest::FindWindow("Error");
                if (w == nullptr || !w->get_realized()) {
                    return true;
                }
                for (const std::string& text : LabelTexts(w)) {
                    box += text;
                }
                ButtonNamed(w, "OK")->clicked();
                return false;
            },
            20);
        pMainW->MenuItem[MENU_MANUAL]->activate();
        rmgtest::Settle(100);
        answer.disconnect();
        EXPECT_EQ(box, c.box);
        EXPECT_EQ(asked, c.browserPresent ? "" : Glib::filename_to_uri(page));
        if (c.browserPresent) {
            EXPECT_TRUE(testutil::WaitFor([&] { return Exists(seen); }));
            EXPECT_EQ(ReadFile(seen), page + "\n");
        }
    }
    SetManualSetup({});
}

}  // namespace
}  // namespace rmg

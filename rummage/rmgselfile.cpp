#include "rummage/rmgselfile.h"

#include <cstdlib>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"

namespace rmg {
namespace {

// What the directory picker's handlers work on.
struct SelectDirState {
    Gtk::TreeView* tree = nullptr;
    Gtk::ComboBoxText* combo = nullptr;
    Gtk::ComboBoxText* target = nullptr;
    int result = RESULT_NO;
};

class AppColumns : public Gtk::TreeModel::ColumnRecord {
  public:
    AppColumns() {
        add(name);
        add(key);
    }
    Gtk::TreeModelColumn<Glib::ustring> name;  // shown
    Gtk::TreeModelColumn<std::string> key;     // the name as stored, for the look-up
};

struct SelectAppState {
    Gtk::TreeView* list = nullptr;
    AppColumns* columns = nullptr;
    std::string* command = nullptr;
};

void on_FileSel_response(int response, Gtk::FileChooserDialog* dialog, Gtk::Entry* target) {
    if (response == Gtk::RESPONSE_OK) {
        const std::string name = dialog->get_filename();
        if (!name.empty()) {
            target->set_text(ToDisplay(name));
        }
    }
    suite::EndModalLoop();
}

void on_DirSel_ComboEntry_activate(SelectDirState* state) {
    const std::string typed = FromDisplay(state->combo->get_entry()->get_text());
    if (!typed.empty()) {
        OpenChildTree(state->tree, typed, 1);
    }
}

void on_DirSel_OKButton_clicked(SelectDirState* state) {
    std::string path;
    if (GetTreeSelect(state->tree, &path) && !path.empty()) {
        state->target->get_entry()->set_text(ToDisplay(path));
        if (pGTable) {
            AddHistoryListS(pGTable->DirHistory, path);
        }
        state->result = RESULT_YES;
    }
    suite::EndModalLoop();
}

void on_SelApp_OKButton_clicked(SelectAppState* state) {
    Gtk::TreeModel::iterator row = state->list->get_selection()->get_selected();
    if (!row || !pGTable) {
        return;
    }
    const std::string key = (*row)[state->columns->key];
    for (const AppInfo& info : pGTable->ApplicationInfo) {
        if (info.Key == key) {
            *state->command = info.Value.substr(0, kPathMax);
            suite::EndModalLoop();
            return;
        }
    }
}

}  // namespace

void on_FileBrowseButton_clicked(Gtk::Entry* target) {
    if (!target) {
        return;
    }
    auto* dialog = new Gtk::FileChooserDialog(_("Select File"), Gtk::FILE_CHOOSER_ACTION_OPEN);
    dialog->set_position(Gtk::WIN_POS_CENTER);
    dialog->set_modal(true);
    dialog->set_create_folders(false);
    dialog->set_local_only(true);
    if (auto* top = dynamic_cast<Gtk::Window*>(target->get_toplevel())) {
        dialog->set_transient_for(*top);
    }
    dialog->add_button(_("Cancel"), Gtk::RESPONSE_CANCEL);
    dialog->add_button(_("OK"), Gtk::RESPONSE_OK);
    dialog->set_default_response(Gtk::RESPONSE_OK);
    if (const char* home = std::getenv("HOME"); home && *home) {
        dialog->set_current_folder(home);
    }
    dialog->signal_response().connect(
        sigc::bind(sigc::ptr_fun(&on_FileSel_response), dialog, target));
    // The dialog answers the close request itself; keep the window for
    // ModalMainLoop to dispose of.
    dialog->signal_delete_event().connect([](GdkEventAny*) { return true; });
    ModalMainLoop(dialog, nullptr);
}

void on_DirBrowseButton_clicked(Gtk::ComboBoxText* target) {
    DialogWindow* dialog = nullptr;
    const int result = CreateSelectDirDlg(&dialog, target);
    if ((result == RESULT_CREATE_FAILED || result == RESULT_BAD_ARGUMENT) && dialog) {
        delete dialog;
    }
}

int CreateSelectDirDlg(DialogWindow** dialog, Gtk::ComboBoxText* target) {
    if (!dialog || !target || !target->get_entry() || !pGTable) {
        return RESULT_BAD_ARGUMENT;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateNormalDialogBox(&box, 310, 350, 5);
    (*dialog)->set_title(_("Select directory"));
    (*dialog)->set_border_width(5);
    CreateLabel(box, _("Select directory:"));

    SelectDirState state;
    state.target = target;
    Gtk::Entry* entry = nullptr;
    state.combo = CreateComboBox(&entry, true, static_cast<int>(kPathMax));
    SetComboList(state.combo, pGTable->DirHistory);
    box->pack_start(*state.combo, false, false);

    Gtk::ScrolledWindow* scroll = nullptr;
    state.tree = CreateRootTree(&scroll, state.combo);
    if (!state.tree) {
        return RESULT_CREATE_FAILED;
    }
    box->pack_start(*scroll, true, true);
    scroll->show();

    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    if (CreateDlgButtonBox(*dialog, &ok, &cancel, true) != 0) {
        return RESULT_CREATE_FAILED;
    }
    ok->signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_DirSel_OKButton_clicked), &state));
    entry->signal_activate().connect(
        sigc::bind(sigc::ptr_fun(&on_DirSel_ComboEntry_activate), &state));

    // Start where the target points, else where the main window is.
    std::string start = FromDisplay(target->get_entry()->get_text());
    if (start.empty() && pMainW && pMainW->DirTree) {
        GetTreeSelect(pMainW->DirTree, &start);
    }
    if (!start.empty()) {
        OpenChildTree(state.tree, start, 1);
        std::string shown;
        if (GetTreeSelect(state.tree, &shown) && !shown.empty()) {
            entry->set_text(ToDisplay(shown));
        }
    }

    DialogWindow* running = *dialog;
    *dialog = nullptr;
    ModalMainLoop(running, pMainW ? pMainW->Window : nullptr);
    if (state.result == RESULT_YES) {
        SetComboList(target, pGTable->DirHistory);
    }
    return 0;
}

int SelectAppDlg(DialogWindow** dialog, std::string* command) {
    if (!dialog || !command) {
        return RESULT_BAD_ARGUMENT;
    }
    if (!pGTable || pGTable->ApplicationInfo.empty()) {
        return 0;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateNormalDialogBox(&box, 320, 330, 5);
    (*dialog)->set_title(_("Select application"));
    (*dialog)->set_border_width(5);
    CreateLabel(box, _("Select application:"));

    AppColumns columns;
    auto store = Gtk::ListStore::create(columns);
    for (const AppInfo& info : pGTable->ApplicationInfo) {
        Gtk::TreeModel::Row row = *store->append();
        row[columns.name] = ToDisplay(info.Key);
        row[columns.key] = info.Key;
    }
    // Byte order, whatever the locale's collation says.
    store->set_sort_func(columns.name, [&columns](const Gtk::TreeModel::iterator& a,
                                                  const Gtk::TreeModel::iterator& b) {
        const std::string& left = (*a)[columns.key];
        const std::string& right = (*b)[columns.key];
        return left.compare(right) < 0 ? -1 : (left == right ? 0 : 1);
    });
    store->set_sort_column(columns.name, Gtk::SORT_ASCENDING);

    Gtk::ScrolledWindow* scroll = CreateScroll();
    box->pack_start(*scroll, true, true);
    auto* list = Gtk::manage(new Gtk::TreeView(store));
    list->append_column("", columns.name);
    list->get_column(0)->set_min_width(80);
    list->set_headers_visible(false);
    list->get_selection()->set_mode(Gtk::SELECTION_SINGLE);
    list->set_can_focus(false);
    list->get_selection()->unselect_all();
    scroll->add(*list);
    list->show();

    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    if (CreateDlgButtonBox(*dialog, &ok, &cancel, true) != 0) {
        return RESULT_CREATE_FAILED;
    }
    SelectAppState state{list, &columns, command};
    ok->signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_SelApp_OKButton_clicked), &state));

    DialogWindow* running = *dialog;
    *dialog = nullptr;
    ModalMainLoop(running, pMainW ? pMainW->Window : nullptr);
    return 0;
}

}  // namespace rmg

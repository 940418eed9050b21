#include "rummage/rmgfilemenu.h"

#include <gtk/gtk.h>

#include <unistd.h>

#include <memory>

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "pixmaps/FileCore.xpm"
#include "pixmaps/FileDir.xpm"
#include "pixmaps/FileExec.xpm"
#include "pixmaps/FileFIFO.xpm"
#include "pixmaps/FileLink.xpm"
#include "pixmaps/FileLinkLost.xpm"
#include "pixmaps/FileNormal.xpm"
#include "pixmaps/FileSocket.xpm"
#include "pixmaps/FileSpecial.xpm"
#include "pixmaps/IconCopy.xpm"
#include "pixmaps/IconMove.xpm"
#include "pixmaps/IconNew.xpm"
#include "rummage/rmgdialog.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgproperty.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"
#include "rummage/rmgwindowui.h"

namespace rmg {

namespace {

Gtk::TreeView* MainTree() {
    return pMainW != nullptr ? pMainW->DirTree : nullptr;
}

void OpenInTree(const std::string& path, int expand) {
    if (Gtk::TreeView* tree = MainTree()) {
        OpenChildTree(tree, path, expand);
    }
}

void RescanInTree(const std::string& path) {
    Gtk::TreeView* tree = MainTree();
    if (tree == nullptr || path.empty()) {
        return;
    }
    // Below the top the tree may not hold the node yet; the nearest
    // directory it holds is listed again instead.
    std::string dir = path;
    while (!GetPathNode(tree, dir) && dir.size() > 1) {
        dir = GetParentDirectory(dir);
    }
    RescanTree(tree, dir);
}

struct PathDialogState {
    Gtk::Entry* entry = nullptr;
    std::string* out = nullptr;
    int result = RESULT_NO;
};

void on_FileOperation_OKButton_clicked(PathDialogState* state) {
    std::string path = FromDisplay(state->entry->get_text());
    const int code = CheckFileExist(path);
    if (code == PATH_NOT_EXIST || code == PATH_DIR_EXISTS || code == PATH_FILE_EXISTS) {
        *state->out = path;
        state->result = RESULT_YES;
        suite::EndModalLoop();
        return;
    }
    state->out->clear();
    FileExistMessageBox(code, state->entry, path.c_str());
}

// New directory and New file: ask, create, show.
void NewItem(int kind) {
    if (pGTable == nullptr) {
        return;
    }
    std::string path;
    DialogWindow* dialog = nullptr;
    const int result = CreateFileOperationDlg(&dialog, kind, nullptr, &path);
    delete dialog;
    if (result != RESULT_YES) {
        return;
    }
    if (kind == OP_NEW_DIRECTORY) {
        if (MakeNewDirectory(path) == 0) {
            RescanInTree(GetParentDirectory(path));
            OpenInTree(path, 0);
        }
    } else if (MakeNewFile(path) == 0) {
        OpenInTree(GetParentDirectory(path), 0);
    }
}

}  // namespace

void ReadSelectionSource(SelectionSource& source) {
    source = SelectionSource();
    if (pMainW == nullptr || pGTable == nullptr) {
        return;
    }
    if (pMainW->FileList != nullptr) {
        for (int row : GetListSelectedRows()) {
            source.rows.push_back({GetListRowName(row), IsListRowDirectory(row)});
        }
    }
    if (pMainW->DirTree != nullptr) {
        std::string path;
        auto node = GetTreeSelect(pMainW->DirTree, &path);
        if (node) {
            source.treeSelected = true;
            source.treePath = path;
            source.treeLabel = node->parent() ? GetLastPath(path) : path;
        }
    }
}

int GetFileOperationString(std::vector<std::string>& items, std::string* description) {
    SelectionSource source;
    ReadSelectionSource(source);
    return BuildFileOperationList(source, pGTable != nullptr ? pGTable->CurrentDir : "", items,
                                  description);
}

int CreateFileOperationPopup() {
    auto* menu = new (std::nothrow) Gtk::Menu();
    if (menu == nullptr) {
        return RESULT_CREATE_FAILED;
    }
    menu->set_border_width(2);
    int result = 0;
    bool done = false;
    auto loop = Glib::MainLoop::create();
    auto finish = [&] {
        if (!done) {
            done = true;
            // Deactivation comes before the chosen item's activation; let
            // that arrive before the loop ends.
            Glib::signal_idle().connect_once([loop] { loop->quit(); });
        }
    };
    auto* copy = Gtk::manage(new Gtk::MenuItem(_("Copy(_C)"), true));
    auto* move = Gtk::manage(new Gtk::MenuItem(_("Move(_M)"), true));
    copy->signal_activate().connect([&] {
        result = 1;
        finish();
    });
    move->signal_activate().connect([&] {
        result = 2;
        finish();
    });
    menu->append(*copy);
    menu->append(*move);
    menu->signal_deactivate().connect(finish);
    if (pMainW != nullptr && pMainW->Window != nullptr) {
        menu->attach_to_widget(*pMainW->Window);
    }
    menu->show_all();
    if (GdkEvent* event = gtk_get_current_event()) {
        menu->popup_at_pointer(event);
        gdk_event_free(event);
    } else {
        // No event to take the place from (a scripted drop): put it where
        // the pointer is.
        auto display = Gdk::Display::get_default();
        auto root = Gdk::Screen::get_default()->get_root_window();
        int x = 0;
        int y = 0;
        if (display && display->get_default_seat()) {
            Gdk::ModifierType mask;
            root->get_device_position(display->get_default_seat()->get_pointer(), x, y, mask);
        }
        menu->popup_at_rect(root, Gdk::Rectangle(x, y, 1, 1), Gdk::GRAVITY_NORTH_WEST,
                            Gdk::GRAVITY_NORTH_WEST, nullptr);
    }
    if (!menu->get_visible()) {
        if (menu->get_attach_widget() != nullptr) {
            menu->detach();
        }
        delete menu;
        return RESULT_CREATE_FAILED;
    }
    loop->run();
    menu->popdown();
    if (menu->get_attach_widget() != nullptr) {
        menu->detach();
    }
    delete menu;
    return result;
}

void on_Menu_Open_activate() {
    if (pGTable == nullptr || pMainW == nullptr) {
        return;
    }
    SelectionSource source;
    ReadSelectionSource(source);
    std::string path;
    if (source.rows.empty()) {
        if (!source.treeSelected) {
            return;
        }
        path = source.treePath;
    } else {
        const SelectedRow& row = source.rows.front();
        path = pGTable->CurrentDir + row.name + (row.directory ? "/" : "");
    }
    if (IsDirectory(path)) {
        OpenChildTree(pMainW->DirTree, path, 1);
    } else {
        WindowUi ui(pMainW->Window);
        ExecApplication(path.c_str(), ui);
    }
}

int CreateFileOperationDlg(DialogWindow** dialog, int kind, const std::string* description,
                           std::string* out) {
    if (out == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    out->clear();
    const char* title = N_("Create a new directory");
    std::string label = _("New directory name:");
    Glib::RefPtr<Gdk::Pixbuf> icon = suite::PixbufFromXpm(IconNew_xpm);
    if (kind == OP_NEW_FILE) {
        title = N_("Create a new file");
        label = _("New file name:");
    } else if (kind == OP_COPY || kind == OP_MOVE) {
        title = kind == OP_COPY ? N_("Copy") : N_("Move");
        label =
            description != nullptr
                ? FillText(kind == OP_COPY ? _("Copy %s to:") : _("Move %s to:"), {*description})
                : std::string();
        icon = kind == OP_COPY ? suite::PixbufFromXpm(IconCopy_xpm)
                               : suite::PixbufFromXpm(IconMove_xpm);
    }
    DialogWindow* own = nullptr;
    if (dialog == nullptr) {
        dialog = &own;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateTitledIconDialog(&box, icon, _(title), 5);
    CreateLabel(box, ToDisplay(label));
    Gtk::Entry* entry = nullptr;
    CreateBrowseRow(
        box,
        NamedCombo(&entry, static_cast<int>(kPathMax), label.empty() ? _(title) : ToDisplay(label),
                   pGTable != nullptr ? &pGTable->DirHistory : nullptr),
        10);
    entry->set_size_request(310, -1);
    PathDialogState state{entry, out, RESULT_NO};
    CreateOkCancel(
        *dialog, [&state] { on_FileOperation_OKButton_clicked(&state); }, entry);

    std::string selected;
    if (MainTree() != nullptr && GetTreeSelect(MainTree(), &selected) && !selected.empty()) {
        entry->set_text(ToDisplay(selected));
        entry->select_region(0, -1);
    }
    entry->grab_focus();
    RunModal(dialog, MainWindow());
    return state.result;
}

void on_Menu_NewDirectory_activate() {
    NewItem(OP_NEW_DIRECTORY);
}

void on_Menu_NewFile_activate() {
    NewItem(OP_NEW_FILE);
}

namespace {

// What a file command works on, and its description; false when nothing is
// selected.
bool CommandItems(std::vector<FileOperationItem>& items, std::string& description) {
    return pGTable != nullptr && GetFileOperationString(items, &description) != SELECT_NOTHING;
}

}  // namespace

void FileOperation(int kind) {
    std::vector<FileOperationItem> items;
    std::string description;
    if (!CommandItems(items, description)) {
        return;
    }
    std::string dest;
    DialogWindow* dialog = nullptr;
    const int answer = CreateFileOperationDlg(&dialog, kind, &description, &dest);
    delete dialog;
    if (answer != RESULT_YES) {
        return;
    }
    const int result = CopyMoveItems(items, dest, kind);
    if (result == RESULT_BAD_ARGUMENT) {
        return;
    }
    dest = StripSlash(dest);
    if (kind == OP_MOVE) {
        RescanInTree(GetParentDirectory(items.front()));
    }
    RescanInTree(GetParentDirectory(dest));
    OpenInTree(result == 0 ? dest : GetParentDirectory(dest), 1);
}

void on_Menu_Copy_activate() {
    FileOperation(OP_COPY);
}

void on_Menu_Move_activate() {
    FileOperation(OP_MOVE);
}

void on_Menu_Delete_activate() {
    std::vector<FileOperationItem> items;
    std::string description;
    if (!CommandItems(items, description)) {
        return;
    }
    std::string current = pGTable->CurrentDir;
    DeleteItems(items, description, current);
    // Also after a stop: what is gone must not be shown.
    RescanInTree(GetParentDirectory(items.front()));
    OpenInTree(current, 0);
}

// ---- Property dialog ----

namespace {

struct PropertyRecord {
    std::string Path;
    DialogWindow* Dialog = nullptr;
    Gtk::Image* TypePixmap = nullptr;
    Gtk::Label* PathLabel = nullptr;
    Gtk::Entry* NameEntry = nullptr;
    Gtk::Label* TypeLabel = nullptr;
    Gtk::Label* SizeLabel = nullptr;
    Gtk::Label* ChangedLabel = nullptr;
    Gtk::Label* ModifiedLabel = nullptr;
    Gtk::Label* AccessedLabel = nullptr;
    Gtk::Label* ModeLabel = nullptr;
    Gtk::ToggleButton* ModeToggle[3][4] = {};
    Gtk::Entry* OwnerEntry = nullptr;
    Gtk::ComboBoxText* GroupCombo = nullptr;
    mode_t Mode = 0;  // the edited mode; 0 until filled
    PropertyInfo Info;
};

Glib::RefPtr<Gdk::Pixbuf> KindPicture(int type) {
    static const Glib::RefPtr<Gdk::Pixbuf> kPictures[] = {
        suite::PixbufFromXpm(FileDir_xpm),    suite::PixbufFromXpm(FileExec_xpm),
        suite::PixbufFromXpm(FileNormal_xpm), suite::PixbufFromXpm(FileCore_xpm),
        suite::PixbufFromXpm(FileLink_xpm),   suite::PixbufFromXpm(FileLinkLost_xpm),
        suite::PixbufFromXpm(FileSocket_xpm), suite::PixbufFromXpm(FileSpecial_xpm),
        suite::PixbufFromXpm(FileFIFO_xpm),
    };
    if (type < 0 || type > FILETYPE_FIFO) {
        type = FILETYPE_NORMAL;
    }
    return kPictures[type];
}

void AddCaption(Gtk::Grid* grid, int row, const char* caption, Gtk::Widget* value) {
    CreateGridCaption(grid, row, _(caption));
    value->set_hexpand(true);
    value->show();
    grid->attach(*value, 1, row, 1, 1);
    if (auto* text = dynamic_cast<Gtk::Label*>(value)) {
        text->set_xalign(0.0f);
        text->set_selectable(false);
        text->get_accessible()->set_name(_(caption));
    }
}

// Left-aligned by AddCaption.
Gtk::Label* ValueLabel() {
    return Gtk::manage(new Gtk::Label());
}

void SetCurrentMode(PropertyRecord* record) {
    if (record->Mode != 0) {
        record->ModeLabel->set_text(ModeText(record->Mode));
    }
}

void on_PerToggle_toggled(PropertyRecord* record, int row, int column) {
    if (record->Mode == 0) {
        return;
    }
    const mode_t bit = kModeToggleBits[row][column];
    if (record->ModeToggle[row][column]->get_active()) {
        record->Mode |= bit;
    } else {
        record->Mode &= ~bit;
    }
    SetCurrentMode(record);
}

void CheckPermission(PropertyRecord* record) {
    const PropertyInfo& info = record->Info;
    record->OwnerEntry->set_sensitive(info.ownerEditable);
    record->NameEntry->set_sensitive(info.nameEditable);
    record->GroupCombo->set_sensitive(info.groupEditable);
    for (auto& row : record->ModeToggle) {
        for (Gtk::ToggleButton* toggle : row) {
            toggle->set_sensitive(info.modeEditable);
        }
    }
}

int SetFileProperty(PropertyRecord* record, const std::string& path) {
    if (path.empty() || !ReadPropertyInfo(path, getuid(), record->Info)) {
        return RESULT_BAD_ARGUMENT;
    }
    const PropertyInfo& info = record->Info;
    record->Path = path;
    record->Dialog->set_title(ToDisplay(FillText(_("Property - %s"), {info.name})));
    record->NameEntry->set_text(ToDisplay(info.name));
    record->PathLabel->set_text(ToDisplay(info.parent));
    record->TypePixmap->set(KindPicture(info.type));
    record->TypeLabel->set_text(ToDisplay(info.kindText));
    record->SizeLabel->set_text(info.sizeText);
    record->ChangedLabel->set_text(info.timeText[0]);
    record->ModifiedLabel->set_text(info.timeText[1]);
    record->AccessedLabel->set_text(info.timeText[2]);
    record->Mode = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            record->ModeToggle[r][c]->set_active((info.st.st_mode & kModeToggleBits[r][c]) != 0);
        }
    }
    // The kind bits keep the word non-zero, so a file of mode 0000 can
    // still be edited.
    record->Mode = info.st.st_mode;
    SetCurrentMode(record);
    record->OwnerEntry->set_text(ToDisplay(info.owner));
    for (const std::string& group : info.groups) {
        record->GroupCombo->append(ToDisplay(group));
    }
    record->GroupCombo->get_entry()->set_text(ToDisplay(info.group));
    CheckPermission(record);
    return 0;
}

void on_Property_OKButton_clicked(PropertyRecord* record) {
    PropertyEdit edit;
    edit.mode = record->Mode & 07777;
    edit.owner = FromDisplay(record->OwnerEntry->get_text());
    edit.group = FromDisplay(record->GroupCombo->get_entry()->get_text());
    edit.name = FromDisplay(record->NameEntry->get_text());
    if (pGTable == nullptr) {
        suite::EndModalLoop();
        return;
    }
    std::string current = pGTable->CurrentDir;
    int code = 0;
    const int result = ApplyPropertyEdit(record->Info, edit, current, &code);
    if (result == PROPERTY_KEEP_OWNER) {
        return;
    }
    if (result == PROPERTY_KEEP_NAME) {
        FileExistMessageBox(code, record->NameEntry, record->Path.c_str());
        return;
    }
    suite::EndModalLoop();
    if (edit.name != record->Info.name && S_ISDIR(record->Info.st.st_mode)) {
        RescanInTree(record->Info.parent);
    }
    if (current != pGTable->CurrentDir) {
        // The shown directory was renamed: follow it.
        OpenInTree(current, 0);
        pGTable->CurrentDir = current;
        UpdateLocationHistory();
    }
    DisplayFileList(pGTable->CurrentDir);
}

}  // namespace

int CreatePropertyDlg(DialogWindow** dialog) {
    if (dialog == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    std::vector<FileOperationItem> items;
    GetFileOperationString(items, nullptr);
    Gtk::Notebook* book = nullptr;
    auto record = std::make_unique<PropertyRecord>();
    record->Dialog = CreateNotebookDialogBox(&book, 0, 0);
    *dialog = record->Dialog;

    // Statistics.
    Gtk::Box* stats = CreateNotebookPage(book, _("Statistics"), Gtk::ORIENTATION_VERTICAL, 5);
    Gtk::Box* top = CreateHBox(stats, false, 10, 0);
    record->TypePixmap = CreatePixmap(Glib::RefPtr<Gdk::Pixbuf>());
    record->TypePixmap->set_size_request(32, 32);
    top->pack_start(*record->TypePixmap, false, false);
    Gtk::Grid* names = CreateTable(2, 2, 5, 10, 0);
    top->pack_start(*names, true, true);
    record->PathLabel = ValueLabel();
    AddCaption(names, 0, N_("Path:"), record->PathLabel);
    record->NameEntry = NamedEntry(512, _("File name:"));
    AddCaption(names, 1, N_("File name:"), record->NameEntry);
    CreateSeparator(stats);
    Gtk::Grid* kind = CreateTable(2, 2, 5, 10, 0);
    stats->pack_start(*kind, false, false);
    record->TypeLabel = ValueLabel();
    record->SizeLabel = ValueLabel();
    AddCaption(kind, 0, N_("File type:"), record->TypeLabel);
    AddCaption(kind, 1, N_("File size:"), record->SizeLabel);
    CreateSeparator(stats);
    Gtk::Grid* times = CreateTable(2, 3, 5, 10, 0);
    stats->pack_start(*times, false, false);
    record->ChangedLabel = ValueLabel();
    record->ModifiedLabel = ValueLabel();
    record->AccessedLabel = ValueLabel();
    AddCaption(times, 0, N_("Last changed time:"), record->ChangedLabel);
    AddCaption(times, 1, N_("Last modified time:"), record->ModifiedLabel);
    AddCaption(times, 2, N_("Last accessed time:"), record->AccessedLabel);

    // Permissions.
    Gtk::Box* perms = CreateNotebookPage(book, _("Permissions"), Gtk::ORIENTATION_VERTICAL, 5);
    auto* modeFrame = Gtk::manage(new Gtk::Frame(_("File permissions")));
    modeFrame->show();
    perms->pack_start(*modeFrame, false, false);
    Gtk::Box* modeBox = CreateVBox(modeFrame, 5, 5);
    Gtk::Box* modeRow = CreateHBox(modeBox, false, 10, 0);
    CreateLabel(modeRow, _("Current mode:"));
    record->ModeLabel = CreateLabel(modeRow, "");
    record->ModeLabel->get_accessible()->set_name(_("Current mode:"));
    Gtk::Grid* toggles = CreateTable(5, 4, 2, 10, 0);
    modeBox->pack_start(*toggles, false, false);
    static const char* const kHeads[] = {N_("Read"), N_("Write"), N_("Exec"), N_("Special")};
    static const char* const kRows[] = {N_("User"), N_("Group"), N_("Other")};
    static const char* const kSpecial[] = {N_("Set UID"), N_("Set GID"), N_("Sticky")};
    for (int c = 0; c < 4; ++c) {
        auto* head = Gtk::manage(new Gtk::Label(_(kHeads[c])));
        head->show();
        toggles->attach(*head, c + 1, 0, 1, 1);
    }
    PropertyRecord* rec = record.get();
    for (int r = 0; r < 3; ++r) {
        CreateGridCaption(toggles, r + 1, _(kRows[r]));
        for (int c = 0; c < 4; ++c) {
            auto* toggle = c == 3 ? Gtk::manage(new Gtk::CheckButton(_(kSpecial[r])))
                                  : Gtk::manage(new Gtk::CheckButton());
            toggle->set_can_focus(false);
            toggle->get_accessible()->set_name(std::string(_(kRows[r])) + " " + _(kHeads[c]));
            toggle->show();
            toggles->attach(*toggle, c + 1, r + 1, 1, 1);
            record->ModeToggle[r][c] = toggle;
            toggle->signal_toggled().connect(
                sigc::bind(sigc::ptr_fun(&on_PerToggle_toggled), rec, r, c));
        }
    }
    auto* ownFrame = Gtk::manage(new Gtk::Frame(_("File ownership")));
    ownFrame->show();
    perms->pack_start(*ownFrame, false, false);
    Gtk::Grid* own = CreateTable(2, 2, 5, 10, 5);
    ownFrame->add(*own);
    record->OwnerEntry = NamedEntry(128, _("Owner"));
    AddCaption(own, 0, N_("Owner"), record->OwnerEntry);
    Gtk::Entry* groupEntry = nullptr;
    record->GroupCombo = NamedCombo(&groupEntry, 127, _("Group"), nullptr);
    AddCaption(own, 1, N_("Group"), record->GroupCombo);

    CreateOkCancel(record->Dialog, [rec] { on_Property_OKButton_clicked(rec); });
    if (items.empty() || SetFileProperty(rec, items.front()) != 0) {
        return RESULT_BAD_ARGUMENT;
    }
    RunModal(dialog, MainWindow());
    return 0;
}

void on_Menu_Property_activate() {
    RunDialog(&CreatePropertyDlg);
}

}  // namespace rmg

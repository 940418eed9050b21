// The launcher's dialogs.  Each acts inside its own button handlers; only
// the application chooser and the file selection run a nested loop.
#include "waymark/WmDialogs.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "common/I18n.h"
#include "waymark/WmCallbacks.h"
#include "waymark/WmInterface.h"
#include "waymark/WmSupport.h"
#include "waymark/WmTable.h"
#include "waymark/WmText.h"

namespace wm {

MessageWindow* pwyMessage = nullptr;
ConfirmWindow* pwyConfilm = nullptr;
AddItemWindow* pAddItem = nullptr;
RenameItemWindow* pRenameItem = nullptr;
EditWindow* pwyEdit = nullptr;
RenameWindow* pwyRename = nullptr;
Gtk::Window* pwSelectApp = nullptr;

namespace {

// A window is never deleted inside one of its own handlers: it is hidden at
// once and freed when the loop is idle again.
void DisposeWindow(Gtk::Window* window) {
    if (window == nullptr) {
        return;
    }
    window->hide();
    Glib::signal_idle().connect_once([window] { delete window; });
}

// Captions and labels keep the sizes they are placed with: a face or a
// translation too wide for them is drawn smaller instead.
Gtk::Button* MakeButton(Gtk::Fixed& fixed, const Glib::ustring& label, int x, int y, int w, int h) {
    Gtk::Button* button = suite::PutButton(&fixed, label, x, y, w, h);
    FitButtonText(*button, w, h);
    return button;
}

// `wrap`: the text takes as many lines as `h` holds.
Gtk::Label* MakeLabel(Gtk::Fixed& fixed, const Glib::ustring& text, int x, int y, int w, int h,
                      bool wrap = false) {
    Gtk::Label* label = suite::PutLabel(&fixed, "", x, y, w, h);
    if (wrap) {
        label->set_line_wrap(true);
        label->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
        label->set_yalign(0);
        // A wrapping label's natural width is a guess of its own, which a
        // window that is not resizable would grow to: bound it in
        // characters of the label's font, as the toolkit counts them.
        auto context = label->get_pango_context();
        const Pango::FontMetrics metrics = context->get_metrics(context->get_font_description());
        const int perChar =
            std::max(metrics.get_approximate_char_width(), metrics.get_approximate_digit_width());
        const int chars = perChar > 0 ? std::max(1, w * PANGO_SCALE / perChar) : 1;
        label->set_width_chars(chars);
        label->set_max_width_chars(chars);
    }
    SetFittedText(*label, text, w, wrap ? h : 0);
    return label;
}

void SelectAll(Gtk::Entry* entry) {
    entry->grab_focus();
    entry->select_region(0, -1);
}

void MakeDefault(Gtk::Button& button) {
    button.set_can_default(true);
    button.grab_default();
    button.grab_focus();
}

// Shows the window above everything with Cancel/No (or OK) the default;
// closing it by its close box is `close`, as that button is.
void Present(Gtk::Window& window, Gtk::Button& focus, void (*close)()) {
    window.signal_delete_event().connect([close](GdkEventAny*) {
        close();
        return true;
    });
    MakeDefault(focus);
    window.show();
    RestackWindow(window, true);
}

// The two-entry menu of a button or slot, popped up at the pointer.  The
// last one stays alive until the next replaces it.
void PopupMenu(const Glib::ustring& first, const std::function<void()>& onFirst,
               const Glib::ustring& second, const std::function<void()>& onSecond) {
    static Gtk::Menu* menu = nullptr;
    delete menu;
    menu = new Gtk::Menu();
    for (const auto& [text, action] :
         {std::pair{&first, &onFirst}, std::pair{&second, &onSecond}}) {
        auto* item = Gtk::make_managed<Gtk::MenuItem>(*text);
        item->signal_activate().connect(*action);
        menu->append(*item);
    }
    menu->show_all();
    menu->popup_at_pointer(nullptr);
}

struct NameColumns : public Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<Glib::ustring> name;
    NameColumns() { add(name); }
};

NameColumns& Columns() {
    static NameColumns columns;
    return columns;
}

Gtk::TreeView* MakeList(Gtk::Fixed& fixed, Glib::RefPtr<Gtk::ListStore>& store,
                        const Glib::ustring& name, int x, int y, int w, int h) {
    store = Gtk::ListStore::create(Columns());
    auto* view = Gtk::make_managed<Gtk::TreeView>(store);
    view->append_column("", Columns().name);
    view->set_headers_visible(false);
    SetAccessibleName(*view, name);
    auto* scroll = Gtk::make_managed<Gtk::ScrolledWindow>();
    scroll->set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    scroll->set_shadow_type(Gtk::SHADOW_IN);
    scroll->add(*view);
    view->show();
    suite::Put(&fixed, scroll, x, y, w, h);
    return view;
}

// Takes the record out of its global first, so nothing reaches it while its
// window goes.  False when none was open.
template <typename Record>
bool Dispose(Record*& open) {
    Record* record = open;
    if (record == nullptr) {
        return false;
    }
    open = nullptr;
    DisposeWindow(record->window);
    delete record;
    return true;
}

void CloseMessage() {
    if (pwyMessage == nullptr) {
        return;
    }
    const bool exit = MessageMode(pwyMessage->code) == MODE_EXIT;
    const bool again = pwyMessage->showItemWindow;
    Dispose(pwyMessage);
    if (exit) {
        QuitMainLoop();
        return;
    }
    if (again && pNavi != nullptr && MenuIsOpen()) {
        SetGroupWindow();
    }
}

void CloseConfirm() {
    const bool item = pwyConfilm != nullptr && pwyConfilm->request.code == CONFIRM_DELETE_ITEM;
    if (Dispose(pwyConfilm) && item && pNavi != nullptr) {
        SetGroupWindow();
    }
}

void CloseAddItem() {
    if (Dispose(pAddItem) && pNavi != nullptr) {
        SetGroupWindow();
    }
}

void CloseRenameItem() {
    if (Dispose(pRenameItem) && pNavi != nullptr) {
        SetGroupWindow();
    }
}

void CloseRename() {
    Dispose(pwyRename);
}

void CloseEdit() {
    CloseRename();
    if (pwyConfilm != nullptr && pwyConfilm->request.code != CONFIRM_DELETE_ITEM) {
        CloseConfirm();
    }
    Dispose(pwyEdit);  // frees the copy when it is still held
}

// The rows of the open editor.
std::vector<std::string> EditNames() {
    if (pwyEdit == nullptr || !pwyEdit->copy) {
        return {};
    }
    return EditNames(*pwyEdit->copy, pwyEdit->users);
}

void SetEditButtons() {
    EditWindow& e = *pwyEdit;
    const int rows = static_cast<int>(e.store->children().size());
    const bool selected = e.row >= 0 && e.row < rows;
    e.rename->set_sensitive(selected);
    e.up->set_sensitive(selected && e.row > 0);
    e.down->set_sensitive(selected && e.row < rows - 1);
    e.remove->set_sensitive(selected && EditEntryDeletable(*e.copy, e.users, e.row));
    const bool room = rows < EditLimit(e.users);
    e.entry->set_sensitive(room);
    e.add->set_sensitive(room);
}

void SelectEditRow(int row) {
    EditWindow& e = *pwyEdit;
    auto children = e.store->children();
    if (row < 0 || row >= static_cast<int>(children.size())) {
        e.list->get_selection()->unselect_all();
        return;
    }
    auto it = children[row];
    e.list->get_selection()->select(it);
    e.list->scroll_to_row(e.store->get_path(it));
}

// Yes to deleting item `index` of the open menu.  The question closes
// even when the save fails: asking again would delete the next item.
void DeleteItemConfirmed(int index) {
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr || GetItem(*menu, index) == nullptr) {
        CloseConfirm();
        return;
    }
    RemoveItem(*menu, index);
    const int code = WriteNaviInfo(*pNaviData);
    CloseConfirm();
    if (code != 0) {
        wyMessageBox(code, true);
    }
}

// Yes to deleting a row of the user or menu editor, which owns the
// question (closing the editor closes it): the copy loses the row and no
// row stays selected.
void DeleteEditRowConfirmed(bool users, int row) {
    if (pwyEdit != nullptr && pwyEdit->copy && RemoveEditEntry(*pwyEdit->copy, users, row)) {
        auto children = pwyEdit->store->children();
        if (row >= 0 && row < static_cast<int>(children.size())) {
            pwyEdit->store->erase(children[row]);
        }
        pwyEdit->list->get_selection()->unselect_all();
        pwyEdit->row = -1;
        SetEditButtons();
    }
    CloseConfirm();
}

void on_EditSelection_changed() {
    if (pwyEdit == nullptr) {
        return;
    }
    auto it = pwyEdit->list->get_selection()->get_selected();
    pwyEdit->row = it ? pwyEdit->store->get_path(it)[0] : -1;
    SetEditButtons();
}

}  // namespace

// ---- message and confirmation -------------------------------------------------

void wyMessageBox(int code, bool showItemWindow) {
    if (pwyMessage != nullptr) {
        return;
    }
    pwyMessage = new MessageWindow();
    pwyMessage->code = code;
    pwyMessage->showItemWindow = showItemWindow;
    Gtk::Window* window = CreateDialogWindow(GetMessageTitle(code), 488, 118);
    pwyMessage->window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    const Pictures pictures = [] {
        if (pNavi != nullptr) {
            return pNavi->pictures;
        }
        Pictures own;
        InitPixmap(own);
        return own;
    }();
    const int icon = MessageIcon(code);
    Picture picture = icon == ICON_STOP       ? pictures.stop
                      : icon == ICON_INFO     ? pictures.info
                      : icon == ICON_QUESTION ? pictures.ques
                                              : Picture();
    if (picture) {
        suite::Put(fixed, Gtk::make_managed<Gtk::Image>(picture), 16, 16, 32, 32);
    }
    MakeLabel(*fixed, GetMessageText(code), 56, 16, 424, 32, true);
    pwyMessage->ok = MakeButton(*fixed, _("OK"), 396, 66, 84, 42);
    pwyMessage->ok->signal_clicked().connect(&CloseMessage);
    // Closing the box by any route is its OK (a start-up error then ends
    // the program instead of leaving it without a window).
    Present(*window, *pwyMessage->ok, &CloseMessage);
}

void wyConfilmBox(const ConfirmRequest& request) {
    if (pwyConfilm != nullptr) {
        return;
    }
    pwyConfilm = new ConfirmWindow();
    pwyConfilm->request = request;
    Gtk::Window* window = CreateDialogWindow(GetConfirmTitle(request.code), 508, 118);
    pwyConfilm->window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    Picture ques = pNavi != nullptr ? pNavi->pictures.ques : Picture();
    if (ques) {
        suite::Put(fixed, Gtk::make_managed<Gtk::Image>(ques), 16, 16, 32, 32);
    }
    MakeLabel(*fixed, GetConfirmText(request.code), 56, 16, 444, 40, true);
    pwyConfilm->yes = MakeButton(*fixed, _("Yes"), 324, 66, 84, 42);
    pwyConfilm->no = MakeButton(*fixed, _("No"), 416, 66, 84, 42);
    pwyConfilm->no->signal_clicked().connect(&CloseConfirm);
    pwyConfilm->yes->signal_clicked().connect([] {
        const ConfirmRequest req = pwyConfilm->request;
        switch (req.code) {
            case CONFIRM_DELETE_ITEM:
                DeleteItemConfirmed(req.index);
                return;
            case CONFIRM_DELETE_USER:
            case CONFIRM_DELETE_MENU:
                DeleteEditRowConfirmed(req.code == CONFIRM_DELETE_USER, req.index);
                return;
            default:
                CloseConfirm();
                return;
        }
    });
    Present(*window, *pwyConfilm->no, &CloseConfirm);
}

// ---- items ------------------------------------------------------------------------

Gtk::Window* CreateAddItemWindow(int menu, int dropToggle) {
    if (pAddItem != nullptr) {
        return nullptr;
    }
    pAddItem = new AddItemWindow();
    pAddItem->menu = menu;
    pAddItem->dropToggle = dropToggle;
    Gtk::Window* window = CreateDialogWindow(_("Add Item"), 438, 165);
    pAddItem->window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    MakeLabel(*fixed, _("Item Name"), 16, 18, 96, 24);
    pAddItem->name =
        suite::PutEntry(fixed, _("Item Name"), 112, 16, 310, 28, static_cast<int>(kNameMax));
    MakeLabel(*fixed, _("Item Dir"), 16, 62, 96, 24);
    // No length cap on the link: an over-long one is refused with a message
    // instead of being cut unseen.
    pAddItem->link = suite::PutEntry(fixed, _("Item Dir"), 112, 60, 226, 28, 0);
    pAddItem->file = MakeButton(*fixed, _("File..."), 346, 58, 76, 32);
    pAddItem->ok = MakeButton(*fixed, _("OK"), 246, 110, 84, 42);
    pAddItem->cancel = MakeButton(*fixed, _("Cancel"), 338, 110, 84, 42);
    pAddItem->ok->signal_clicked().connect(&on_AddItemOK_clicked);
    pAddItem->cancel->signal_clicked().connect(&CloseAddItem);
    pAddItem->file->signal_clicked().connect(&on_AddItemFile_clicked);
    Present(*window, *pAddItem->cancel, &CloseAddItem);
    pAddItem->name->grab_focus();
    return window;
}

void on_AddItemOK_clicked() {
    if (pAddItem == nullptr) {
        return;
    }
    const std::string name = EntryBytes(*pAddItem->name);
    const std::string link = EntryBytes(*pAddItem->link);
    const ItemCheck check = CheckAddItem(name, link);
    if (check.code != 0) {
        wyMessageBox(check.code);
        SelectAll(check.field == 0 ? pAddItem->name : pAddItem->link);
        return;
    }
    NaviUser* user = GetCurrentUser(*pNaviData);
    NaviMenu* menu = user ? GetMenu(*user, pAddItem->menu) : nullptr;
    if (menu == nullptr) {
        CloseAddItem();
        return;
    }
    if (menu->ItemCount >= kMaxItems) {
        wyMessageBox(CODE_ITEMS_EXCEED);
        return;
    }
    if (const int code = AddItem(*menu, name, link, check.category); code != 0) {
        wyMessageBox(code);
        return;
    }
    const int saved = WriteNaviInfo(*pNaviData);
    if (pAddItem->dropToggle >= 0 && pNavi != nullptr) {
        if (pNavi->ActiveToggle >= 0 && pNavi->ActiveToggle != pAddItem->dropToggle) {
            SetToggleActive(pNavi->ActiveToggle, false);
            ChangeToggleFixedColor(false, pNavi->ActiveToggle);
        }
        pNavi->ActiveToggle = pAddItem->dropToggle;
        SetToggleActive(pAddItem->dropToggle, true);
        ChangeToggleFixedColor(true, pAddItem->dropToggle);
        user->CurrentMenu = pAddItem->menu;
    }
    // The item is in memory either way; a second OK would add it twice.
    CloseAddItem();
    if (saved != 0) {
        wyMessageBox(saved, true);
    }
}

void on_AddItemFile_clicked() {
    if (pAddItem == nullptr) {
        return;
    }
    Gtk::FileChooserDialog chooser(*pAddItem->window, _("Select File"),
                                   Gtk::FILE_CHOOSER_ACTION_OPEN);
    chooser.add_button(_("Cancel"), Gtk::RESPONSE_CANCEL);
    chooser.add_button(_("OK"), Gtk::RESPONSE_OK);
    chooser.set_position(Gtk::WIN_POS_CENTER);
    chooser.set_modal(true);
    chooser.set_create_folders(false);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        chooser.set_current_folder(home);
    }
    if (chooser.run() == Gtk::RESPONSE_OK && pAddItem != nullptr) {
        SetEntryBytes(*pAddItem->link, chooser.get_filename());
    }
}

void CreateItemInfoMenu(int slot) {
    PopupMenu(
        _("Rename... "),
        [slot] {
            if (NaviMenu* open = OpenMenu()) {
                HideGroupWindow();
                CreateRenameItemWindow(open->ScrollTop + slot);
            }
        },
        _("Delete... "),
        [slot] {
            if (NaviMenu* open = OpenMenu()) {
                DeleteItemAsked(open->ScrollTop + slot);
            }
        });
}

void DeleteItemAsked(int item) {
    NaviMenu* open = OpenMenu();
    if (open == nullptr || GetItem(*open, item) == nullptr) {
        return;
    }
    HideGroupWindow();
    wyConfilmBox(ConfirmRequest{CONFIRM_DELETE_ITEM, item});
}

Gtk::Window* CreateRenameItemWindow(int item) {
    NaviMenu* open = OpenMenu();
    const NaviItem* record = open ? GetItem(*open, item) : nullptr;
    if (record == nullptr || pRenameItem != nullptr) {
        return nullptr;
    }
    pRenameItem = new RenameItemWindow();
    pRenameItem->item = item;
    Gtk::Window* window = CreateDialogWindow(_("Rename Item"), 438, 200);
    pRenameItem->window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    MakeLabel(*fixed, _("Item Name"), 16, 18, 96, 24);
    pRenameItem->name =
        suite::PutEntry(fixed, _("Item Name"), 112, 16, 310, 28, static_cast<int>(kNameMax));
    MakeLabel(*fixed, _("Item Dir"), 16, 58, 96, 24);
    pRenameItem->link = suite::PutEntry(fixed, _("Item Dir"), 112, 56, 310, 28, 0);
    MakeLabel(*fixed, _("Registration"), 16, 98, 96, 24);
    pRenameItem->date = suite::PutEntry(fixed, _("Registration"), 112, 96, 150, 28, 0);
    SetEntryBytes(*pRenameItem->name, record->ItemName);
    pRenameItem->link->set_text(ToDisplay(record->LinkName));
    pRenameItem->date->set_text(ToDisplay(FormatRegistrationDate(record->Date, nLANG == 1)));
    pRenameItem->link->set_sensitive(false);
    pRenameItem->date->set_sensitive(false);
    pRenameItem->ok = MakeButton(*fixed, _("OK"), 246, 144, 84, 42);
    pRenameItem->cancel = MakeButton(*fixed, _("Cancel"), 338, 144, 84, 42);
    pRenameItem->ok->signal_clicked().connect(&on_RenameItemOK_clicked);
    pRenameItem->cancel->signal_clicked().connect(&CloseRenameItem);
    Present(*window, *pRenameItem->cancel, &CloseRenameItem);
    SelectAll(pRenameItem->name);
    return window;
}

void on_RenameItemOK_clicked() {
    if (pRenameItem == nullptr) {
        return;
    }
    const std::string name = EntryBytes(*pRenameItem->name);
    if (const int code = CheckItemName(name); code != 0) {
        wyMessageBox(code);
        SelectAll(pRenameItem->name);
        return;
    }
    NaviMenu* open = OpenMenu();
    const bool renamed = open != nullptr && RenameItem(*open, pRenameItem->item, name) == 0;
    CloseRenameItem();
    if (renamed) {
        if (const int code = WriteNaviInfo(*pNaviData); code != 0) {
            wyMessageBox(code, true);
        }
    }
}

// ---- users and menus ----------------------------------------------------------------

void CreateEditMenu() {
    if (AnyDialogOpen()) {
        return;
    }
    CloseOpenMenu();
    PopupMenu(
        _("Edit Menu..."), [] { CreatewyEditWindow(false); }, _("Edit User..."),
        [] { CreatewyEditWindow(true); });
}

Gtk::Window* CreatewyEditWindow(bool users) {
    if (pwyEdit != nullptr) {
        return nullptr;
    }
    if (!users && GetCurrentUser(*pNaviData) == nullptr) {
        return nullptr;
    }
    std::unique_ptr<NaviData> copy = CopyData(*pNaviData);
    if (!copy) {
        wyMessageBox(CODE_NO_MEMORY);
        return nullptr;
    }
    pwyEdit = new EditWindow();
    EditWindow& e = *pwyEdit;
    e.users = users;
    e.copy = std::move(copy);
    Gtk::Window* window = CreateDialogWindow(users ? _("Edit User") : _("Edit Menu"), 360, 340);
    e.window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    const Glib::ustring add = users ? _("Add User") : _("Add Menu");
    MakeLabel(*fixed, add, 16, 10, 220, 20);
    e.entry = suite::PutEntry(fixed, add, 16, 32, 220, 28, static_cast<int>(kNameMax));
    e.add = MakeButton(*fixed, _("Add"), 248, 30, 96, 32);
    const Glib::ustring list =
        users ? _("User Position/Rename/Delete") : _("Menu Position/Rename/Delete");
    MakeLabel(*fixed, list, 16, 72, 320, 20);
    e.list = MakeList(*fixed, e.store, list, 16, 94, 220, 180);
    e.up = MakeButton(*fixed, _("Up"), 248, 94, 96, 32);
    e.down = MakeButton(*fixed, _("Down"), 248, 130, 96, 32);
    e.rename = MakeButton(*fixed, _("Rename..."), 248, 166, 96, 32);
    e.remove = MakeButton(*fixed, _("Delete..."), 248, 202, 96, 32);
    e.ok = MakeButton(*fixed, _("OK"), 168, 288, 84, 40);
    e.cancel = MakeButton(*fixed, _("Cancel"), 260, 288, 84, 40);
    for (const std::string& name : EditNames()) {
        (*e.store->append())[Columns().name] = ToDisplay(name);
    }
    e.list->get_selection()->set_mode(Gtk::SELECTION_SINGLE);
    e.list->get_selection()->unselect_all();
    e.list->get_selection()->signal_changed().connect(&on_EditSelection_changed);
    e.add->signal_clicked().connect(&on_EditAdd_clicked);
    e.entry->signal_activate().connect(&on_EditAdd_clicked);
    e.up->signal_clicked().connect([] { on_EditMove_clicked(false); });
    e.down->signal_clicked().connect([] { on_EditMove_clicked(true); });
    e.rename->signal_clicked().connect(&on_EditRename_clicked);
    e.remove->signal_clicked().connect(&on_EditDelete_clicked);
    e.ok->signal_clicked().connect(&on_EditOK_clicked);
    e.cancel->signal_clicked().connect(&CloseEdit);
    e.row = -1;
    SetEditButtons();
    Present(*window, *e.cancel, &CloseEdit);
    e.list->get_selection()->unselect_all();
    e.row = -1;
    SetEditButtons();
    return window;
}

void on_EditAdd_clicked() {
    if (pwyEdit == nullptr || !pwyEdit->add->get_sensitive()) {
        return;
    }
    EditWindow& e = *pwyEdit;
    const std::string name = FromDisplay(e.entry->get_text());
    if (const int code = CheckEditName(e.users, false, name, EditNames()); code != 0) {
        wyMessageBox(code);
        SelectAll(e.entry);
        return;
    }
    if (const int code = AddEditEntry(*e.copy, e.users, name); code != 0) {
        wyMessageBox(code);
        return;
    }
    (*e.store->append())[Columns().name] = ToDisplay(name);
    e.entry->set_text("");
    SetEditButtons();
}

void on_EditMove_clicked(bool down) {
    if (pwyEdit == nullptr) {
        return;
    }
    EditWindow& e = *pwyEdit;
    const int row = e.row;
    const int to = MoveEditEntry(*e.copy, e.users, row, down);
    if (to < 0) {
        return;
    }
    auto children = e.store->children();
    e.store->iter_swap(children[row], children[to]);
    // The selection follows the row without a "changed" signal.
    SelectEditRow(to);
    e.row = to;
    SetEditButtons();
}

void on_EditRename_clicked() {
    if (pwyEdit == nullptr || pwyEdit->row < 0) {
        return;
    }
    const std::vector<std::string> names = EditNames();
    if (pwyEdit->row < static_cast<int>(names.size())) {
        CreatewyRenameWindow(pwyEdit->users, names[pwyEdit->row]);
    }
}

void on_EditDelete_clicked() {
    if (pwyEdit == nullptr || pwyEdit->row < 0 || !pwyEdit->remove->get_sensitive()) {
        return;
    }
    wyConfilmBox(
        ConfirmRequest{pwyEdit->users ? CONFIRM_DELETE_USER : CONFIRM_DELETE_MENU, pwyEdit->row});
}

void on_EditOK_clicked() {
    if (pwyEdit == nullptr || !pwyEdit->copy) {
        return;
    }
    CloseOpenMenu();
    pNavi->MenuTop =
        TakeEditedCopy(*pNaviData, std::move(*pwyEdit->copy), pNavi->MenuTop, pNavi->ToggleCount);
    pwyEdit->copy.reset();
    SetUserComboBox();
    SetToggleButton(true);
    const int code = WriteNaviInfo(*pNaviData);
    CloseEdit();
    if (code != 0) {
        wyMessageBox(code);
    }
}

Gtk::Window* CreatewyRenameWindow(bool users, const std::string& name) {
    if (pwyRename != nullptr) {
        return nullptr;
    }
    pwyRename = new RenameWindow();
    Gtk::Window* window = CreateDialogWindow(users ? _("Rename User") : _("Rename Menu"), 320, 130);
    pwyRename->window = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    const Glib::ustring caption = users ? _("User Name") : _("Menu Name");
    MakeLabel(*fixed, caption, 16, 12, 288, 20);
    pwyRename->entry = suite::PutEntry(fixed, caption, 16, 34, 288, 28, static_cast<int>(kNameMax));
    SetEntryBytes(*pwyRename->entry, name);
    pwyRename->ok = MakeButton(*fixed, _("OK"), 128, 78, 84, 40);
    pwyRename->cancel = MakeButton(*fixed, _("Cancel"), 220, 78, 84, 40);
    pwyRename->ok->signal_clicked().connect(&on_RenameOK_clicked);
    pwyRename->entry->signal_activate().connect(&on_RenameOK_clicked);
    pwyRename->cancel->signal_clicked().connect(&CloseRename);
    Present(*window, *pwyRename->cancel, &CloseRename);
    SelectAll(pwyRename->entry);
    return window;
}

void on_RenameOK_clicked() {
    if (pwyRename == nullptr || pwyEdit == nullptr || pwyEdit->row < 0) {
        CloseRename();
        return;
    }
    EditWindow& e = *pwyEdit;
    const std::string name = EntryBytes(*pwyRename->entry);
    if (const int code = CheckEditName(e.users, true, name, EditNames()); code != 0) {
        wyMessageBox(code);
        SelectAll(pwyRename->entry);
        return;
    }
    RenameEditEntry(*e.copy, e.users, e.row, name);
    const int row = e.row;
    auto children = e.store->children();
    if (row < static_cast<int>(children.size())) {
        (*children[row])[Columns().name] = ToDisplay(name);
    }
    SelectEditRow(row);
    CloseRename();
}

// ---- application chooser ------------------------------------------------------------

int SelectApplicationWindow(const std::vector<NaviExt>& apps) {
    if (pwSelectApp != nullptr) {
        return -1;
    }
    HideGroupWindow();
    Gtk::Window* window = CreateDialogWindow(_("Select Applecation"), 327, 330);
    pwSelectApp = window;
    Gtk::Fixed* fixed = suite::AddFixed(*window);
    MakeLabel(*fixed, _("Select Applecation..."), 8, 14, 320, 16);
    Glib::RefPtr<Gtk::ListStore> store;
    Gtk::TreeView* list = MakeList(*fixed, store, _("Applications"), 16, 40, 296, 224);
    list->get_column(0)->set_fixed_width(80);
    for (const NaviExt& app : apps) {
        (*store->append())[Columns().name] = ToDisplay(app.Key);
    }
    Gtk::Button* ok = MakeButton(*fixed, _("OK"), 150, 283, 69, 32);
    Gtk::Button* cancel = MakeButton(*fixed, _("Cancel"), 227, 278, 84, 42);
    ok->set_sensitive(false);
    int row = -1;
    bool accepted = false;
    list->get_selection()->unselect_all();
    list->get_selection()->signal_changed().connect([&] {
        auto it = list->get_selection()->get_selected();
        row = it ? store->get_path(it)[0] : -1;
        ok->set_sensitive(row >= 0);
    });
    ok->signal_clicked().connect([&] {
        if (row >= 0) {
            accepted = true;
            window->hide();
        }
    });
    cancel->signal_clicked().connect([&] {
        row = -1;
        accepted = false;
        window->hide();
    });
    window->signal_delete_event().connect([&](GdkEventAny*) {
        row = -1;
        window->hide();
        return true;
    });
    MakeDefault(*cancel);
    suite::RunModalLoop(*window, Glib::MainLoop::create(false));
    pwSelectApp = nullptr;
    DisposeWindow(window);
    return accepted ? row : -1;
}

void DestroyDialogs() {
    CloseEdit();
    CloseConfirm();
    CloseAddItem();
    CloseRenameItem();
    Dispose(pwyMessage);
    if (pwSelectApp != nullptr) {
        pwSelectApp->hide();
    }
}

}  // namespace wm

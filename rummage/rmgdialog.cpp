#include "rummage/rmgdialog.h"

#include "rummage/rmgutil.h"

#include <memory>

#include "common/GtkKit.h"
#include "common/I18n.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"

namespace rmg {
namespace {

void Frame(DialogWindow* dialog, int width, int height) {
    if (width > 0 && height > 0) {
        dialog->set_size_request(width, height);
    }
    dialog->set_position(Gtk::WIN_POS_CENTER);
    dialog->set_modal(true);
    dialog->set_resizable(false);
}

Gtk::Button* MakeButton(Gtk::ButtonBox* area, const Glib::ustring& label) {
    auto* button = Gtk::manage(new Gtk::Button(label));
    button->set_can_default(true);
    area->pack_start(*button, false, false);
    button->show();
    return button;
}

// Keeps at most `max` bytes of the entry's text, cut at a character start.
void LimitBytes(Gtk::Entry* entry, int max) {
    const Glib::ustring text = entry->get_text();
    if (text.bytes() <= static_cast<std::size_t>(max)) {
        return;
    }
    std::string raw = text.raw();
    std::size_t cut = static_cast<std::size_t>(max);
    while (cut > 0 && (static_cast<unsigned char>(raw[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    raw.resize(cut);
    entry->set_text(raw);
    entry->set_position(-1);
}

// Up and Down in a combo's entry step through its list without opening it,
// starting from the entry's text when it is in the list (exact match).
bool StepComboList(GdkEventKey* event, Gtk::ComboBoxText* combo) {
    const guint key = event->keyval;
    const bool down = key == GDK_KEY_Down || key == GDK_KEY_KP_Down;
    const bool up = key == GDK_KEY_Up || key == GDK_KEY_KP_Up;
    if ((!down && !up) || (event->state & (GDK_MOD1_MASK | GDK_CONTROL_MASK)) != 0) {
        return false;
    }
    auto rows = combo->get_model()->children();
    const int count = static_cast<int>(rows.size());
    if (count == 0) {
        return true;
    }
    Gtk::Entry* entry = combo->get_entry();
    const Glib::ustring text = entry->get_text();
    int index = -1;
    for (int i = 0; i < count; ++i) {
        Glib::ustring item;
        rows[i]->get_value(0, item);
        if (item == text) {
            index = i;
            break;
        }
    }
    int next = index < 0 ? 0 : index + (down ? 1 : -1);
    next = next < 0 ? 0 : (next >= count ? count - 1 : next);
    Glib::ustring item;
    rows[next]->get_value(0, item);
    entry->set_text(item);
    entry->set_position(-1);
    return true;
}

}  // namespace

DialogWindow::DialogWindow() {
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    add(outer_);
    outer_.pack_start(content_, true, true);
    outer_.pack_end(action_, false, false);
    action_.set_layout(Gtk::BUTTONBOX_END);
    // Keeps the buttons off the window's edge in dialogs without a border.
    action_.set_margin_start(5);
    action_.set_margin_end(5);
    action_.set_margin_bottom(5);
    outer_.show();
    content_.show();
    action_.show();
}

DialogWindow* CreateDialogBox(Gtk::Box** box, int width, int height) {
    auto* dialog = new DialogWindow();
    Frame(dialog, width, height);
    Gtk::Box* content = dialog->get_content_area();
    content->set_spacing(5);
    content->set_border_width(5);
    if (box) {
        *box = content;
    }
    return dialog;
}

DialogWindow* CreateNormalDialogBox(Gtk::Box** box, int width, int height, int spacing) {
    Gtk::Box* content = nullptr;
    DialogWindow* dialog = CreateDialogBox(&content, width, height);
    auto* vbox = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, spacing));
    content->pack_start(*vbox, true, true);
    vbox->show();
    if (box) {
        *box = vbox;
    }
    return dialog;
}

DialogWindow* CreateIconDialogBox(Gtk::Box** box, const Glib::RefPtr<Gdk::Pixbuf>& icon, int width,
                                  int height, int spacing) {
    Gtk::Box* content = nullptr;
    DialogWindow* dialog = CreateDialogBox(&content, width, height);
    content->set_border_width(5);
    auto* hbox = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 10));
    content->pack_start(*hbox, false, false);
    hbox->show();
    Gtk::Image* image = CreatePixmap(icon);
    image->set_valign(Gtk::ALIGN_START);
    hbox->pack_start(*image, false, false);
    auto* vbox = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, spacing));
    hbox->pack_start(*vbox, false, false);
    vbox->show();
    if (box) {
        *box = vbox;
    }
    return dialog;
}

namespace {

// A page taken out while the notebook goes tells the accessibility bridge
// it is gone, and its tab label is then looked up in a notebook that no
// longer holds it: a critical warning per page at every close.  With the
// tabs hidden first, no label is looked up.
void HideTabsBeforePagesGo(GtkWidget* notebook, gpointer) {
    gtk_notebook_set_show_tabs(GTK_NOTEBOOK(notebook), FALSE);
}

}  // namespace

DialogWindow* CreateNotebookDialogBox(Gtk::Notebook** notebook, int width, int height) {
    Gtk::Box* content = nullptr;
    DialogWindow* dialog = CreateDialogBox(&content, width, height);
    auto* book = Gtk::manage(new Gtk::Notebook());
    content->pack_start(*book, true, true);
    book->show();
    g_signal_connect(book->gobj(), "destroy", G_CALLBACK(HideTabsBeforePagesGo), nullptr);
    if (notebook) {
        *notebook = book;
    }
    return dialog;
}

DialogWindow* CreateTitledIconDialog(Gtk::Box** box, const Glib::RefPtr<Gdk::Pixbuf>& icon,
                                     const Glib::ustring& title, int border) {
    DialogWindow* dialog = CreateIconDialogBox(box, icon, 0, 0, 5);
    dialog->set_title(title);
    dialog->set_border_width(border);
    return dialog;
}

Gtk::Box* CreateNotebookPage(Gtk::Notebook* notebook, const Glib::ustring& title,
                             Gtk::Orientation orientation, int spacing) {
    auto* page = Gtk::manage(new Gtk::Box(orientation, spacing));
    page->set_border_width(5);
    page->show();
    notebook->append_page(*page, title);
    return page;
}

int CreateDlgButtonBox(DialogWindow* dialog, Gtk::Button** ok, Gtk::Button** cancel,
                       bool closeAsCancel) {
    if (!dialog) {
        return RESULT_CREATE_FAILED;
    }
    Gtk::ButtonBox* area = dialog->get_action_area();
    area->set_border_width(0);
    area->set_spacing(10);
    area->set_layout(Gtk::BUTTONBOX_END);
    Gtk::Button* okButton = ok ? MakeButton(area, _("OK")) : nullptr;
    Gtk::Button* cancelButton = cancel ? MakeButton(area, _("Cancel")) : nullptr;
    if (ok) {
        *ok = okButton;
    }
    if (cancel) {
        *cancel = cancelButton;
    }
    Gtk::Button* last = cancelButton ? cancelButton : okButton;
    if (last) {
        last->grab_focus();
        last->grab_default();
        if (closeAsCancel) {
            dialog->signal_delete_event().connect(
                sigc::bind(sigc::ptr_fun(&on_delete_event), last));
            last->signal_clicked().connect(sigc::ptr_fun(&on_CancelButton_clicked));
        }
    }
    return 0;
}

void CreateOkCancel(DialogWindow* dialog, const sigc::slot<void>& onOk, Gtk::Entry* activates) {
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    CreateDlgButtonBox(dialog, &ok, &cancel, true);
    ok->signal_clicked().connect(onOk);
    if (activates != nullptr) {
        activates->signal_activate().connect(
            sigc::bind(sigc::ptr_fun(&on_ComboEntry_activate), ok));
    }
}

namespace {

// In a parent box a column expands, a row does not.
Gtk::Box* CreateBox(Gtk::Container* parent, Gtk::Orientation orientation, bool homogeneous,
                    int spacing, int border) {
    auto* box = Gtk::manage(new Gtk::Box(orientation, spacing));
    box->set_homogeneous(homogeneous);
    box->set_border_width(border);
    const bool expand = orientation == Gtk::ORIENTATION_VERTICAL;
    if (auto* parentBox = dynamic_cast<Gtk::Box*>(parent)) {
        parentBox->pack_start(*box, expand, expand);
    } else if (parent) {
        parent->add(*box);
    }
    box->show();
    return box;
}

}  // namespace

Gtk::Box* CreateVBox(Gtk::Container* parent, int spacing, int border) {
    return CreateBox(parent, Gtk::ORIENTATION_VERTICAL, false, spacing, border);
}

Gtk::Box* CreateHBox(Gtk::Container* parent, bool homogeneous, int spacing, int border) {
    return CreateBox(parent, Gtk::ORIENTATION_HORIZONTAL, homogeneous, spacing, border);
}

Gtk::HandleBox* CreateHandleBox(Gtk::Box* parent) {
    auto* handle = Gtk::manage(new Gtk::HandleBox());
    if (parent) {
        parent->pack_start(*handle, false, false);
    }
    handle->show();
    return handle;
}

Gtk::Grid* CreateTable(int rows, int columns, int rowSpacing, int columnSpacing, int border) {
    (void)rows;
    (void)columns;
    auto* grid = Gtk::manage(new Gtk::Grid());
    grid->set_row_homogeneous(false);
    grid->set_column_homogeneous(false);
    grid->set_row_spacing(rowSpacing);
    grid->set_column_spacing(columnSpacing);
    grid->set_border_width(border);
    grid->show();
    return grid;
}

Gtk::ScrolledWindow* CreateScroll() {
    auto* scroll = Gtk::manage(new Gtk::ScrolledWindow());
    scroll->set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    scroll->show();
    return scroll;
}

Gtk::Label* CreateLabel(Gtk::Box* parent, const Glib::ustring& text) {
    auto* label = Gtk::manage(new Gtk::Label(text));
    label->set_xalign(0.0f);
    label->set_yalign(0.5f);
    label->set_justify(Gtk::JUSTIFY_LEFT);
    if (parent) {
        parent->pack_start(*label, false, false);
    }
    label->show();
    return label;
}

Gtk::Label* CreateGridCaption(Gtk::Grid* grid, int row, const Glib::ustring& text) {
    Gtk::Label* label = CreateLabel(nullptr, text);
    grid->attach(*label, 0, row, 1, 1);
    return label;
}

Gtk::CheckButton* CreateCheckButton(Gtk::Box* parent, const Glib::ustring& text, bool active) {
    auto* check = Gtk::manage(new Gtk::CheckButton(text));
    check->set_active(active);
    check->show();
    parent->pack_start(*check, false, false);
    return check;
}

Gtk::Box* CreateBrowseRow(Gtk::Box* parent, Gtk::Widget* field, int spacing) {
    Gtk::Box* row = CreateHBox(parent, false, spacing, 0);
    row->pack_start(*field, true, true);
    CreateBrowseButton(row, field, dynamic_cast<Gtk::ComboBoxText*>(field) != nullptr);
    return row;
}

void CreateTabLabel(Gtk::Notebook* notebook, int page, const Glib::ustring& text) {
    if (!notebook) {
        return;
    }
    Gtk::Widget* child = notebook->get_nth_page(page);
    if (child) {
        notebook->set_tab_label_text(*child, text);
    }
}

Gtk::Image* CreatePixmap(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf) {
    auto* image = pixbuf ? Gtk::manage(new Gtk::Image(pixbuf)) : Gtk::manage(new Gtk::Image());
    image->show();
    return image;
}

Gtk::Separator* CreateSeparator(Gtk::Box* parent) {
    auto* separator = Gtk::manage(new Gtk::Separator(Gtk::ORIENTATION_HORIZONTAL));
    if (parent) {
        parent->pack_start(*separator, false, false);
    }
    separator->show();
    return separator;
}

Gtk::ComboBoxText* CreateComboBox(Gtk::Entry** entry, bool editable, int maxLength) {
    auto* combo = Gtk::manage(new Gtk::ComboBoxText(true));
    Gtk::Entry* text = combo->get_entry();
    text->set_editable(editable);
    text->signal_key_press_event().connect(sigc::bind(sigc::ptr_fun(&StepComboList), combo), false);
    if (maxLength > 0) {
        // The entry counts characters; the byte cap keeps multi-byte text
        // inside the fixed buffers too.
        const int limit = maxLength > 0xFFFF ? 0xFFFF : maxLength;
        text->set_max_length(limit);
        text->signal_changed().connect(sigc::bind(sigc::ptr_fun(&LimitBytes), text, limit));
    }
    combo->show();
    if (entry) {
        *entry = text;
    }
    return combo;
}

bool on_delete_event(GdkEventAny*, Gtk::Button* button) {
    if (button) {
        button->clicked();
    }
    return true;
}

void on_ComboEntry_activate(Gtk::Button* button) {
    if (button) {
        button->clicked();
    }
}

void on_CancelButton_clicked() {
    suite::EndModalLoop();
}

bool on_Window_button_press_event(GdkEventButton*, Gtk::Window* window) {
    if (window && window->get_window()) {
        window->get_window()->raise();
    }
    return true;
}

bool on_Window_visibility_notify(GdkEventVisibility*, Gtk::Window* window) {
    if (window && window->get_window()) {
        window->get_window()->raise();
    }
    return false;
}

void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable) {
    if (!dialog) {
        return;
    }
    std::unique_ptr<Gtk::Window> dispose(dialog);
    dialog->add_events(Gdk::BUTTON_PRESS_MASK);
    dialog->signal_button_press_event().connect(
        sigc::bind(sigc::ptr_fun(&on_Window_button_press_event), dialog));
    suite::RunModalDialog(*dialog, disable, OwnerOfDialog(disable));
}

Gtk::Window* OwnerOfDialog(Gtk::Window* disable) {
    Gtk::Window* main =
        pMainW && pMainW->Window && pMainW->Window->get_visible() ? pMainW->Window : nullptr;
    return suite::DialogOwner(disable, main);
}

void SetComboList(Gtk::ComboBoxText* combo, const HistoryList& list) {
    if (!combo) {
        return;
    }
    Gtk::Entry* entry = combo->get_entry();
    const Glib::ustring keep = entry ? entry->get_text() : Glib::ustring();
    combo->remove_all();
    for (const std::string& item : list) {
        combo->append(ToDisplay(item));
    }
    if (entry) {
        entry->set_text(keep);
    }
}

void AddHistoryListC(Gtk::ComboBoxText* combo, HistoryList& list) {
    if (!combo || !combo->get_entry()) {
        return;
    }
    const std::string text = FromDisplay(combo->get_entry()->get_text());
    if (!text.empty()) {
        AddHistoryListS(list, text);
    }
}

Gtk::ComboBoxText* NamedCombo(Gtk::Entry** entry, int maxLength, const Glib::ustring& name,
                              const HistoryList* history) {
    Gtk::ComboBoxText* combo = CreateComboBox(entry, true, maxLength);
    (*entry)->get_accessible()->set_name(name);
    if (history != nullptr) {
        SetComboList(combo, *history);
    }
    return combo;
}

Gtk::Entry* NamedEntry(int maxLength, const Glib::ustring& name) {
    auto* entry = Gtk::manage(new Gtk::Entry());
    entry->set_max_length(maxLength);
    entry->get_accessible()->set_name(name);
    entry->show();
    return entry;
}

void RefuseEntry(Gtk::Entry* entry, const Glib::ustring& error) {
    entry->grab_focus();
    entry->select_region(0, -1);
    if (!error.empty()) {
        MessageBox(_("Error"), error, MB_OK + MB_ICON_STOP);
    }
}

void RunModal(DialogWindow** dialog, Gtk::Window* disable) {
    DialogWindow* running = *dialog;
    *dialog = nullptr;
    ModalMainLoop(running, disable);
}

void RunDialog(int (*build)(DialogWindow**)) {
    DialogWindow* dialog = nullptr;
    const int result = build(&dialog);
    if (result == RESULT_CREATE_FAILED || result == RESULT_BAD_ARGUMENT) {
        delete dialog;
    }
}

int RunTextDialog(DialogWindow** dialog, const Glib::RefPtr<Gdk::Pixbuf>& icon,
                  const Glib::ustring& title, const Glib::ustring& label,
                  const HistoryList& history, const Glib::ustring& text,
                  void (*onOk)(Gtk::Entry*)) {
    Gtk::Box* box = nullptr;
    *dialog = CreateTitledIconDialog(&box, icon, title, 5);
    CreateLabel(box, label);
    Gtk::Entry* entry = nullptr;
    Gtk::ComboBoxText* combo = NamedCombo(&entry, 512, label, &history);
    entry->set_size_request(340, -1);
    if (!text.empty()) {
        entry->set_text(text);
    }
    box->pack_start(*combo, false, false);
    CreateOkCancel(
        *dialog, [onOk, entry] { onOk(entry); }, entry);
    entry->grab_focus();
    RunModal(dialog, MainWindow());
    return 0;
}

Glib::ustring ToDisplay(const std::string& bytes) {
    // The one conversion of the core, so windows and messages agree.
    return DisplayName(bytes);
}

std::string FromDisplay(const Glib::ustring& text) {
    try {
        return Glib::filename_from_utf8(text);
    } catch (const Glib::ConvertError&) {
        return text.raw();
    }
}

}  // namespace rmg

#include "rummage/rmgmessage.h"

#include "common/I18n.h"
#include "rummage/rmgdialog.h"
#include "rummage/rmgpixmap.h"
#include "rummage/rmgselfile.h"
#include "rummage/rmgutil.h"

namespace rmg {
namespace {

Glib::RefPtr<Gdk::Pixbuf> IconOfStyle(int style) {
    switch (style & 0xFFFF) {
        case MB_ICON_INFORMATION:
            return InformationPixbuf();
        case MB_ICON_QUESTION:
            return QuestionPixbuf();
        case MB_ICON_EXCLAMATION:
            return ExclamationPixbuf();
        case MB_ICON_DELETE:
            return DeletePixbuf();
        default:
            return StopPixbuf();
    }
}

// Labels of the first and second button; the second is null for a single.
void ButtonsOfStyle(int style, const char** first, const char** second) {
    *second = nullptr;
    switch (style & static_cast<int>(0xFFFF0000u)) {
        case MB_YES:
            *first = _("Yes");
            break;
        case MB_YESNO:
            *first = _("Yes");
            *second = _("No");
            break;
        case MB_OKCANCEL:
            *first = _("OK");
            *second = _("Cancel");
            break;
        case MB_SKIPCANCEL:
            *first = _("Skip");
            *second = _("Cancel");
            break;
        default:
            *first = _("OK");
            break;
    }
}

void on_DelYesButton_clicked(int* result, Gtk::CheckButton* rest) {
    *result = rest->get_active() ? RESULT_YES_ALL : RESULT_YES;
    suite::EndModalLoop();
}

void on_DelNoButton_clicked(int* result) {
    *result = RESULT_NO;
    suite::EndModalLoop();
}

}  // namespace

int MessageBox(const std::string& title, const std::string& text, int style) {
    const char* first = nullptr;
    const char* second = nullptr;
    ButtonsOfStyle(style, &first, &second);
    suite::MessageBoxLook look;
    look.rowGap = 20;
    look.rowInset = 5;
    look.captionPadding = 10;
    look.iconCentred = true;
    const int answer = suite::RunMessageBox(ToDisplay(title), ToDisplay(text), IconOfStyle(style),
                                            first, second, OwnerOfDialog(nullptr), look);
    return answer == 0 ? RESULT_YES : RESULT_NO;
}

int DeleteMessageBox(Gtk::Window* parent, const std::string& path) {
    if (path.empty()) {
        return RESULT_CANCEL;
    }
    Gtk::Box* box = nullptr;
    DialogWindow* dialog = CreateIconDialogBox(&box, QuestionPixbuf(), 0, 0, 5);
    dialog->set_title(_("Delete"));

    // The path goes in as bytes; the format is translated text.
    Glib::ustring line = _("Delete - %s");
    const Glib::ustring::size_type mark = line.find("%s");
    if (mark != Glib::ustring::npos) {
        line.replace(mark, 2, ToDisplay(path));
    }
    CreateLabel(box, line);
    CreateLabel(box, _("Directory not empty.Is the file in a directory also delete? "));
    auto* rest = Gtk::manage(new Gtk::CheckButton(_("Do the same for the rest")));
    rest->set_active(false);
    box->pack_start(*rest, false, false);
    rest->show();

    Gtk::ButtonBox* area = dialog->get_action_area();
    area->set_border_width(0);
    area->set_spacing(10);
    area->set_layout(Gtk::BUTTONBOX_END);
    int result = RESULT_CANCEL;
    auto makeButton = [area](const char* name) {
        auto* button = Gtk::manage(new Gtk::Button(name));
        button->set_can_default(true);
        area->pack_start(*button, false, false);
        button->show();
        return button;
    };
    Gtk::Button* yes = makeButton(_("Yes"));
    Gtk::Button* no = makeButton(_("No"));
    Gtk::Button* cancel = makeButton(_("Cancel"));
    yes->signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_DelYesButton_clicked), &result, rest));
    no->signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_DelNoButton_clicked), &result));
    cancel->signal_clicked().connect(sigc::ptr_fun(&on_CancelButton_clicked));
    cancel->grab_focus();
    cancel->grab_default();
    dialog->signal_delete_event().connect(sigc::bind(sigc::ptr_fun(&on_delete_event), cancel));

    ModalMainLoop(dialog, parent);
    return result;
}

void FileExistMessageBox(int code, Gtk::Entry* entry, const char* path) {
    if (entry && path) {
        entry->grab_focus();
        entry->select_region(0, -1);
    }
    MessageBox(_("Error"), _(FileExistText(code)), MB_OK + MB_ICON_STOP);
}

Gtk::Button* CreateBrowseButton(Gtk::Box* box, Gtk::Widget* target, bool directory) {
    auto* combo = dynamic_cast<Gtk::ComboBoxText*>(target);
    auto* entry = dynamic_cast<Gtk::Entry*>(target);
    if (!box || (directory ? !combo || !combo->get_entry() : !entry)) {
        return nullptr;
    }
    auto* button = Gtk::manage(new Gtk::Button(_("Browse...")));
    box->pack_start(*button, false, false);
    button->show();
    // Raise the dialog the button sits in; the press must still reach the
    // button, so it is not stopped here.
    button->signal_button_press_event().connect(
        [button](GdkEventButton*) {
            auto* top = dynamic_cast<Gtk::Window*>(button->get_toplevel());
            if (top && top->get_window()) {
                top->get_window()->raise();
            }
            return false;
        },
        false);
    if (directory) {
        button->signal_clicked().connect(
            sigc::bind(sigc::ptr_fun(&on_DirBrowseButton_clicked), combo));
    } else {
        button->signal_clicked().connect(
            sigc::bind(sigc::ptr_fun(&on_FileBrowseButton_clicked), entry));
    }
    return button;
}

}  // namespace rmg

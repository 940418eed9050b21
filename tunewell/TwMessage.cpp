#include "tunewell/TwMessage.h"

#include <cstdio>

#include "common/I18n.h"
#include "tunewell/TwPixmap.h"
#include "tunewell/TwSupport.h"
#include "tunewell/TwTable.h"

namespace tw {
namespace {

Glib::RefPtr<Gdk::Pixbuf> IconOfStyle(int style) {
    switch (style & 0xFFFF) {
        case kIconInformation:
            return InformationPixbuf();
        case kIconQuestion:
            return QuestionPixbuf();
        case kIconExclamation:
            return ExclamationPixbuf();
        default:
            return StopPixbuf();
    }
}

// Captions of the first and second button; the second is null for one.
void ButtonsOfStyle(int style, const char** first, const char** second) {
    *second = nullptr;
    switch (style & static_cast<int>(0xFFFF0000u)) {
        case kButtonsYes:
            *first = _("Yes");
            break;
        case kButtonsYesNo:
            *first = _("Yes");
            *second = _("No");
            break;
        case kButtonsOkCancel:
            *first = _("OK");
            *second = _("Cancel");
            break;
        default:
            *first = _("OK");
            break;
    }
}

void on_Button1_clicked(int* result) {
    *result = 0;
    suite::EndModalLoop();
}

void on_Button2_clicked(int* result) {
    *result = 1;
    suite::EndModalLoop();
}

bool on_Dialog_delete_event(GdkEventAny*, Gtk::Button* button) {
    button->clicked();
    return true;
}

bool on_MsgWindow_button_press_event(GdkEventButton*, Gtk::Window* window) {
    if (window->get_window()) {
        window->get_window()->raise();
    }
    return false;
}

}  // namespace

int MessageBox(const Glib::ustring& title, const Glib::ustring& text, int style) {
    if (!Gdk::Screen::get_default()) {
        g_warning("Window Widget create failed.");
        return kMessageBoxFailed;
    }
    InstallTwStyle();
    Gtk::Window dialog;
    dialog.set_title(title);
    dialog.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    dialog.set_position(Gtk::WIN_POS_CENTER);
    dialog.set_modal(true);
    dialog.set_resizable(false);
    dialog.set_border_width(10);
    dialog.get_accessible()->set_name(title);

    Gtk::Box outer(Gtk::ORIENTATION_VERTICAL, 10);
    Gtk::Box body(Gtk::ORIENTATION_HORIZONTAL, 10);
    Gtk::Image icon(IconOfStyle(style));
    icon.set_valign(Gtk::ALIGN_START);
    Gtk::Label label(text);
    label.set_xalign(0.0f);
    label.set_yalign(0.5f);
    label.set_justify(Gtk::JUSTIFY_LEFT);
    label.set_line_wrap(false);
    label.get_accessible()->set_name(text);
    body.pack_start(icon, false, false);
    body.pack_start(label, true, true);
    outer.pack_start(body, true, true);

    Gtk::ButtonBox row(Gtk::ORIENTATION_HORIZONTAL);
    row.set_layout(Gtk::BUTTONBOX_END);
    row.set_spacing(10);
    outer.pack_start(row, false, false);
    dialog.add(outer);

    const char* firstText = nullptr;
    const char* secondText = nullptr;
    ButtonsOfStyle(style, &firstText, &secondText);
    int result = 0;
    Gtk::Button first(firstText);
    first.set_size_request(100, 30);
    first.set_can_default(true);
    first.get_accessible()->set_name(firstText);
    first.signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_Button1_clicked), &result));
    row.pack_start(first, false, false);
    std::unique_ptr<Gtk::Button> second;
    if (secondText) {
        second = std::make_unique<Gtk::Button>(secondText);
        second->set_size_request(100, 30);
        second->set_can_default(true);
        second->get_accessible()->set_name(secondText);
        second->signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_Button2_clicked), &result));
        row.pack_start(*second, false, false);
    }
    Gtk::Button* last = second ? second.get() : &first;
    // Closing answers as the last button: the safe answer of a question.
    dialog.signal_delete_event().connect(sigc::bind(sigc::ptr_fun(&on_Dialog_delete_event), last));
    dialog.add_events(Gdk::BUTTON_PRESS_MASK);
    dialog.signal_button_press_event().connect(
        sigc::bind(sigc::ptr_fun(&on_MsgWindow_button_press_event), &dialog));
    outer.show_all();
    last->grab_focus();
    last->grab_default();
    // Before the loop ends the dialog, a result that no button gave stays
    // that of the last button.
    result = second ? 1 : 0;
    ModalMainLoop(&dialog, nullptr);
    return result;
}

int TwMessageBox(int code, const std::string& text, int style) {
    if (code == 0 || code == TW_FAILED || code == TW_NET_SILENT || code == TW_DIAL_SILENT) {
        return 0;
    }
    const std::string message = TwMessageString(code, text);
    if ((style & 0xFFFF) != kIconInformation) {
        // Also for whoever started us from a terminal, or when no window
        // can be shown at all.
        std::fprintf(stderr, "Tunewell: %s\n", message.c_str());
    }
    return MessageBox(_("Tunewell"), ToDisplay(message), style);
}

}  // namespace tw

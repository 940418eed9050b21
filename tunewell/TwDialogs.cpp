#include "tunewell/TwDialogs.h"

#include "common/I18n.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwPixmap.h"
#include "tunewell/TwSupport.h"
#include "tunewell/TwTable.h"

namespace tw {

Gtk::Window* pwWaitWindow = nullptr;

namespace {

struct ConfirmState {
    int kind = 0;
    std::string text;
    Gtk::Entry* entry = nullptr;
    int result = 0;
};

void on_ConfilmOKButton_clicked(ConfirmState* state) {
    const std::string typed = FromDisplay(state->entry->get_text());
    if (typed == state->text) {
        state->result = 1;
        suite::EndModalLoop();
        return;
    }
    if (state->kind == kConfirmPassword && typed.empty()) {
        TwMessageBox(TW_DIAL_NO_PASSWORD, "", TW_STYLE_ERROR);
        TwSetFocus(state->entry);
        return;
    }
    TwSetFocus(state->entry);
    TwMessageBox(state->kind == kConfirmPassword ? TW_DIAL_BAD_PASSWORD : TW_NET_KEY_MISMATCH, "",
                 TW_STYLE_ERROR);
    // Again once the message is gone, so the text is ready to be typed over.
    TwSetFocus(state->entry);
}

void on_ConfilmCancelButton_clicked(ConfirmState* state) {
    state->result = 0;
    suite::EndModalLoop();
}

// The window manager's close acts as a click on Cancel.
bool on_CloseButton_clicked(GdkEventAny*, Gtk::Button* cancel) {
    cancel->clicked();
    return true;
}

struct WaitState {
    ApplyProcess* process = nullptr;
    int* code = nullptr;
    std::string* text = nullptr;
    Gtk::Image* picture = nullptr;
    int frame = 0;
    bool rising = true;
    bool done = false;
};

// Looks at exactly the running step, never at any other child, so that its
// exit status tells success from failure; a step that succeeded is followed
// by the next one here.
bool GetProcessStatus(WaitState* state) {
    if (CheckApplyProcess(*state->process, *state->code, *state->text) != 0) {
        state->done = true;
        suite::EndModalLoop();
        return false;
    }
    state->frame = NextWaitFrame(state->frame, state->rising);
    if (state->picture) {
        state->picture->set(WaitFramePixbuf(state->frame));
    }
    return true;
}

bool on_WaitWindow_raise(Gtk::Window* window) {
    if (window->get_window()) {
        window->get_window()->raise();
    }
    return false;
}

}  // namespace

int NextWaitFrame(int frame, bool& rising) {
    if (frame >= kWaitFrames - 1) {
        rising = false;
    } else if (frame <= 0) {
        rising = true;
    }
    return rising ? frame + 1 : frame - 1;
}

int CreateConfilmWindow(int kind, const std::string& text) {
    const bool password = kind == kConfirmPassword;
    const Glib::ustring title = password ? _("Password validation") : _("Cipher Key validation");
    Gtk::Window window;
    SetUpTwDialog(window, title, 314, 122);

    Gtk::Fixed fixed;
    window.add(fixed);
    ConfirmState state;
    state.kind = kind;
    state.text = text;
    suite::PutLabel(&fixed, password ? _("Password validation.") : _("Cipher Key validation."), 16,
                    12, 282, 20);
    state.entry = suite::PutEntry(&fixed, title, 16, 40, 282, 22, 255, true);
    state.entry->set_activates_default(true);
    Gtk::Button* ok = suite::PutButton(&fixed, _("OK"), 112, 80, 88, 30);
    Gtk::Button* cancel = suite::PutButton(&fixed, _("Cancel"), 210, 80, 88, 30);
    FitRowToRight(&fixed, {ok, cancel}, 16);
    ok->signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_ConfilmOKButton_clicked), &state));
    cancel->signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_ConfilmCancelButton_clicked), &state));
    window.signal_delete_event().connect(
        sigc::bind(sigc::ptr_fun(&on_CloseButton_clicked), cancel));
    fixed.show();
    ok->grab_default();
    state.entry->grab_focus();
    ModalMainLoop(&window, suite::InnermostDialog());
    return state.result;
}

int DisplayWaitWindow(ApplyProcess& process, int& code, std::string& text) {
    code = 0;
    text.clear();
    const Glib::RefPtr<Gdk::Pixbuf> first = WaitFramePixbuf(0);
    if (!Gdk::Screen::get_default() || !first) {
        g_warning("Pixmap Widget create failed.");
        WaitApplyProcess(process, code, text);
        return TW_APPLY_FATAL;
    }
    InstallTwStyle();
    Gtk::Window window(Gtk::WINDOW_POPUP);
    window.set_title(_("Setting..."));
    window.set_position(Gtk::WIN_POS_CENTER);
    window.set_modal(true);
    window.set_resizable(false);
    window.get_accessible()->set_name(_("Setting..."));

    Gtk::Frame frame;
    frame.set_shadow_type(Gtk::SHADOW_OUT);
    frame.get_style_context()->add_class("tw-wait");
    Gtk::Box box(Gtk::ORIENTATION_HORIZONTAL, 16);
    box.set_border_width(16);
    Gtk::Image picture(first);
    Gtk::Label label(
        _("Setting...\nProcessing may take time.\nPlease do not turn off a power supply."));
    label.set_line_wrap(true);
    label.set_xalign(0.0f);
    label.set_justify(Gtk::JUSTIFY_LEFT);
    label.get_accessible()->set_name(label.get_text());
    box.pack_start(picture, false, false);
    box.pack_start(label, true, true);
    frame.add(box);
    window.add(frame);
    frame.show_all();

    WaitState state;
    state.process = &process;
    state.code = &code;
    state.text = &text;
    state.picture = &picture;
    window.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::VISIBILITY_NOTIFY_MASK);
    window.signal_button_press_event().connect(
        [&window](GdkEventButton*) { return on_WaitWindow_raise(&window); });
    window.signal_visibility_notify_event().connect(
        [&window](GdkEventVisibility*) { return on_WaitWindow_raise(&window); });
    sigc::connection timer =
        Glib::signal_timeout().connect(sigc::bind(sigc::ptr_fun(&GetProcessStatus), &state), 250);
    pwWaitWindow = &window;
    ModalMainLoop(&window, nullptr);
    timer.disconnect();
    pwWaitWindow = nullptr;
    if (!state.done) {
        // The loop ended without the process (the window was hidden behind
        // our back): its end is still what the message must tell.
        WaitApplyProcess(process, code, text);
    }
    return 0;
}

bool FocusWaitWindow(Gtk::Window*) {
    if (pwWaitWindow && pwWaitWindow->get_window()) {
        pwWaitWindow->get_window()->raise();
    }
    return false;
}

}  // namespace tw

#include "ringout/RoInterface.h"

#include <glib.h>

#include "common/I18n.h"
#include "ringout/RoCallbacks.h"
#include "ringout/RoControl.h"
#include "ringout/RoPixmap.h"
#include "ringout/RoSupport.h"
#include "ringout/RoTable.h"

namespace ro {

namespace {

const char* IconName(int icon) {
    switch (icon) {
        case MSG_STOP:
            return _("Stop");
        case MSG_INFORMATION:
            return _("Information");
        default:
            return _("Question");
    }
}

void MakeDefault(Gtk::Window* window, Gtk::Button* button) {
    button->set_can_default(true);
    window->set_default(*button);
    button->grab_focus();
}

}  // namespace

Glib::ustring StartText(const std::string& device) {
    std::string text = _("Start Connection by %s.");
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, device);
    }
    return Glib::ustring(text);
}

int CreateMessageWindow(const Glib::ustring& title, const Glib::ustring& text, int icon,
                        bool endFlag) {
    if (icon != MSG_STOP && icon != MSG_INFORMATION && icon != MSG_QUESTION) {
        return MSG_ANSWER_NONE;
    }
    Gtk::Window* window = CreateWindow(title, 488, 118);
    if (window == nullptr) {
        return MSG_ANSWER_NONE;
    }
    SetupPosition(window);
    window->set_modal(true);
    window->set_keep_above(true);
    Gtk::Fixed* fixed = CreateFixed(window);
    CreatePixmap(fixed, MessageIcon(icon), IconName(icon), 16, 16, 32, 32);
    CreateLabel(fixed, text, 56, 16, 424, 32);

    int result = MSG_ANSWER_NONE;
    Gtk::Button* preferred = nullptr;
    if (icon == MSG_QUESTION) {
        Gtk::Button* ok = CreateButton(fixed, _("OK"), 315, 72, 74, 32);
        ok->signal_clicked().connect(
            [&result, window] { on_MessageOKButton_clicked(result, window); });
        preferred = CreateButton(fixed, _("Cancel"), 396, 66, 84, 42);
        preferred->signal_clicked().connect(
            [&result, window] { on_MessageCancelButton_clicked(result, window); });
    } else {
        preferred = CreateButton(fixed, _("OK"), 396, 66, 84, 42);
        // A lone OK answers as Cancel does.
        preferred->signal_clicked().connect(
            [&result, window] { on_MessageCancelButton_clicked(result, window); });
    }
    MakeDefault(window, preferred);
    // The window manager's close leaves the result at 0, "not confirmed".
    window->signal_delete_event().connect([window](GdkEventAny*) {
        window->hide();
        return true;
    });
    RunModal(window);
    delete window;
    on_MessageWindow_destroy(endFlag);
    return result;
}

int MessageBox(std::uint32_t code) {
    const MessageParts parts = DecodeMessage(code);
    // The program is ending: nobody is left to answer.
    if (LoopsEnding() || parts.title == nullptr || parts.text == nullptr) {
        return MSG_ANSWER_NONE;
    }
    return CreateMessageWindow(_(parts.title), _(parts.text), parts.icon, parts.endProgram);
}

Gtk::Window* CreateStartWindow() {
    RingoutState& st = *pRingout;
    std::string device;
    const std::uint32_t code = CheckDialupConfiguration(st.Paths, device);
    if (code != 0) {
        MessageBox(code);
        return nullptr;
    }
    Gtk::Window* window = CreateWindow(_("Ringout"), 340, 150);
    if (window == nullptr) {
        return nullptr;
    }
    SetupPosition(window);
    Gtk::Fixed* fixed = CreateFixed(window);
    st.StartLabel = CreateLabel(fixed, StartText(device), 8, 0, 325, 72);
    st.StartLabel->set_yalign(0.5f);
    st.ConfigButton = CreateButton(fixed, _("Setting..."), 242, 60, 88, 29);
    st.ConfigButton->signal_clicked().connect(&on_ConfigButton_clicked);
    st.StartButton = CreateButton(fixed, _("Start"), 60, 100, 96, 40);
    st.StartButton->signal_clicked().connect(&on_ConnectStartButton_clicked);
    Gtk::Button* cancel = CreateButton(fixed, _("Cancel"), 196, 106, 80, 29);
    cancel->signal_clicked().connect(&on_CancelButton_clicked);
    MakeDefault(window, st.StartButton);
    window->signal_delete_event().connect([](GdkEventAny*) {
        on_CancelButton_clicked();
        return true;
    });
    st.StartWindow = window;
    UpdateButtons(st, WindowView());
    window->show();
    return window;
}

Gtk::Window* CreateConnectWindow() {
    RingoutState& st = *pRingout;
    Gtk::Window* window = CreateWindow(_("Ringout"), 200, 36);
    if (window == nullptr) {
        return nullptr;
    }
    SetupPosition(window, 0, 43);
    Gtk::Fixed* fixed = CreateFixed(window);
    st.TimeLabel = CreateLabel(fixed, _("         Connect"), 5, 0, 124, 36);
    st.TimeLabel->set_line_wrap(false);
    st.ConnectButton = CreateButton(fixed, _("Stop "), 120, 0, 80, 36);
    st.ConnectButton->signal_clicked().connect(&on_ConnectButton_clicked);
    window->signal_delete_event().connect(&on_ConnectWindow_delete_event);
    st.ConnectWindow = window;
    WindowView().StartTimer(RoTimer::kClock);
    window->show();
    st.ConnectButton->grab_focus();
    return window;
}

int CreateWaitWindow() {
    RingoutState& st = *pRingout;
    Gtk::Window* window = CreateWindow(_("Connecting..."), 226, 55);
    if (window == nullptr) {
        return CONNECT_MACHINE_FAILURE;
    }
    SetupPosition(window);
    window->set_decorated(false);
    window->set_modal(true);
    auto* frame = Gtk::manage(new Gtk::Frame());
    frame->set_shadow_type(Gtk::SHADOW_OUT);
    window->add(*frame);
    frame->show();
    Gtk::Fixed* fixed = CreateFixed(frame);
    CreatePixmap(fixed, ConnectingPicture(), _("Connecting..."), 0, 4, 48, 42);
    CreateLabel(fixed, _("Connecting..."), 50, 8, 170, 32);
    // The poll ends this window, or the user gives up (asked first).
    window->signal_delete_event().connect(&on_WaitWindow_delete_event);
    window->signal_key_press_event().connect(&on_WaitWindow_key_press_event, false);

    st.WaitWindow = window;
    WindowView().StartTimer(RoTimer::kWaitPoll);
    RunModal(window);
    on_WaitWindow_destroy();
    delete window;
    return st.WaitResult;
}

}  // namespace ro

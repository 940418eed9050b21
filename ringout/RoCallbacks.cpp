#include "ringout/RoCallbacks.h"

#include <glib-unix.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <memory>

#include "common/I18n.h"
#include "common/ProcessUtil.h"
#include "ringout/RoInterface.h"
#include "ringout/RoSupport.h"
#include "ringout/RoTable.h"

namespace ro {

namespace {

// Set when a message with the end bit closed the program's loop.
bool gEndedByMessage = false;
// The signal that ended the program, or 0.
int gEndSignal = 0;

void RemoveTimer(int& id) {
    if (id > 0) {
        g_source_remove(static_cast<guint>(id));
    }
    id = -1;
}

bool BecomeRoot() {
    const passwd* pw = ::getpwnam("root");
    if (pw == nullptr) {
        return false;
    }
    return ::setuid(pw->pw_uid) == 0 && ::setgid(pw->pw_gid) == 0;
}

// Milliseconds between the calls of each timer.
int IntervalOf(RoTimer timer) {
    switch (timer) {
        case RoTimer::kWaitPoll:
        case RoTimer::kToolWatch:
            return 500;
        case RoTimer::kClock:
            return 1000;
        case RoTimer::kStopWatch:
            return 100;
    }
    return 1000;
}

// The wait's poll and the tool's watch never run together: one id serves both.
int& IdOf(RoTimer timer) {
    RingoutState& st = *pRingout;
    switch (timer) {
        case RoTimer::kClock:
            return st.MonitorTimer;
        case RoTimer::kStopWatch:
            return st.StopTimer;
        default:
            return st.PollTimer;
    }
}

gboolean OnTimer(gpointer data) {
    RingoutState& st = *pRingout;
    RingoutView& view = WindowView();
    switch (static_cast<RoTimer>(GPOINTER_TO_INT(data))) {
        case RoTimer::kWaitPoll:
            return PollWait(st, view) ? TRUE : FALSE;
        case RoTimer::kToolWatch:
            return CheckTwSetupProcess(st, view) ? TRUE : FALSE;
        case RoTimer::kClock:
            return CheckPPPDProcess(st, view) ? TRUE : FALSE;
        case RoTimer::kStopWatch:
            return CheckStopProcess(st, view) ? TRUE : FALSE;
    }
    return FALSE;
}

class Windows : public RingoutView {
  public:
    int ShowMessage(std::uint32_t code) override { return MessageBox(code); }
    int RunWait() override { return CreateWaitWindow(); }
    void EndWait() override {
        if (pRingout->WaitWindow != nullptr) {
            pRingout->WaitWindow->hide();
        }
    }
    void StartTimer(RoTimer timer) override {
        int& id = IdOf(timer);
        // No timer outlives the loops once the program ends.
        if (id > 0 || LoopsEnding()) {
            return;
        }
        id = static_cast<int>(
            g_timeout_add(static_cast<guint>(IntervalOf(timer)), &OnTimer,
                          GINT_TO_POINTER(static_cast<int>(timer))));
    }
    void StopTimer(RoTimer timer) override { RemoveTimer(IdOf(timer)); }
    void ShowTime(const std::string& text) override {
        if (pRingout->TimeLabel != nullptr) {
            pRingout->TimeLabel->set_text(text);
        }
    }
    void ShowDevice(const std::string& device) override {
        if (pRingout->StartLabel != nullptr) {
            pRingout->StartLabel->set_text(StartText(device));
        }
    }
    void ShowButtons(const ButtonLook& look) override {
        RingoutState& st = *pRingout;
        if (st.StartButton != nullptr) {
            st.StartButton->set_sensitive(look.start);
        }
        if (st.ConfigButton != nullptr) {
            st.ConfigButton->set_sensitive(look.setting);
        }
        if (st.ConnectButton == nullptr || look.connect == ConnectButtonLook::kAsItIs) {
            return;
        }
        if (look.connect == ConnectButtonLook::kConnect) {
            st.ConnectButton->set_label(_("Connect "));
            st.ConnectButton->get_accessible()->set_name(_("Connect "));
        }
        st.ConnectButton->set_sensitive(look.connect == ConnectButtonLook::kConnect);
    }
};

// What SIGTERM, SIGHUP and SIGINT do: end the program as its own close
// does; the daemon is stopped on the way out.
gboolean OnEndSignal(gpointer signo) {
    gEndSignal = GPOINTER_TO_INT(signo);
    GiveUpWait(*pRingout, WindowView());
    EndAllLoops();
    return G_SOURCE_CONTINUE;
}

void DestroyConnectWindow() {
    RingoutState& st = *pRingout;
    RemoveTimer(st.MonitorTimer);
    st.TimeLabel = nullptr;
    st.ConnectButton = nullptr;
    DestroyLater(st.ConnectWindow);
    st.ConnectWindow = nullptr;
}

void DestroyStartWindow() {
    RingoutState& st = *pRingout;
    Gtk::Window* window = st.StartWindow;
    if (window == nullptr) {
        return;
    }
    st.StartWindow = nullptr;
    DestroyLater(window);
    on_StartWindow_destroy();
}

}  // namespace

RingoutOptions::RingoutOptions() : becomeRoot(&BecomeRoot) {}

RingoutView& WindowView() {
    static Windows windows;
    return windows;
}

std::string VersionText() {
    char line[64];
    std::snprintf(line, sizeof line, "Ringout  Version 1.02 %s\n", "2001/03/26");
    return std::string(line) +
           "Dial-up connection tool; free to use and to pass on, without warranty.\n";
}

void on_ConfigButton_clicked() {
    StartSetting(*pRingout, WindowView());
}

void on_ConnectStartButton_clicked() {
    RingoutState& st = *pRingout;
    if (st.StartWindow == nullptr) {
        return;
    }
    st.StartWindow->hide();
    const int result = ExecPPPD(st, WindowView());
    if (LoopsEnding()) {
        return;
    }
    if (result == CONNECT_OK) {
        st.Replacing = 1;
        DestroyStartWindow();
        CreateConnectWindow();
    } else if (st.StartWindow != nullptr) {
        UpdateButtons(st, WindowView());
        st.StartWindow->show();
    }
}

void on_CancelButton_clicked() {
    DestroyStartWindow();
}

void on_StartWindow_destroy() {
    RingoutState& st = *pRingout;
    // Its widgets are gone with it; so is the watch that would update them.
    if (st.ConfigPid > 0) {
        WindowView().StopTimer(RoTimer::kToolWatch);
    }
    st.StartLabel = nullptr;
    st.ConfigButton = nullptr;
    st.StartButton = nullptr;
    if (st.Replacing != 0) {
        st.Replacing = 0;
        return;
    }
    QuitMainLoop();
}

void on_ConnectButton_clicked() {
    if (PressConnectButton(*pRingout, WindowView())) {
        DestroyConnectWindow();
        CreateStartWindow();
        // Without a usable configuration the message above ended the loop.
    }
}

bool on_ConnectWindow_delete_event(GdkEventAny*) {
    if (CloseConnectWindow(*pRingout, WindowView())) {
        DestroyConnectWindow();
        QuitMainLoop();
    }
    return true;
}

void on_MessageOKButton_clicked(int& result, Gtk::Window* window) {
    result = MSG_ANSWER_OK;
    window->hide();
}

void on_MessageCancelButton_clicked(int& result, Gtk::Window* window) {
    result = MSG_ANSWER_CANCEL;
    window->hide();
}

void on_MessageWindow_destroy(bool endFlag) {
    if (endFlag && MainLoopRunning()) {
        gEndedByMessage = true;
        QuitMainLoop();
    }
}

bool on_WaitWindow_delete_event(GdkEventAny*) {
    CancelWait(*pRingout, WindowView());
    return true;
}

bool on_WaitWindow_key_press_event(GdkEventKey* event) {
    if (event->keyval != GDK_KEY_Escape) {
        return false;
    }
    CancelWait(*pRingout, WindowView());
    return true;
}

void on_WaitWindow_destroy() {
    WindowView().StopTimer(RoTimer::kWaitPoll);
    pRingout->WaitWindow = nullptr;
}

int RingoutMain(const RingoutOptions& options) {
    if (options.becomeRoot && !options.becomeRoot()) {
        MessageBox(MSG_NOT_ROOT);
        return 1;
    }
    suite::ProcPaths procPaths;
    procPaths.procRoot = options.instanceProcRoot;
    if (suite::CheckDoubleStartup(options.processName, procPaths) != 0) {
        MessageBox(MSG_ALREADY_STARTED);
        return 1;
    }
    auto state = std::make_unique<RingoutState>();
    state->Paths = options.paths;
    state->System = options.system;
    pRingout = state.get();

    ResetLoops();
    gEndSignal = 0;
    std::vector<guint> signalSources;
    for (int signo : {SIGTERM, SIGHUP, SIGINT}) {
        signalSources.push_back(g_unix_signal_add(signo, &OnEndSignal, GINT_TO_POINTER(signo)));
    }
    int status = 1;
    gEndedByMessage = false;
    if (CreateStartWindow() != nullptr) {
        RunMainLoop();
        // A loop ended by a message (a program that would not start) is a
        // failure too.
        status = gEndedByMessage ? 1 : 0;
    }
    RingoutState& st = *pRingout;
    RemoveTimer(st.PollTimer);
    RemoveTimer(st.StopTimer);
    if (st.WaitWindow != nullptr) {
        st.WaitWindow->hide();
    }
    DestroyConnectWindow();
    st.Replacing = 1;
    DestroyStartWindow();
    // Let the windows freed later go before the record they point into.
    auto context = Glib::MainContext::get_default();
    while (context->iteration(false)) {
    }
    // No window is left to freeze: the daemon gets its whole hang-up.
    StopDaemon(st, st.Paths, st.System);
    for (guint id : signalSources) {
        g_source_remove(id);
    }
    if (gEndSignal != 0) {
        status = 128 + gEndSignal;
    }
    ResetLoops();
    pRingout = nullptr;
    return status;
}

}  // namespace ro

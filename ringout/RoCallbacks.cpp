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

void Warn(const std::string& text) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", text.c_str());
}

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

// The connection window after the connection: the time it lasted, and the
// button (see UpdateButtons).
void ShowFinalTime() {
    RingoutState& st = *pRingout;
    if (st.TimeLabel != nullptr) {
        st.TimeLabel->set_text(FormatConnectTime(st, _("Stop")));
    }
    st.Hours = st.Minutes = st.Seconds = 0;
    UpdateButtons();
}

gboolean CheckStopProcess(gpointer) {
    RingoutState& st = *pRingout;
    if (!ContinueStop(st, st.Paths, st.System)) {
        return TRUE;
    }
    st.StopTimer = -1;
    UpdateButtons();
    return FALSE;
}

// Stops the daemon while the windows go on being drawn; the buttons that
// would start another one wait for its end.
void BeginDaemonStop() {
    RingoutState& st = *pRingout;
    BeginStop(st, st.Paths, st.System);
    if (st.Stopping.pid > 0 && st.StopTimer == -1) {
        st.StopTimer = static_cast<int>(g_timeout_add(100, &CheckStopProcess, nullptr));
    }
    UpdateButtons();
}

// What SIGTERM, SIGHUP and SIGINT do: end the program as its own close
// does; the daemon is stopped on the way out.
gboolean OnEndSignal(gpointer signo) {
    RingoutState& st = *pRingout;
    gEndSignal = GPOINTER_TO_INT(signo);
    if (st.WaitWindow != nullptr) {
        RemoveTimer(st.PollTimer);
        st.WaitResult = CONNECT_CANCELLED;
    }
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

void UpdateButtons() {
    RingoutState& st = *pRingout;
    const bool stopping = st.Stopping.pid > 0;
    const bool configuring = st.ConfigPid > 0;
    if (st.StartButton != nullptr) {
        st.StartButton->set_sensitive(!stopping && !configuring);
    }
    if (st.ConfigButton != nullptr) {
        st.ConfigButton->set_sensitive(!configuring);
    }
    // After a connection: "Connect " once the daemon has ended.
    if (st.ConnectButton != nullptr && st.MonitorTimer == -1) {
        if (!stopping) {
            st.ConnectButton->set_label(_("Connect "));
            st.ConnectButton->get_accessible()->set_name(_("Connect "));
        }
        st.ConnectButton->set_sensitive(!stopping);
    }
}

std::string VersionText() {
    char line[64];
    std::snprintf(line, sizeof line, "Ringout  Version 1.02 %s\n", "2001/03/26");
    return std::string(line) +
           "Dial-up connection tool; free to use and to pass on, without warranty.\n";
}

int ExecPPPD() {
    RingoutState& st = *pRingout;
    // However Ringout ends, even without running another line, the daemon
    // is told to stop.
    st.PppdPid = StartProgram(st.Paths.pppd, {"-detach"}, true, &Warn, SIGTERM);
    if (st.PppdPid <= 0) {
        st.PppdPid = -1;
        MessageBox(MSG_PPPD_START_FAILED);
        return CONNECT_MACHINE_FAILURE;
    }
    const pid_t daemon = st.PppdPid;
    st.Phase = 0;
    const int result = CreateWaitWindow();
    if (result == CONNECT_MACHINE_FAILURE) {
        RemoveTimer(st.PollTimer);
        BeginDaemonStop();
        MessageBox(MSG_NO_MEMORY);
    } else if (result == CONNECT_DIALUP_FAILED) {
        // The daemon has ended; a dialler it left behind goes with it.
        KillChat(daemon, st.Paths, st.System);
        MessageBox(MSG_DIALUP_FAILED);
    }
    return result;
}

void Disconnect() {
    RingoutState& st = *pRingout;
    RemoveTimer(st.MonitorTimer);
    BeginDaemonStop();
    ShowFinalTime();
}

void CancelWait() {
    RingoutState& st = *pRingout;
    // Decided already, or the question is up.
    if (st.WaitWindow == nullptr || st.PollTimer == -1) {
        return;
    }
    // The attempt is not decided behind the question's back.
    RemoveTimer(st.PollTimer);
    if (MessageBox(MSG_ASK_DISCONNECT) == 1) {
        st.WaitResult = CONNECT_CANCELLED;
        BeginDaemonStop();
        if (st.WaitWindow != nullptr) {
            st.WaitWindow->hide();
        }
    } else if (st.WaitWindow != nullptr && !LoopsEnding()) {
        st.PollTimer = static_cast<int>(g_timeout_add(500, &CheckConnectNetworkTimer, nullptr));
    }
}

gboolean CheckConnectNetworkTimer(gpointer) {
    RingoutState& st = *pRingout;
    const int result = CheckConnectNetwork(st, st.Paths, st.System);
    if (result == CONNECT_PENDING) {
        return TRUE;
    }
    st.WaitResult = result;
    st.PollTimer = -1;
    if (st.WaitWindow != nullptr) {
        st.WaitWindow->hide();
    }
    return FALSE;
}

gboolean CheckPPPDProcess(gpointer) {
    RingoutState& st = *pRingout;
    const pid_t daemon = st.PppdPid;
    if (ChildEnded(st.PppdPid, st.System)) {
        st.MonitorTimer = -1;
        KillChat(daemon, st.Paths, st.System);
        ShowFinalTime();
        MessageBox(MSG_DISCONNECTED);
        return FALSE;
    }
    UpdateConnectTime(st, st.System.now());
    if (st.TimeLabel != nullptr) {
        st.TimeLabel->set_text(FormatConnectTime(st, _("Connect")));
    }
    return TRUE;
}

gboolean CheckTwSetupProcess(gpointer) {
    RingoutState& st = *pRingout;
    if (!ChildEnded(st.ConfigPid, st.System)) {
        return TRUE;
    }
    st.PollTimer = -1;
    std::string device;
    // Whatever the tool left behind is shown by the next start attempt.
    CheckDialupConfiguration(st.Paths, device);
    if (st.StartLabel != nullptr) {
        st.StartLabel->set_text(StartText(device));
    }
    UpdateButtons();
    return FALSE;
}

void on_ConfigButton_clicked() {
    RingoutState& st = *pRingout;
    st.ConfigButton->set_sensitive(false);
    st.StartButton->set_sensitive(false);
    st.ConfigPid = StartProgram(st.Paths.tunewell, {"--dialuponly"}, false, &Warn);
    if (st.ConfigPid <= 0) {
        st.ConfigPid = -1;
        MessageBox(MSG_CONFIG_START_FAILED);
        return;
    }
    RemoveTimer(st.PollTimer);
    st.PollTimer = static_cast<int>(g_timeout_add(500, &CheckTwSetupProcess, nullptr));
}

void on_ConnectStartButton_clicked() {
    RingoutState& st = *pRingout;
    if (st.StartWindow == nullptr) {
        return;
    }
    st.StartWindow->hide();
    const int result = ExecPPPD();
    if (LoopsEnding()) {
        return;
    }
    if (result == CONNECT_OK) {
        st.Replacing = 1;
        DestroyStartWindow();
        CreateConnectWindow();
    } else if (st.StartWindow != nullptr) {
        UpdateButtons();
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
        RemoveTimer(st.PollTimer);
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
    RingoutState& st = *pRingout;
    if (st.MonitorTimer != -1) {
        if (MessageBox(MSG_ASK_DISCONNECT) == 1 && st.MonitorTimer != -1) {
            Disconnect();
        }
        return;
    }
    // No new start while the last daemon still hangs up.
    if (st.Stopping.pid > 0) {
        return;
    }
    DestroyConnectWindow();
    CreateStartWindow();
    // Without a usable configuration the message above ended the loop.
}

bool on_ConnectWindow_delete_event(GdkEventAny*) {
    RingoutState& st = *pRingout;
    const bool connected = st.MonitorTimer != -1;
    if (MessageBox(connected ? MSG_ASK_DISCONNECT : MSG_ASK_CLOSE) != 1) {
        return true;
    }
    if (st.MonitorTimer != -1) {
        Disconnect();
    }
    DestroyConnectWindow();
    QuitMainLoop();
    return true;
}

void on_MessageOKButton_clicked(int& result, Gtk::Window* window) {
    result = 1;
    window->hide();
}

void on_MessageCancelButton_clicked(int& result, Gtk::Window* window) {
    result = 2;
    window->hide();
}

void on_MessageWindow_destroy(bool endFlag) {
    if (endFlag && MainLoopRunning()) {
        gEndedByMessage = true;
        QuitMainLoop();
    }
}

bool on_WaitWindow_delete_event(GdkEventAny*) {
    CancelWait();
    return true;
}

bool on_WaitWindow_key_press_event(GdkEventKey* event) {
    if (event->keyval != GDK_KEY_Escape) {
        return false;
    }
    CancelWait();
    return true;
}

void on_WaitWindow_destroy() {
    RingoutState& st = *pRingout;
    RemoveTimer(st.PollTimer);
    st.WaitWindow = nullptr;
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

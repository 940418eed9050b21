#include "ringout/RoCallbacks.h"

#include <pwd.h>
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

void ShowFinalTime() {
    RingoutState& st = *pRingout;
    if (st.TimeLabel != nullptr) {
        st.TimeLabel->set_text(FormatConnectTime(st, _("Stop")));
    }
    if (st.ConnectButton != nullptr) {
        st.ConnectButton->set_label(_("Connect "));
        st.ConnectButton->get_accessible()->set_name(_("Connect "));
    }
    st.Hours = st.Minutes = st.Seconds = 0;
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

std::string VersionText() {
    char line[64];
    std::snprintf(line, sizeof line, "Ringout  Version 1.02 %s\n", "2001/03/26");
    return std::string(line) +
           "Dial-up connection tool; free to use and to pass on, without warranty.\n";
}

int ExecPPPD() {
    RingoutState& st = *pRingout;
    st.PppdPid = StartProgram(st.Paths.pppd, {"-detach"}, true, &Warn);
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
        StopDaemon(st, st.Paths, st.System);
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
    StopDaemon(st, st.Paths, st.System);
    ShowFinalTime();
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
    if (st.ConfigButton != nullptr) {
        st.ConfigButton->set_sensitive(true);
    }
    if (st.StartButton != nullptr) {
        st.StartButton->set_sensitive(true);
    }
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
    if (ExecPPPD() == CONNECT_OK) {
        st.Replacing = 1;
        DestroyStartWindow();
        CreateConnectWindow();
    } else if (st.StartWindow != nullptr) {
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

    int status = 1;
    gEndedByMessage = false;
    if (CreateStartWindow() != nullptr) {
        RunMainLoop();
        // A loop ended by a message (a program that would not start) is a
        // failure too.
        status = gEndedByMessage ? 1 : 0;
    }
    RingoutState& st = *pRingout;
    if (st.PppdPid > 0) {
        StopDaemon(st, st.Paths, st.System);
    }
    RemoveTimer(st.PollTimer);
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
    pRingout = nullptr;
    return status;
}

}  // namespace ro

// The dialer's handlers and timers, the connection flow between its windows,
// and the program's start.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>

#include "ringout/RoControl.h"

namespace ro {

// What the program runs against; tests replace the installed defaults.
struct RingoutOptions {
    RoPaths paths;
    RoSystem system;
    // Becomes the superuser; false when that is not allowed.
    std::function<bool()> becomeRoot;
    // Name another running copy is known by, and where to look for it.
    std::string processName = "Ringout";
    std::string instanceProcRoot = "/proc";

    RingoutOptions();
};

// Version banner ("--version"): two lines.
std::string VersionText();

// The program after GTK is set up: root, single instance, the start window
// and the main loop.  Its exit status: 0 after a normal end, 1 when it
// could not run (after the message saying why), 128 + the signal when
// SIGTERM, SIGHUP or SIGINT ended it.  A daemon it started is stopped
// before it returns.
int RingoutMain(const RingoutOptions& options);

// Starts the daemon and runs the wait window; the attempt's result.
int ExecPPPD();
// Stops the connection shown in the connection window, without waiting.
void Disconnect();
// Closing the wait window: asks, and on OK stops the daemon and ends the wait.
void CancelWait();
// Sensitivity and caption of the buttons that start a daemon or the tool,
// from whether one is being stopped or the tool runs.
void UpdateButtons();

// Timers (GLib sources; true keeps them).
gboolean CheckConnectNetworkTimer(gpointer data);
gboolean CheckPPPDProcess(gpointer button);
gboolean CheckTwSetupProcess(gpointer data);

// Handlers.
void on_ConfigButton_clicked();
void on_ConnectStartButton_clicked();
void on_CancelButton_clicked();
void on_StartWindow_destroy();
void on_ConnectButton_clicked();
bool on_ConnectWindow_delete_event(GdkEventAny* event);
void on_MessageOKButton_clicked(int& result, Gtk::Window* window);
void on_MessageCancelButton_clicked(int& result, Gtk::Window* window);
void on_MessageWindow_destroy(bool endFlag);
bool on_WaitWindow_delete_event(GdkEventAny* event);
bool on_WaitWindow_key_press_event(GdkEventKey* event);
void on_WaitWindow_destroy();

}  // namespace ro

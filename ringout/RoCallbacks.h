// The dialer's window layer: the handlers and timers that hand each event to
// the core's connection flow (RoControl), the view the flow shows through,
// and the program's start.  Used by RoInterface's windows and by main.cpp.
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

// The windows as the flow sees them; its timers call back into the flow.
RingoutView& WindowView();

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

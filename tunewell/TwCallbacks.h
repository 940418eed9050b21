// Tunewell's start-up and main-window handlers, for main.cpp and the window
// tests: the modes, the superuser check, the window and its main loop; the
// settings are read and applied by TwApply, shown through this window.
#pragma once

#include <gtkmm.h>

#include <string>

#include "tunewell/TwConfig.h"
#include "tunewell/TwInterface.h"

namespace tw {

// Mode of the first argument ("--dialup", "--time", "--dialuponly"; anything
// else the normal start); only an exact match counts.
StartMode ParseMode(int argc, char** argv);

// setuid/setgid to the account "root"; 0, or TW_NO_ROOT.
int BecomeRoot();

// Everything after becoming root: the records, `WYCFG` (null when unset),
// every setting, the window and its loop; frees what it allocated.  The exit
// status of the program.
int RunTunewell(StartMode mode, const char* wycfg, const char* lang, const TwPaths& paths,
                TwClock& clock);

// Handlers of the main window.
void on_OKButton_clicked(int stay);  // kApplyAndQuit, kApplyAndStay
void on_CancelButton_clicked();
void on_UseNetDevRadio_toggled(int type);
void on_UseDialupDevRadio_toggled(int device);
void on_ModButton_clicked(int page);  // PAGE_NETWORK or PAGE_DIALUP
bool on_TwWindow_focus_in_event(GdkEventFocus* event);

}  // namespace tw

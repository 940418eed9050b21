// Two small modal windows of Tunewell: the confirmation that asks for a
// cipher key or password again (modify windows) and the wait window shown
// while the apply process runs (the main window's apply).
#pragma once

#include <gtkmm.h>

#include <string>

#include "tunewell/TwConfig.h"

namespace tw {

inline constexpr int kConfirmCipherKey = 0;
inline constexpr int kConfirmPassword = 1;

// 1 when the person typed `text` again, 0 when they cancelled.
int CreateConfilmWindow(int kind, const std::string& text);

// The wait window, or null when none is up.
extern Gtk::Window* pwWaitWindow;

// Shows the wait window until the apply process has ended, animating every
// 250 ms.  `code` receives 0 when every step of the process succeeded, else
// the failure code with `text` naming what failed.  0, or TW_APPLY_FATAL
// when the window could not be built (the process is still waited for).
int DisplayWaitWindow(ApplyProcess& process, int& code, std::string& text);

// Raises the wait window when one is up (the main window's focus-in).
bool FocusWaitWindow(Gtk::Window* window);

// Frame shown after `frame` in the run 0, 1, 2, 3, 2, 1, 0, 1, ...;
// `rising` tells the direction and turns at either end.
int NextWaitFrame(int frame, bool& rising);

}  // namespace tw

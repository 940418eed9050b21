// The Help menu: the manual in the browser and the version box.
#pragma once

#include <string>

#include "rummage/rmgdialog.h"

namespace rmg {

inline constexpr const char* kManualBrowser = "/usr/lib/netscape/start";
inline constexpr const char* kManualPage = "/usr/local/share/rummage/Help/rummage.htm";
inline constexpr const char* kRummageVersion = "1.01";

// Starts the browser with the manual page; without that browser, the
// desktop's default handler opens the page.  False when neither could.
bool ShowManual(const std::string& browser = kManualBrowser, const std::string& page = kManualPage);

// The version box.  0 after it ran, RESULT_BAD_ARGUMENT without a pointer.
int CreateAbortDlg(DialogWindow** dialog);

void on_Menu_Manual_activate();
void on_Menu_Abort_activate();

}  // namespace rmg

// The Help menu: the manual in the browser and the version box.
#pragma once

#include <functional>
#include <string>

#include "rummage/rmgdialog.h"

namespace rmg {

inline constexpr const char* kManualBrowser = "/usr/lib/netscape/start";
inline constexpr const char* kManualPage = "/usr/local/share/rummage/Help/rummage.htm";
inline constexpr const char* kRummageVersion = "1.01";

// Opens a "file:" address with the desktop's handler for it; false when
// there is none or it could not be started.
using UriOpener = std::function<bool(const std::string& uri)>;
bool OpenWithDesktop(const std::string& uri);

// Where "Manual" looks; tests point it at their own tree.
struct ManualSetup {
    std::string browser = kManualBrowser;
    std::string page = kManualPage;
    UriOpener openDefault = OpenWithDesktop;
};
void SetManualSetup(ManualSetup setup);

// Starts the browser with the manual page; without that browser, the
// desktop's default handler opens the page.  False when neither could.
bool ShowManual(const std::string& browser, const std::string& page, const UriOpener& openDefault);

// The version box.  0 after it ran, RESULT_BAD_ARGUMENT without a pointer.
int CreateAbortDlg(DialogWindow** dialog);

// Shows the manual, or says what to install when nothing could open it.
void on_Menu_Manual_activate();
void on_Menu_Abort_activate();

}  // namespace rmg

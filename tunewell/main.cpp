// Tunewell, the configuration tool: command line, the superuser check and
// the window.  It is started as root (pkexec, or the dialer running as
// root); it is never installed set-user-ID, which GTK refuses.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtkmm.h>

#include "common/I18n.h"
#include "tunewell/TwCallbacks.h"
#include "tunewell/TwConfig.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwTable.h"

int main(int argc, char** argv) {
    // The banner needs no display, so it comes before anything else.
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Tunewell  Version 1.11 %s\n", "2001/03/26");
        std::printf(
            "Network, dial-up and clock settings; free to use and to pass on, without "
            "warranty.\n");
        return 0;
    }
    suite::InitLocale("Tunewell", true);
    const int mode = tw::ParseMode(argc, argv);
    auto app =
        Gtk::Application::create(argc, argv, "org.waymark.tunewell", Gio::APPLICATION_NON_UNIQUE);

    if (tw::BecomeRoot() != 0) {
        tw::TwMessageBox(tw::TW_NO_ROOT, "", tw::TW_STYLE_ERROR);
        return 1;
    }
    return tw::RunTunewell(mode, std::getenv("WYCFG"), std::getenv("LANG"),
                           tw::TwPathsFromEnvironment(), tw::ClockFromEnvironment());
}

// Tunewell, the configuration tool: command line, the superuser check and
// the window.  It is started as root (pkexec, or the dialer running as
// root); it is never installed set-user-ID, which GTK refuses.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtkmm.h>

#include "common/GlProbe.h"
#include "common/I18n.h"
#include "tunewell/TwCallbacks.h"
#include "tunewell/TwConfig.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwTable.h"

#ifndef TUNEWELL_DEFAULT_WYCFG
#define TUNEWELL_DEFAULT_WYCFG SUITE_DATADIR "/../etc/tunewell/"
#endif

namespace {

// pkexec starts us with a cleared environment, so a start through it would
// always lack WYCFG: it then gets the installed tree, exported so that the
// site scripts see the same value.  Any other start needs WYCFG set.
const char* ConfigurationTree() {
    const char* wycfg = std::getenv("WYCFG");
    if (wycfg == nullptr && std::getenv("PKEXEC_UID") != nullptr) {
        ::setenv("WYCFG", TUNEWELL_DEFAULT_WYCFG, 1);
        wycfg = std::getenv("WYCFG");
    }
    return wycfg;
}

}  // namespace

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
    const tw::StartMode mode = tw::ParseMode(argc, argv);
    suite::SkipGlProbe skipGl;
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "Tunewell: %s\n", _("Cannot open the display."));
        return 1;
    }
    skipGl.Restore();
    auto app =
        Gtk::Application::create(argc, argv, "org.waymark.tunewell", Gio::APPLICATION_NON_UNIQUE);

    if (tw::BecomeRoot() != 0) {
        tw::TwMessageBox(tw::TW_NO_ROOT, "", tw::TW_STYLE_ERROR);
        return 1;
    }
    return tw::RunTunewell(mode, ConfigurationTree(), std::getenv("LANG"),
                           tw::TwPathsFromEnvironment(), tw::ClockFromEnvironment());
}

// Ringout, the dial-up tool: the version banner, then the windows.
#include <cstdio>
#include <cstring>

#include <gtkmm.h>

#include "common/GlProbe.h"
#include "common/I18n.h"
#include "ringout/RoCallbacks.h"

int main(int argc, char** argv) {
    suite::InitLocale("Ringout", true);
    // The banner needs no display.
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(ro::VersionText().c_str(), stdout);
        return 0;
    }
    // Other arguments are ignored; GTK must not take them as its own.
    int gtkArgc = 1;
    suite::SkipGlProbe skipGl;
    auto app =
        Gtk::Application::create(gtkArgc, argv, "org.waymark.ringout", Gio::APPLICATION_NON_UNIQUE);
    skipGl.Restore();
    ro::RingoutOptions options;
    return ro::RingoutMain(options);
}

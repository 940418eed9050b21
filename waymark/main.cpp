// Waymark, the launcher bar: start-up, the single-instance check, loading
// the data files, and the bar's main loop.
#include <gtkmm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/GlProbe.h"
#include "common/I18n.h"
#include "common/ProcessUtil.h"
#include "waymark/WmDialogs.h"
#include "waymark/WmFile.h"
#include "waymark/WmInterface.h"
#include "waymark/WmLaunch.h"
#include "waymark/WmSupport.h"
#include "waymark/WmTable.h"

namespace {

constexpr const char* kVersion = "1.00";

// Start-up measurement (bench/): WAYMARK_STARTUP_BENCH holds the launch time
// in nanoseconds since the epoch; once the bar has been drawn, report the
// time taken and end.
void WatchStartupTime(Gtk::Window& window) {
    const char* launched = std::getenv("WAYMARK_STARTUP_BENCH");
    if (launched == nullptr) {
        return;
    }
    const long long start = std::atoll(launched);
    auto connection = std::make_shared<sigc::connection>();
    *connection = window.signal_draw().connect(
        [start, connection](const Cairo::RefPtr<Cairo::Context>&) {
            connection->disconnect();
            Glib::signal_idle().connect_once(
                [start] {
                    timespec now{};
                    ::clock_gettime(CLOCK_REALTIME, &now);
                    const long long ns = now.tv_sec * 1000000000LL + now.tv_nsec;
                    std::fprintf(stderr, "Waymark: bar drawn after %.1f ms\n", (ns - start) / 1e6);
                    wm::QuitMainLoop();
                },
                Glib::PRIORITY_LOW);
            return false;
        },
        true);
}

// A start-up failure: the message's OK (or closing it) ends the program.
int ShowStartupFailure(int code) {
    wm::wyMessageBox(code);
    if (!wm::QuitRequested()) {
        gtk_main();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Waymark  Version %s\n", kVersion);
        std::printf(
            "The launcher bar of the suite; free to use and to pass on, without warranty.\n");
        return 0;
    }
    // Placement, stacking and the item window's shape are X11 matters.
    gdk_set_allowed_backends("x11");
    suite::InitLocale("Waymark", true);
    suite::SkipGlProbe skipGl;
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "Waymark: cannot open the display\n");
        return 1;
    }
    skipGl.Restore();
    // Sets up the C++ wrappers; GTK itself is already running.
    auto app = Gtk::Application::create("org.waymark.Waymark", Gio::APPLICATION_NON_UNIQUE);
    Gtk::IconTheme::get_default()->append_search_path(SUITE_DATADIR "/Waymark/pixmaps");
    wm::Drop = wm::DropRecord{};

    if (suite::CheckDoubleStartup("Waymark") != 0) {
        return ShowStartupFailure(wm::CODE_ALREADY_RUNNING);
    }
    const char* lang = std::getenv("LANG");
    wm::nLANG = (lang != nullptr && std::strcmp(lang, "ja_JP.eucJP") == 0) ? 1 : 0;

    auto data = std::make_unique<wm::NaviData>();
    if (const int code = wm::ReadNaviInfo(*data); code != 0) {
        return ShowStartupFailure(code);
    }
    wm::pNaviData = data.get();
    wm::SystemStarter starter;
    wm::Launcher().starter = &starter;

    Gtk::Window* window = wm::CreatewyNaviWindow();
    if (window != nullptr) {
        WatchStartupTime(*window);
        window->show();
        wm::RestackWindow(*window, false);
        if (!wm::QuitRequested()) {
            gtk_main();
        }
    }
    wm::DestroyNaviWindow();
    wm::Launcher().starter = nullptr;
    wm::pNaviData = nullptr;
    wm::FreeNaviData(*data);
    return 0;
}

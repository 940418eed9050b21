#include "common/GtkKit.h"

#include <map>
#include <string>

namespace suite {

void RunModalLoop(Gtk::Window& window, const Glib::RefPtr<Glib::MainLoop>& loop) {
    // Anything that hides the window behind our back must not leave the
    // loop waiting for a click that can no longer come.
    sigc::connection hidden = window.signal_hide().connect([loop] { loop->quit(); });
    window.show();
    window.add_modal_grab();
    loop->run();
    hidden.disconnect();
    window.remove_modal_grab();
    window.hide();
}

void InstallStyleSheet(const char* css) {
    auto screen = Gdk::Screen::get_default();
    if (!screen) {
        return;
    }
    static std::map<std::string, Glib::RefPtr<Gtk::CssProvider>> installed;
    auto& provider = installed[css];
    if (provider) {
        return;
    }
    provider = Gtk::CssProvider::create();
    try {
        provider->load_from_data(css);
    } catch (const Glib::Error& error) {
        g_warning("Style sheet refused: %s", error.what().c_str());
        return;
    }
    Gtk::StyleContext::add_provider_for_screen(screen, provider,
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace suite

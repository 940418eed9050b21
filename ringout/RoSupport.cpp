#include "ringout/RoSupport.h"

#include "common/GtkKit.h"

#include <algorithm>
#include <vector>

namespace ro {

namespace {

std::vector<Glib::RefPtr<Glib::MainLoop>>& MainLoops() {
    static std::vector<Glib::RefPtr<Glib::MainLoop>> loops;
    return loops;
}

bool gEnding = false;

}  // namespace

Gtk::Window* CreateWindow(const Glib::ustring& title, int width, int height) {
    auto* window = new (std::nothrow) Gtk::Window(Gtk::WINDOW_TOPLEVEL);
    if (window == nullptr) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "Window Widget create failed.");
        return nullptr;
    }
    window->set_title(title);
    window->set_default_size(width, height);
    window->set_size_request(width, height);
    window->set_resizable(false);
    return window;
}

Gtk::Fixed* CreateFixed(Gtk::Container* window) {
    return suite::AddFixed(*window);
}

Gtk::Button* CreateButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                          int height) {
    return suite::PutButton(fixed, text, x, y, width, height);
}

Gtk::Label* CreateLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                        int height) {
    Gtk::Label* label = suite::PutLabel(fixed, text, x, y, width, height);
    label->set_line_wrap(true);
    // A fixed container asks for heights without a width, so the label is
    // told its width in characters: it then wraps at about `width` and asks
    // only for the lines it needs.
    auto context = label->get_pango_context();
    const Pango::FontMetrics metrics = context->get_metrics(context->get_font_description());
    const int charWidth = std::max(
        1, std::max(metrics.get_approximate_char_width(), metrics.get_approximate_digit_width()) /
               PANGO_SCALE);
    const int chars = std::max(1, width / charWidth);
    label->set_width_chars(chars);
    label->set_max_width_chars(chars);
    return label;
}

Gtk::Image* CreatePixmap(Gtk::Fixed* fixed, const Glib::RefPtr<Gdk::Pixbuf>& picture,
                         const Glib::ustring& name, int x, int y, int width, int height) {
    return suite::PutImage(fixed, picture, name, x, y, width, height);
}

void SetupPosition(Gtk::Window* window, int x, int y) {
    if (x < 0) {
        window->set_position(Gtk::WIN_POS_CENTER);
    } else {
        window->move(x, y);
    }
}

void DestroyLater(Gtk::Window* window) {
    if (window == nullptr) {
        return;
    }
    window->hide();
    Glib::signal_idle().connect_once([window] { delete window; });
}

void RunMainLoop() {
    if (gEnding) {
        return;
    }
    auto loop = Glib::MainLoop::create(false);
    MainLoops().push_back(loop);
    loop->run();
    MainLoops().pop_back();
}

void QuitMainLoop() {
    if (!MainLoops().empty()) {
        MainLoops().front()->quit();
    }
}

bool MainLoopRunning() {
    return !MainLoops().empty() && MainLoops().front()->is_running();
}

void RunModal(Gtk::Window* window) {
    if (!gEnding) {
        suite::RunModalDialog(*window, nullptr, nullptr);
    }
}

void EndAllLoops() {
    gEnding = true;
    suite::EndAllModalLoops();
    for (auto& loop : MainLoops()) {
        loop->quit();
    }
}

bool LoopsEnding() {
    return gEnding;
}

void ResetLoops() {
    gEnding = false;
}

}  // namespace ro

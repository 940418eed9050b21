// The toolkit's floor for the start-up benchmark: a gtkmm program that
// shows one empty window and does nothing else.  A window program of the
// suite cannot appear sooner than this one.  Like the suite's programs it
// sets up the C++ wrappers through Gtk::Application without registering on
// a session bus, and runs the plain main loop.
//   bench_bare_window
#include <gtkmm.h>

int main(int argc, char** argv) {
    auto app = Gtk::Application::create(argc, argv, "org.waymark.suite.bare",
                                        Gio::APPLICATION_NON_UNIQUE);
    Gtk::Window window;
    window.set_title("bare");
    window.set_default_size(400, 300);
    window.signal_hide().connect([] { gtk_main_quit(); });
    window.show();
    gtk_main();
    return 0;
}

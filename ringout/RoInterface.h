// The dialer's windows: start, wait ("Connecting..."), connection, and the
// one message window every error, notice and question goes through.  Built
// by the window layer (RoCallbacks) when the connection flow moves on.
#pragma once

#include <gtkmm.h>

#include <cstdint>
#include <string>

namespace ro {

// Shows the message of `code` modally: 1 for "OK" of a question, 2 for
// "Cancel" or a lone "OK", 0 when closed by the window manager or when
// nothing could be shown.  With the code's end bit, also ends the
// program's loop if it runs.
int MessageBox(std::uint32_t code);
int CreateMessageWindow(const Glib::ustring& title, const Glib::ustring& text, int icon,
                        bool endFlag);

// Checks the installed files and shows the start window; null (after the
// check's message) when they are missing or unreadable.
Gtk::Window* CreateStartWindow();
// The small window with the connection time and the Stop/Connect button;
// starts the connection clock.
Gtk::Window* CreateConnectWindow();
// Runs the "Connecting..." window until the poll decides; the attempt's
// result (CONNECT_MACHINE_FAILURE when the window cannot be built).
int CreateWaitWindow();

// "Start Connection by %s." for `device`.
Glib::ustring StartText(const std::string& device);

}  // namespace ro

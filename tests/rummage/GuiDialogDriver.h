// Drives modal dialogs from inside their own nested loop: a callback is
// scheduled before the dialog is run, finds the dialog among the toplevel
// windows, looks at it and answers it (click, Return, window close).
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "rummage/rmgdialog.h"

namespace rmgtest {

// A visible toplevel window with this title, or null.
inline Gtk::Window* FindWindow(const Glib::ustring& title) {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (window->get_visible() && window->get_title() == title) {
            return window;
        }
    }
    return nullptr;
}

// Every widget below `root` of type T, in container order.
template <typename T>
void CollectWidgets(Gtk::Widget* root, std::vector<T*>& out) {
    if (!root) {
        return;
    }
    if (auto* match = dynamic_cast<T*>(root)) {
        out.push_back(match);
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(root)) {
        for (Gtk::Widget* child : container->get_children()) {
            CollectWidgets<T>(child, out);
        }
    }
}

template <typename T>
std::vector<T*> Widgets(Gtk::Widget* root) {
    std::vector<T*> out;
    CollectWidgets<T>(root, out);
    return out;
}

// Texts of the labels that are not button captions.
inline std::vector<std::string> LabelTexts(Gtk::Widget* root) {
    std::vector<std::string> texts;
    for (Gtk::Label* label : Widgets<Gtk::Label>(root)) {
        if (!dynamic_cast<Gtk::Button*>(label->get_parent())) {
            texts.push_back(label->get_text());
        }
    }
    return texts;
}

// Buttons with their captions, left to right; check buttons left out.
inline std::vector<Gtk::Button*> Buttons(Gtk::Widget* root) {
    std::vector<Gtk::Button*> buttons;
    for (Gtk::Button* button : Widgets<Gtk::Button>(root)) {
        if (!dynamic_cast<Gtk::ToggleButton*>(button)) {
            buttons.push_back(button);
        }
    }
    return buttons;
}

inline std::vector<std::string> ButtonLabels(Gtk::Widget* root) {
    std::vector<std::string> labels;
    for (Gtk::Button* button : Buttons(root)) {
        labels.push_back(button->get_label());
    }
    return labels;
}

inline Gtk::Button* ButtonNamed(Gtk::Widget* root, const std::string& label) {
    for (Gtk::Button* button : Buttons(root)) {
        if (button->get_label() == label) {
            return button;
        }
    }
    return nullptr;
}

// The window manager's close request, as the toolkit delivers it.
inline void SendDelete(Gtk::Window* window) {
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// A key press and release on the window (goes to its focus widget first).
inline void SendKey(Gtk::Window* window, guint keyval) {
    GdkDisplay* display = gdk_window_get_display(window->get_window()->gobj());
    GdkSeat* seat = gdk_display_get_default_seat(display);
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        event->key.hardware_keycode = count > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
        gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
    g_free(keys);
}

// Runs `action` on the window titled `title` once it shows up, from inside
// whatever loop runs then.  Gives up after a few seconds, ending the
// innermost dialog loop so that a broken test fails instead of hanging.
inline void WhenShown(const Glib::ustring& title, std::function<void(Gtk::Window*)> action) {
    auto start = std::chrono::steady_clock::now();
    Glib::signal_timeout().connect(
        [title, action, start]() {
            Gtk::Window* window = FindWindow(title);
            if (window && window->get_realized()) {
                action(window);
                return false;
            }
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
                ADD_FAILURE() << "no window titled \"" << title << "\"";
                rmg::EndModalLoop();
                return false;
            }
            return true;
        },
        20);
}

// Lets the loop run until `pred` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& pred, int ms = 3000) {
    auto context = Glib::MainContext::get_default();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (!context->iteration(false)) {
            g_usleep(2000);
        }
    }
    return true;
}

}  // namespace rmgtest

// Top-level windows of another process on this display, found by its pid
// and their title, and closed as the window manager would.  Include it after
// every toolkit header: Xlib's macros clash with theirs.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <optional>
#include <string>

#include "TestUtil.h"

namespace guitest {

struct XWin {
    Window id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class XProbe {
  public:
    // A mapped top-level window of `pid` titled `title` (`width` wide unless 0).  The other program
    // may drop a window while it is looked at: its errors are ignored.
    std::optional<XWin> Find(pid_t pid, const std::string& title, int width = 0) {
        GdkDisplay* display = gdk_display_get_default();
        gdk_x11_display_error_trap_push(display);
        std::optional<XWin> found = FindUntrapped(pid, title, width);
        gdk_x11_display_error_trap_pop_ignored(display);
        return found;
    }
    std::optional<XWin> FindUntrapped(pid_t pid, const std::string& title, int width) {
        Window root = DefaultRootWindow(display_);
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::optional<XWin> found;
        if (!XQueryTree(display_, root, &root, &parent, &children, &count)) {
            return found;
        }
        for (unsigned i = count; i-- > 0 && !found;) {
            XWindowAttributes attrs;
            if (!XGetWindowAttributes(display_, children[i], &attrs) ||
                attrs.map_state != IsViewable || (width != 0 && attrs.width != width) ||
                Pid(children[i]) != pid || Title(children[i]) != title) {
                continue;
            }
            XWin w;
            w.id = children[i];
            w.width = attrs.width;
            w.height = attrs.height;
            Window child = 0;
            XTranslateCoordinates(display_, w.id, root, 0, 0, &w.x, &w.y, &child);
            found = w;
        }
        XFree(children);
        return found;
    }

    std::optional<XWin> WaitFor(pid_t pid, const std::string& title, int width = 0) {
        std::optional<XWin> w;
        testutil::WaitFor([&] { return (w = Find(pid, title, width)).has_value(); });
        return w;
    }

    // The window manager's close request.
    void Close(const XWin& w) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w.id;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        GdkDisplay* display = gdk_display_get_default();
        gdk_x11_display_error_trap_push(display);
        XSendEvent(display_, w.id, False, NoEventMask, &event);
        XFlush(display_);
        gdk_x11_display_error_trap_pop_ignored(display);
    }

  private:
    pid_t Pid(Window w) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        pid_t pid = -1;
        if (XGetWindowProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), 0, 1,
                               False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr && items == 1) {
            pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
        }
        if (data != nullptr) {
            XFree(data);
        }
        return pid;
    }
    std::string Title(Window w) {
        char* name = nullptr;
        std::string title;
        if (XFetchName(display_, w, &name) && name != nullptr) {
            title = name;
            XFree(name);
        }
        return title;
    }

    Display* display_ = gdk_x11_display_get_xdisplay(gdk_display_get_default());
};

}  // namespace guitest

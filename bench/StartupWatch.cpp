// Times a program from launch to its first window on screen, from outside,
// so our programs, the bare toolkit window and other desktop programs are
// all timed alike: it starts the command, waits for a top-level window to be
// mapped, then for the first drawing into that window (the X damage
// extension, watched on the root window so nothing drawn is missed), and
// prints both times in milliseconds; then it ends the program's group.
//   bench_startup_watch [-v] [-t timeout_ms] [-q quiet_ms] -- command [args...]
// Prints "<mapped ms> <drawn ms> <settled ms> <cpu ms>": settled is the last
// drawing into the window before it stays unchanged for quiet_ms (default
// 300), the time a person sees the finished window; cpu is the processor
// time the program used until it was ended, which on a loaded machine
// varies less than the wall clock.  Exit status 2 when no window
// appeared in time.  -v lists every drawing into the window on stderr.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool Meets(const XRectangle& r) const {
        return r.x < x + w && x < r.x + r.width && r.y < y + h && y < r.y + r.height;
    }
};

double CpuMs(const rusage& use) {
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000.0 +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1000.0;
}

// Ends the program and whatever it started: it runs in a session of its own.
void EndGroup(pid_t pid, rusage& use) {
    ::kill(-pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::wait4(pid, nullptr, WNOHANG, &use) == pid) {
            ::kill(-pid, SIGKILL);
            return;
        }
        ::usleep(10000);
    }
    ::kill(-pid, SIGKILL);
    ::wait4(pid, nullptr, 0, &use);
}

}  // namespace

int main(int argc, char** argv) {
    double timeoutMs = 30000;
    double quietMs = 300;
    bool verbose = false;
    int first = 1;
    for (; first < argc; ++first) {
        if (std::strcmp(argv[first], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[first], "-t") == 0 && first + 1 < argc) {
            timeoutMs = std::atof(argv[++first]);
        } else if (std::strcmp(argv[first], "-q") == 0 && first + 1 < argc) {
            quietMs = std::atof(argv[++first]);
        } else if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else {
            break;
        }
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [-v] [-t timeout_ms] [-q quiet_ms] -- command [args...]\n",
                     argv[0]);
        return 1;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
        std::fprintf(stderr, "no damage extension\n");
        return 1;
    }
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XDamageCreate(dpy, root, XDamageReportRawRectangles);
    XSync(dpy, False);
    // Only windows that appear after the launch count.
    std::set<Window> before;
    {
        Window r = 0, p = 0, *kids = nullptr;
        unsigned int n = 0;
        if (XQueryTree(dpy, root, &r, &p, &kids, &n)) {
            before.insert(kids, kids + n);
            XFree(kids);
        }
    }

    const double start = NowMs();
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        ::setsid();
        ::close(ConnectionNumber(dpy));
        ::execvp(argv[first], argv + first);
        std::_Exit(127);
    }

    Window shown = 0;
    Box box;
    double mapped = -1, drawn = -1, settled = -1;
    const int fd = ConnectionNumber(dpy);
    bool ended = false;
    rusage use{};
    for (;;) {
        const double now = NowMs() - start;
        if (now > timeoutMs || (drawn >= 0 && now - settled >= quietMs)) {
            break;
        }
        if (XPending(dpy) == 0) {
            // A program that ends by itself is noticed too.
            if (!ended && ::wait4(pid, nullptr, WNOHANG, &use) == pid) {
                ended = true;
            }
            if (ended && drawn < 0) {
                break;
            }
            pollfd pfd{fd, POLLIN, 0};
            ::poll(&pfd, 1, 20);
            continue;
        }
        XEvent ev;
        XNextEvent(dpy, &ev);
        const double at = NowMs() - start;
        // Launcher bars are override-redirect windows, so those count too;
        // the toolkit's helper windows are tiny or off the screen.
        if (ev.type == MapNotify && shown == 0 && ev.xmap.event == root &&
            before.count(ev.xmap.window) == 0) {
            XWindowAttributes wa;
            if (XGetWindowAttributes(dpy, ev.xmap.window, &wa) && wa.width > 1 && wa.height > 1 &&
                wa.x + wa.width > 0 && wa.y + wa.height > 0) {
                shown = ev.xmap.window;
                box = Box{wa.x, wa.y, wa.width, wa.height};
                mapped = at;
            }
        } else if (ev.type == ConfigureNotify && ev.xconfigure.window == shown) {
            box = Box{ev.xconfigure.x, ev.xconfigure.y, ev.xconfigure.width, ev.xconfigure.height};
        } else if (ev.type == damageEvent + XDamageNotify && shown != 0) {
            const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(ev);
            if (box.Meets(d.area)) {
                if (verbose) {
                    std::fprintf(stderr, "%8.1f ms  %dx%d+%d+%d\n", at, d.area.width,
                                 d.area.height, d.area.x, d.area.y);
                }
                if (drawn < 0) {
                    drawn = at;
                }
                settled = at;
            }
        }
    }
    if (!ended) {
        EndGroup(pid, use);
    }
    XCloseDisplay(dpy);
    if (drawn < 0) {
        std::fprintf(stderr, "no window drawn within %.0f ms\n", timeoutMs);
        return 2;
    }
    std::printf("%.1f %.1f %.1f %.1f\n", mapped, drawn, settled, CpuMs(use));
    return 0;
}

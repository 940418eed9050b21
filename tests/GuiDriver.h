// What every window test needs to drive GTK as a person would: find windows
// and widgets (by title, caption or accessible name), read labels, send the
// window manager's close request or a key, and let the loop run until
// something holds.  Program-specific drivers build on these.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace guitest {

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

// The first widget of type T below `root` with this accessible name, or null.
template <typename T>
T* WidgetNamed(Gtk::Widget* root, const std::string& name) {
    for (T* widget : Widgets<T>(root)) {
        if (widget->get_accessible()->get_name() == name) {
            return widget;
        }
    }
    return nullptr;
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

// Buttons with their captions, left to right; check and toggle buttons left out.
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

// A shown window titled `title` that holds a button `button` (empty: any).
inline Gtk::Window* WindowWith(const Glib::ustring& title, const std::string& button = {}) {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (window->get_visible() && window->get_realized() && window->get_title() == title &&
            (button.empty() || ButtonNamed(window, button) != nullptr)) {
            return window;
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

// Lets the loop run until `pred` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& pred, int ms = 5000) {
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

// Lets the loop run for `ms`.
inline void Pump(int ms = 50) {
    PumpUntil([] { return false; }, ms);
}

// Follows steps from inside whatever loop runs then: each waits for its
// condition, then acts from an idle callback of its own, so that an action
// may open a modal window whose loop the next steps run in.  One step at a
// time: the next is looked at only once this one has started.  When no step
// starts for `limit`, the test fails and `stalled` ends what runs (again each
// `limit` after), so that a broken test ends instead of hanging.
class Steps {
  public:
    Steps& Then(std::string what, std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(what), std::move(ready), std::move(act)});
        return *this;
    }
    // Call before the code under test runs.  `first`, when given, looks at
    // every tick before the steps and takes the tick by returning true.
    void Start(std::chrono::seconds limit, std::function<void()> stalled,
               std::function<bool()> first = nullptr) {
        limit_ = limit;
        stalled_ = std::move(stalled);
        first_ = std::move(first);
        last_ = std::chrono::steady_clock::now();
        auto alive = alive_;
        timer_ = Glib::signal_timeout().connect([this, alive] { return *alive && Tick(); }, 20);
    }
    bool Done() const { return next_ >= steps_.size() && !*pending_; }
    virtual ~Steps() {
        *alive_ = false;
        timer_.disconnect();
    }

  private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    bool Tick() {
        const auto now = std::chrono::steady_clock::now();
        if (first_ && first_()) {
            return true;
        }
        if (next_ < steps_.size() && !*pending_ && steps_[next_].ready()) {
            *pending_ = true;
            last_ = now;
            Glib::signal_idle().connect_once([act = steps_[next_++].act, pending = pending_] {
                *pending = false;
                if (act) {
                    act();
                }
            });
            return true;
        }
        if ((failed_ || next_ < steps_.size()) && now - last_ > limit_) {
            if (!failed_) {
                ADD_FAILURE() << "steps stalled at: " << steps_[next_].what;
            }
            failed_ = true;
            next_ = steps_.size();
            last_ = now;
            if (stalled_) {
                stalled_();
            }
        }
        return true;
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::shared_ptr<bool> pending_ = std::make_shared<bool>(false);
    bool failed_ = false;
    std::chrono::seconds limit_{25};
    std::function<void()> stalled_;
    std::function<bool()> first_;
    std::chrono::steady_clock::time_point last_;
    sigc::connection timer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Real pointer input through the X server's test extension, which the
// toolkit cannot tell from a person's (so its own drag and drop runs end to
// end).  Looked up at run time: only the tests that move the pointer need it.
class FakePointer {
  public:
    FakePointer() {
        // One pointer per display: tests run in parallel take turns.
        lock_ = ::open("/tmp/rummage-test-pointer.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock_ >= 0) {
            ::flock(lock_, LOCK_EX);
        }
        void* xtst = ::dlopen("libXtst.so.6", RTLD_NOW);
        void* x11 = ::dlopen("libX11.so.6", RTLD_NOW);
        if (xtst != nullptr && x11 != nullptr) {
            motion_ = reinterpret_cast<MotionFn>(::dlsym(xtst, "XTestFakeMotionEvent"));
            button_ = reinterpret_cast<ButtonFn>(::dlsym(xtst, "XTestFakeButtonEvent"));
            flush_ = reinterpret_cast<FlushFn>(::dlsym(x11, "XFlush"));
        }
        auto xdisplay = reinterpret_cast<void* (*)(GdkDisplay*)>(
            ::dlsym(RTLD_DEFAULT, "gdk_x11_display_get_xdisplay"));
        if (xdisplay != nullptr) {
            display_ = xdisplay(gdk_display_get_default());
        }
    }
    // The libraries stay loaded: their per-connection records live on.
    ~FakePointer() {
        if (lock_ >= 0) {
            ::close(lock_);
        }
    }
    FakePointer(const FakePointer&) = delete;
    FakePointer& operator=(const FakePointer&) = delete;
    bool ok() const { return display_ && motion_ && button_ && flush_; }
    // To (x, y) on the screen, then lets the receiver see it for `settleMs`.
    void Move(int x, int y, int settleMs = 20) {
        motion_(display_, -1, x, y, 0);
        flush_(display_);
        Pump(settleMs);
    }
    // `which`: 1 the left button, 3 the right one.
    void Button(bool press, unsigned which = 1) {
        button_(display_, which, press ? 1 : 0, 0);
        flush_(display_);
        Pump(60);
    }
    void Click(int x, int y) {
        Move(x, y);
        Button(true);
        Button(false);
        Pump(100);
    }
    // In small steps, so the toolkit sees a drag and the motion over its target.
    void Glide(int fromX, int fromY, int toX, int toY) {
        for (int i = 1; i <= 20; ++i) {
            Move(fromX + (toX - fromX) * i / 20, fromY + (toY - fromY) * i / 20);
        }
    }

  private:
    using MotionFn = int (*)(void*, int, int, int, unsigned long);
    using ButtonFn = int (*)(void*, unsigned int, int, unsigned long);
    using FlushFn = int (*)(void*);
    MotionFn motion_ = nullptr;
    ButtonFn button_ = nullptr;
    FlushFn flush_ = nullptr;
    void* display_ = nullptr;  // the X connection
    int lock_ = -1;
};

// A command run through sh in its own process group; the whole group is
// ended when the object goes, however the test leaves.
class Program {
  public:
    Program(const std::string& command, const testutil::TempDir& dir)
        : out_(dir / "stdout"), err_(dir / "stderr") {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::execl("/bin/sh", "sh", "-c",
                    ("exec " + command + " >'" + out_ + "' 2>'" + err_ + "'").c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::setpgid(pid_, pid_);
    }
    ~Program() { Stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Exit status, or -1 when it is still running after `ms`.
    int Wait(int ms) {
        if (status_ >= 0) {
            return status_;
        }
        for (int waited = 0; waited <= ms; waited += 20) {
            int raw = 0;
            if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                return status_;
            }
            ::usleep(20000);
        }
        return -1;
    }
    void Stop() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(-pid_, SIGTERM);
            if (Wait(3000) < 0) {
                ::kill(-pid_, SIGKILL);
                Wait(3000);
            }
        }
    }
    pid_t pid() const { return pid_; }
    std::string Out() const { return Read(out_); }
    std::string Err() const { return Read(err_); }

  private:
    static std::string Read(const std::string& path) {
        return testutil::Exists(path) ? testutil::ReadFile(path) : "";
    }
    std::string out_, err_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// `binary --version` with no display: status 0, the banner line first, then
// one notice line, and nothing else on either output.
inline void ExpectVersionBanner(const std::string& binary, const std::string& banner) {
    testutil::TempDir dir;
    Program program("env -u DISPLAY '" + binary + "' --version", dir);
    ASSERT_EQ(program.Wait(10000), 0) << program.Err();
    const std::string out = program.Out() + program.Err();
    ASSERT_EQ(out.rfind(banner, 0), 0u) << out;
    const std::string rest = out.substr(banner.size());
    EXPECT_GT(rest.size(), 1u) << out;
    EXPECT_EQ(rest.find('\n'), rest.size() - 1) << "one notice line: " << out;
}

}  // namespace guitest

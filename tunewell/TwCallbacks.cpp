#include "tunewell/TwCallbacks.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/I18n.h"
#include "tunewell/TwApply.h"
#include "tunewell/TwDialogs.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwInterface.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwModify.h"
#include "tunewell/TwSupport.h"
#include "tunewell/TwTable.h"

namespace tw {

namespace {

// What one run of the window works with: the system paths and the clock
// (the real ones, or a test's) and the main loop.  Set for
// exactly as long as RunTunewell runs, which is when the handlers can fire.
struct TwRun {
    TwPaths paths;
    TwClock* clock = nullptr;
    Glib::RefPtr<Glib::MainLoop> loop;
};
TwRun* pTwRun = nullptr;

void SetRadios(const TwSetup& setup) {
    if (setup.NetworkType >= 0 && setup.NetworkType < 3 && pwNetRadio[setup.NetworkType]) {
        pwNetRadio[setup.NetworkType]->set_active(true);
    }
    if (setup.DialupDevice >= 0 && setup.DialupDevice < 3 && pwDialupRadio[setup.DialupDevice]) {
        pwDialupRadio[setup.DialupDevice]->set_active(true);
    }
}

void QuitTwMainLoop() {
    if (pTwRun && pTwRun->loop) {
        pTwRun->loop->quit();
    }
}

// The records of this run; only while RunTunewell holds them.
TwSession Session() {
    return TwSession{*pWYConfig, *pTwOldSetup, *pTwNewSetup, pTwRun->paths, *pTwRun->clock};
}

// The apply as the main window shows it.
class WindowApplyUi : public TwApplyUi {
  public:
    void FocusTimeField(int field) override { tw::FocusTimeField(field); }
    void SetSensitive(bool sensitive) override { pwTwWindow->set_sensitive(sensitive); }
    int WaitForApply(ApplyProcess& process, int& code, std::string& text) override {
        return DisplayWaitWindow(process, code, text);
    }
    void Quit() override { QuitTwMainLoop(); }
};

// Frees the records and forgets the window layer's pointers to them.
void FreeRecords() {
    delete pTwNewSetup;
    pTwNewSetup = nullptr;
    delete pTwOldSetup;
    pTwOldSetup = nullptr;
    delete pWYConfig;
    pWYConfig = nullptr;
}

// Start-up measurement (bench/TwGuiStartup.sh): the variable holds the
// launch time in nanoseconds since the epoch; once the window has been
// drawn, the time taken is reported and the program ends.
void WatchStartupTime(Gtk::Window& window) {
    const char* launched = std::getenv("TUNEWELL_STARTUP_BENCH");
    if (launched == nullptr) {
        return;
    }
    const long long start = std::atoll(launched);
    window.signal_draw().connect(
        [start](const Cairo::RefPtr<Cairo::Context>&) {
            static bool reported = false;
            if (reported) {
                return false;
            }
            reported = true;
            Glib::signal_idle().connect_once([start] {
                timespec now{};
                ::clock_gettime(CLOCK_REALTIME, &now);
                const long long nanos = now.tv_sec * 1000000000LL + now.tv_nsec;
                std::fprintf(stderr, "Tunewell: drawn after %.1f ms\n",
                             static_cast<double>(nanos - start) / 1e6);
                QuitTwMainLoop();
            });
            return false;
        },
        true);
}

}  // namespace

StartMode ParseMode(int argc, char** argv) {
    if (argc < 2 || argv[1] == nullptr) {
        return StartMode::kNormal;
    }
    if (std::strcmp(argv[1], "--dialup") == 0) {
        return StartMode::kDialup;
    }
    if (std::strcmp(argv[1], "--time") == 0) {
        return StartMode::kTime;
    }
    if (std::strcmp(argv[1], "--dialuponly") == 0) {
        return StartMode::kDialupOnly;
    }
    return StartMode::kNormal;
}

int BecomeRoot() {
    const passwd* root = ::getpwnam("root");
    if (root == nullptr) {
        return TW_NO_ROOT;
    }
    const uid_t uid = root->pw_uid;
    const gid_t gid = root->pw_gid;
    if (::setuid(uid) != 0 || ::setgid(gid) != 0) {
        return TW_NO_ROOT;
    }
    return 0;
}

int RunTunewell(StartMode mode, const char* wycfg, const char* lang, const TwPaths& paths,
                TwClock& clock) {
    TwRun run;
    run.paths = paths;
    run.clock = &clock;
    run.loop = Glib::MainLoop::create(false);
    pTwRun = &run;
    TwMessageHandler previous = SetTwMessageHandler(&TwMessageBox);
    // While another Tunewell holds the tree, the window is still drawn.
    SetTwLockWait([] {
        auto context = Glib::MainContext::get_default();
        while (context->pending()) {
            context->iteration(false);
        }
    });

    pWYConfig = new WYConfig;
    pTwOldSetup = new TwSetup;
    pTwNewSetup = new TwSetup;

    auto finish = [&](int exitStatus) {
        FreeRecords();
        SetTwLockWait(nullptr);
        SetTwMessageHandler(previous);
        pTwRun = nullptr;
        return exitStatus;
    };

    if (LoadSettings(Session(), wycfg, lang) != 0) {
        return finish(1);
    }

    Gtk::Window* window = CreateTwWindow(mode);
    if (window == nullptr) {
        return finish(1);
    }
    SetRadios(*pTwOldSetup);
    DisplayCurrentNetworkConf(*pTwOldSetup);
    DisplayCurrentDialupConf(*pTwOldSetup);
    DisplayTimeConf(*pTwOldSetup);
    pwUpdateButton->grab_focus();
    WatchStartupTime(*window);
    window->show();
    SetDialogOwner(window);
    run.loop->run();
    SetDialogOwner(nullptr);
    DestroyTwWindow();
    return finish(0);
}

void on_OKButton_clicked(int stay) {
    if (!pTwRun || !pTwOldSetup || !pTwNewSetup || !pwTwWindow) {
        return;
    }
    WindowApplyUi ui;
    ApplySettings(Session(), stay, ReadTimeForm(), ui);
}

void on_CancelButton_clicked() {
    QuitTwMainLoop();
}

void on_UseNetDevRadio_toggled(int type) {
    if (!pTwNewSetup) {
        return;
    }
    pTwNewSetup->NetworkType = type;
    DisplayCurrentNetworkConf(*pTwNewSetup);
}

void on_UseDialupDevRadio_toggled(int device) {
    if (!pTwNewSetup) {
        return;
    }
    pTwNewSetup->DialupDevice = device;
    DisplayCurrentDialupConf(*pTwNewSetup);
}

void on_ModButton_clicked(int page) {
    if (!pTwNewSetup || !pwTwWindow) {
        return;
    }
    // The records outlive the modify window: they are freed only once the
    // main loop, which runs it, has ended.
    RunModifyWindow(page, pwTwWindow);
    SetRadios(*pTwNewSetup);
    if (page == PAGE_NETWORK) {
        DisplayCurrentNetworkConf(*pTwNewSetup);
    } else {
        DisplayCurrentDialupConf(*pTwNewSetup);
    }
}

bool on_TwWindow_focus_in_event(GdkEventFocus*) {
    return FocusWaitWindow(pwTwWindow);
}

}  // namespace tw

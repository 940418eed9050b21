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
#include "tunewell/TwDialogs.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwInterface.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwModify.h"
#include "tunewell/TwNetwork.h"
#include "tunewell/TwSupport.h"
#include "tunewell/TwTable.h"
#include "tunewell/TwTime.h"

namespace tw {

TwRun* pTwRun = nullptr;

namespace {

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

int ParseMode(int argc, char** argv) {
    if (argc < 2 || argv[1] == nullptr) {
        return MODE_NORMAL;
    }
    if (std::strcmp(argv[1], "--dialup") == 0) {
        return MODE_DIALUP;
    }
    if (std::strcmp(argv[1], "--time") == 0) {
        return MODE_TIME;
    }
    if (std::strcmp(argv[1], "--dialuponly") == 0) {
        return MODE_DIALUP_ONLY;
    }
    return MODE_NORMAL;
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

int RunTunewell(int mode, const char* wycfg, const char* lang, const TwPaths& paths,
                TwClock& clock) {
    TwRun run;
    run.paths = paths;
    run.clock = &clock;
    run.mode = mode;
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
    ClearWYConfig(*pWYConfig);
    ClearSetup(*pTwOldSetup);
    ClearSetup(*pTwNewSetup);

    int status = 0;
    auto finish = [&](int exitStatus) {
        FreeRecords();
        SetTwLockWait(nullptr);
        SetTwMessageHandler(previous);
        pTwRun = nullptr;
        return exitStatus;
    };

    if (wycfg == nullptr) {
        TwMessageBox(TW_NO_WYCFG, "", TW_STYLE_ERROR);
        return finish(1);
    }
    status = SetConfigDir(*pWYConfig, wycfg, lang);
    if (status == TW_NO_WYCFG) {
        TwMessageBox(TW_NO_WYCFG, "", TW_STYLE_ERROR);
        return finish(1);
    }
    if (status != 0) {
        return finish(1);
    }
    InitializeWYConfig(*pWYConfig, *pTwOldSetup);
    if (InitializeNetworkConf(*pWYConfig, *pTwOldSetup) != 0 ||
        InitializeDialupConf(*pWYConfig, *pTwOldSetup) != 0) {
        return finish(1);
    }
    // A system without the clock file gets one from its current zone, as
    // the installation would have made it.
    EnsureClockFile(paths);
    if (InitializeTimeConf(*pTwOldSetup, paths, clock) != 0) {
        return finish(1);
    }
    *pTwNewSetup = *pTwOldSetup;

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
    int field = TIME_FIELD_NONE;
    const int checked = CheckTimeConf(*pTwNewSetup, ReadTimeForm(), pTwRun->paths, &field);
    if (checked != 0) {
        FocusTimeField(field);
        TwMessageBox(checked, "", TW_STYLE_ERROR);
        FocusTimeField(field);
        return;
    }
    if (SameSetup(*pTwOldSetup, *pTwNewSetup)) {
        if (stay == 0) {
            QuitTwMainLoop();
        }
        return;
    }

    pwTwWindow->set_sensitive(false);
    const int mask =
        ReflectionConfigure(*pWYConfig, *pTwOldSetup, *pTwNewSetup, pTwRun->paths, *pTwRun->clock);
    if (mask == TW_APPLY_FATAL) {
        pwTwWindow->set_sensitive(true);
        return;
    }
    ApplyProcess process;
    if (ExecConfigure(mask, *pWYConfig, pTwOldSetup->NetworkType, pTwNewSetup->NetworkType,
                      pTwRun->paths, process) != TW_APPLY_STARTED) {
        pwTwWindow->set_sensitive(true);
        return;
    }
    int code = 0;
    std::string failed;
    const int shown = DisplayWaitWindow(process, code, failed);
    pwTwWindow->set_sensitive(true);
    if (shown != 0) {
        return;
    }
    if (code != 0) {
        // A script or the clock command failed: the tree goes back to what
        // the system still has, the window says why and stays, and the next
        // apply compares with the old record, so it runs everything again.
        RestoreConfigure(*pWYConfig, *pTwNewSetup, *pTwOldSetup, pTwRun->paths);
        TwMessageBox(code, failed, TW_STYLE_ERROR);
        return;
    }
    TwMessageBox(TW_REFLECTED, "", TW_STYLE_INFO);
    if (stay == 0) {
        QuitTwMainLoop();
        return;
    }
    *pTwOldSetup = *pTwNewSetup;
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
    RunModifyWindow(page, pwTwWindow);
    if (!pTwNewSetup) {
        return;
    }
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

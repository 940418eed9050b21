#include "tunewell/TwApply.h"

#include "tunewell/TwDialup.h"
#include "tunewell/TwNetwork.h"
#include "tunewell/TwTable.h"

namespace tw {

ApplyOutcome ApplySettings(const TwSession& session, int stay, const TimeForm& form,
                           TwApplyUi& ui) {
    int field = TIME_FIELD_NONE;
    const int checked = CheckTimeConf(session.newSetup, form, session.paths, &field);
    if (checked != 0) {
        // In view under the message, and again once closing it has moved the focus.
        ui.FocusTimeField(field);
        TwReport(checked);
        ui.FocusTimeField(field);
        return ApplyOutcome::kTimeRefused;
    }
    if (SameSetup(session.oldSetup, session.newSetup)) {
        if (stay == kApplyAndQuit) {
            ui.Quit();
        }
        return ApplyOutcome::kUnchanged;
    }

    ui.SetSensitive(false);
    const int mask = ReflectionConfigure(session.config, session.oldSetup, session.newSetup,
                                         session.paths, session.clock);
    if (mask == TW_APPLY_FATAL) {
        ui.SetSensitive(true);
        return ApplyOutcome::kWriteFailed;
    }
    ApplyProcess process;
    if (ExecConfigure(mask, session.config, session.oldSetup.NetworkType,
                      session.newSetup.NetworkType, session.paths, process) != TW_APPLY_STARTED) {
        ui.SetSensitive(true);
        return ApplyOutcome::kStartFailed;
    }
    int code = 0;
    std::string failed;
    const int shown = ui.WaitForApply(process, code, failed);
    ui.SetSensitive(true);
    if (shown != 0) {
        return ApplyOutcome::kNoWaitWindow;
    }
    if (code != 0) {
        // The window stays, and the next apply compares with the old record,
        // so it runs everything again.
        RestoreConfigure(session.config, session.newSetup, session.oldSetup, session.paths);
        TwReport(code, failed);
        return ApplyOutcome::kStepFailed;
    }
    TwReport(TW_REFLECTED, "", TW_STYLE_INFO);
    if (stay == kApplyAndQuit) {
        ui.Quit();
    } else {
        session.oldSetup = session.newSetup;
    }
    return ApplyOutcome::kApplied;
}

int LoadSettings(const TwSession& session, const char* wycfg, const char* lang) {
    const int status = wycfg == nullptr ? TW_NO_WYCFG : SetConfigDir(session.config, wycfg, lang);
    if (status == TW_NO_WYCFG) {
        TwReport(TW_NO_WYCFG);
    }
    if (status != 0) {
        return 1;
    }
    InitializeWYConfig(session.config, session.oldSetup);
    if (InitializeNetworkConf(session.config, session.oldSetup) != 0 ||
        InitializeDialupConf(session.config, session.oldSetup) != 0) {
        return 1;
    }
    // A system without the clock file gets one from its current zone, as
    // the installation would have made it.
    EnsureClockFile(session.paths);
    if (InitializeTimeConf(session.oldSetup, session.paths, session.clock) != 0) {
        return 1;
    }
    session.newSetup = session.oldSetup;
    return 0;
}

}  // namespace tw

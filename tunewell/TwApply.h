// Tunewell's two sequences behind its main window, widget-free: start-up
// (reading every setting into the records) and the apply that "Update" and
// "Quit" run.  The window layer implements TwApplyUi; tests script it.
#pragma once

#include <string>

#include "tunewell/TwConfig.h"
#include "tunewell/TwTime.h"

namespace tw {

// The records and the system one run of Tunewell works on.
struct TwSession {
    WYConfig& config;
    TwSetup& oldSetup;
    TwSetup& newSetup;
    const TwPaths& paths;
    TwClock& clock;
};

// What the apply needs shown or waited for.  Its messages go through
// TwReport, as every message of the core does.
class TwApplyUi {
  public:
    virtual ~TwApplyUi() = default;
    // Brings the time page's entry `field` (a TimeField) into view with its
    // text selected.
    virtual void FocusTimeField(int field) = 0;
    // Main window usable or not while the settings are written and applied.
    virtual void SetSensitive(bool sensitive) = 0;
    // Shows the wait window until `process` has ended; 0 with its outcome in
    // `code` and `text` (as CheckApplyProcess gives them), or TW_APPLY_FATAL
    // when no window could be shown (the process is waited for all the same).
    virtual int WaitForApply(ApplyProcess& process, int& code, std::string& text) = 0;
    // Ends the main loop.
    virtual void Quit() = 0;
};

// The buttons that apply: on_OKButton_clicked's `stay`.
inline constexpr int kApplyAndQuit = 0;
inline constexpr int kApplyAndStay = 1;

// How an apply ended.
enum class ApplyOutcome {
    kTimeRefused,   // the time page failed its check; nothing written
    kUnchanged,     // nothing to write ("Quit" has quit)
    kWriteFailed,   // a group could not be written (its message shown)
    kStartFailed,   // no apply process could be made
    kNoWaitWindow,  // the wait window could not be shown
    kStepFailed,    // a script or the clock command failed; the tree went back
    kApplied,       // reported; "Quit" has quit, "Update" made it the old record
};

// The apply behind "Update" and "Quit": checks `form` into the new record,
// writes what differs from the old one, runs the apply process under the
// wait window and reports how it went.  After a failed step the old record
// is written back, so the tree again says what the system has and the next
// apply runs everything again.
ApplyOutcome ApplySettings(const TwSession& session, int stay, const TimeForm& form, TwApplyUi& ui);

// Start-up after the superuser check: `wycfg` is $WYCFG (null when unset),
// then every group is read into the old record and copied into the new one.
// 0, or the exit status 1 once the failing step has shown its message.
int LoadSettings(const TwSession& session, const char* wycfg, const char* lang);

}  // namespace tw

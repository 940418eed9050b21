// The main window of Tunewell: the Network, Dialup and Time & Date pages,
// their current-settings panels, and the Update, Quit and Cancel buttons.
#pragma once

#include <gtkmm.h>

#include <string>

#include "tunewell/TwConfig.h"
#include "tunewell/TwTime.h"

namespace tw {

// Start modes: which page opens, and whether only the Dialup page is usable.
enum class StartMode { kNormal, kDialup, kTime, kDialupOnly };

inline constexpr int PAGE_NETWORK = 0;
inline constexpr int PAGE_DIALUP = 1;
inline constexpr int PAGE_TIME = 2;

// Rows of the network panel: device, host, domain, ESS-ID, address, netmask,
// gateway and three name servers.
inline constexpr int kNetPanelRows = 10;
// Rows of the dial-up panel: device, phone, dial formula, account,
// attestation, AT command and three name servers.
inline constexpr int kDialPanelRows = 9;

extern Gtk::Window* pwTwWindow;
extern Gtk::Notebook* pwTwNotebook;
extern Gtk::RadioButton* pwNetRadio[3];
extern Gtk::RadioButton* pwDialupRadio[3];
extern Gtk::Button* pwNetModButton;
extern Gtk::Button* pwDialupModButton;
extern Gtk::Button* pwUpdateButton;
extern Gtk::Button* pwQuitButton;
extern Gtk::Button* pwCancelButton;
extern Gtk::Label* pwNetCaption[kNetPanelRows];
extern Gtk::Label* pwNetValue[kNetPanelRows];
extern Gtk::Label* pwDialCaption[kDialPanelRows];
extern Gtk::Label* pwDialValue[kDialPanelRows];
extern Gtk::ComboBoxText* pwZoneCombo;
extern Gtk::Entry* pwTimeEntry[6];  // year, month, day, hour, minute, second

// Builds the main window for a start mode (not shown); null on failure.
// The caller owns it (DestroyTwWindow).
Gtk::Window* CreateTwWindow(StartMode mode);
void DestroyTwWindow();

// Current-settings panels from a whole-setup record.
void DisplayCurrentNetworkConf(const TwSetup& setup);
void DisplayCurrentDialupConf(const TwSetup& setup);
void SetDialupLabel(const DialupConf& record, int device);

// The Time & Date page: filled from a record, read back as typed.
void DisplayTimeConf(const TwSetup& setup);
TimeForm ReadTimeForm();
// Shows the Time & Date page with the focus on the entry a check named.
void FocusTimeField(int field);

}  // namespace tw

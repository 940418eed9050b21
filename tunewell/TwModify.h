// The network and dial-up modify windows behind the "Modify..." buttons (and
// the window tests).  Each edits a scratch copy of one record; only a good OK
// copies it into the new setup record, so Cancel and closing change nothing.
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

#include "tunewell/TwConfig.h"
#include "tunewell/TwSupport.h"

namespace tw {

// Widgets of the modify window now open (one at a time).
struct ModWindow {
    Gtk::Window* window = nullptr;
    bool network = true;  // the network window, else the dial-up one
    int kind = 0;         // network type or dial-up device
    // The scratch record the window edits, of the kind `network` says; it
    // lives as long as the window.
    NetworkConf* pTwNewNet = nullptr;
    DialupConf* pTwNewDial = nullptr;
    bool committed = false;
    // Network window.
    Gtk::Entry* host = nullptr;
    Gtk::Entry* domain = nullptr;
    Gtk::RadioButton* dhcpRadio[2] = {nullptr, nullptr};  // DHCP, IP designation
    AddressEntry ip, netmask, gateway;
    Gtk::Entry* essid = nullptr;
    Gtk::Entry* cipherKey = nullptr;
    // Dial-up window.
    Gtk::Entry* phone = nullptr;
    Gtk::RadioButton* dialRadio[2] = {nullptr, nullptr};  // Tone, Pulse
    Gtk::Entry* account = nullptr;
    Gtk::Entry* password = nullptr;
    Gtk::RadioButton* authRadio[3] = {nullptr, nullptr, nullptr};  // by AuthType
    Gtk::Entry* atCommand = nullptr;
    // Name servers (both windows).
    AddressEntry nameServer;
    Gtk::TreeView* nsList = nullptr;
    Glib::RefPtr<Gtk::ListStore> nsStore;
    Gtk::Button* nsAdd = nullptr;
    Gtk::Button* nsDelete = nullptr;
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
};
extern ModWindow* pTwMod;

Gtk::Window* CreateNetModWindow(int networkType);
Gtk::Window* CreateDialupModWindow(int device);
void DisplayModNetworkConf(const NetworkConf& record);
void DisplayModDialupworkConf(const DialupConf& record);

// Rows of the name-server list, in order.
std::vector<std::string> NameServerRows();

// Runs the modify window for the current network type (PAGE_NETWORK) or
// dial-up device (PAGE_DIALUP) over `disable`; true when OK committed.
bool RunModifyWindow(int page, Gtk::Window* disable);

}  // namespace tw

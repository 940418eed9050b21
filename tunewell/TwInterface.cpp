#include "tunewell/TwInterface.h"

#include <algorithm>
#include <iterator>

#include "common/I18n.h"
#include "tunewell/TwApply.h"
#include "tunewell/TwCallbacks.h"
#include "tunewell/TwSupport.h"

namespace tw {

Gtk::Window* pwTwWindow = nullptr;
Gtk::Notebook* pwTwNotebook = nullptr;
Gtk::RadioButton* pwNetRadio[3] = {nullptr, nullptr, nullptr};
Gtk::RadioButton* pwDialupRadio[3] = {nullptr, nullptr, nullptr};
Gtk::Button* pwNetModButton = nullptr;
Gtk::Button* pwDialupModButton = nullptr;
Gtk::Button* pwUpdateButton = nullptr;
Gtk::Button* pwQuitButton = nullptr;
Gtk::Button* pwCancelButton = nullptr;
Gtk::Label* pwNetCaption[kNetPanelRows] = {};
Gtk::Label* pwNetValue[kNetPanelRows] = {};
Gtk::Label* pwDialCaption[kDialPanelRows] = {};
Gtk::Label* pwDialValue[kDialPanelRows] = {};
Gtk::ComboBoxText* pwZoneCombo = nullptr;
Gtk::Entry* pwTimeEntry[6] = {};

namespace {

constexpr int kRowHeight = 24;

// Caption and value labels of one panel, stacked in rows.
void MakePanel(Gtk::Fixed* fixed, Gtk::Label** captions, Gtk::Label** values, int rows) {
    for (int i = 0; i < rows; ++i) {
        captions[i] = suite::PutLabel(fixed, "", 12, 6 + i * kRowHeight, 130, 20);
        values[i] = suite::PutLabel(fixed, "", 150, 6 + i * kRowHeight, 250, 20);
        values[i]->set_ellipsize(Pango::ELLIPSIZE_END);
    }
}

// Fills the rows in order; rows past the last are emptied and hidden.
struct PanelFiller {
    Gtk::Label** captions;
    Gtk::Label** values;
    int rows;
    int next = 0;
    void Add(const Glib::ustring& caption, const Glib::ustring& value) {
        if (next >= rows) {
            return;
        }
        captions[next]->set_text(caption);
        values[next]->set_text(value);
        values[next]->get_accessible()->set_name(caption + " " + value);
        captions[next]->show();
        values[next]->show();
        ++next;
    }
    void Finish() {
        for (int i = next; i < rows; ++i) {
            captions[i]->set_text("");
            values[i]->set_text("");
            captions[i]->hide();
            values[i]->hide();
        }
    }
};

Gtk::Fixed* AddPage(Gtk::Notebook* notebook, const Glib::ustring& title) {
    auto* page = Gtk::manage(new Gtk::Fixed());
    auto* tab = Gtk::manage(new Gtk::Label(title));
    tab->get_accessible()->set_name(title);
    notebook->append_page(*page, *tab);
    page->get_accessible()->set_name(title);
    page->show();
    tab->show();
    return page;
}

// The Network and Dialup pages: a frame `useTitle` choosing one of three
// with radio buttons, "Modify..." and the current-settings panel.
void BuildDevicePage(Gtk::Fixed* page, const char* useTitle, const char* const (&names)[3],
                     Gtk::RadioButton* (&radios)[3], Gtk::Button*& modify, Gtk::Label** captions,
                     Gtk::Label** values, int rows) {
    Gtk::Fixed* use = suite::PutFrame(page, _(useTitle), 8, 6, 264, 100);
    for (int i = 0; i < 3; ++i) {
        radios[i] = suite::PutRadio(use, i == 0 ? nullptr : radios[0], _(names[i]), 12, 4 + i * 24,
                                    230, 22);
        FitRowToLeft(use, {radios[i]}, 256);
    }
    modify = suite::PutButton(page, _("Modify..."), 288, 8, 100, 24);
    // The page is wider than the window: its right edge is the frame's below.
    FitRowToLeft(page, {modify}, 422);
    Gtk::Fixed* current = suite::PutFrame(page, _("Current Configuration"), 8, 114, 414, 276);
    MakePanel(current, captions, values, rows);
}

void BuildTimePage(Gtk::Fixed* page) {
    suite::PutLabel(page, _("Time zone"), 16, 16, 100, 22);
    pwZoneCombo = Gtk::manage(new Gtk::ComboBoxText(true));
    pwZoneCombo->get_accessible()->set_name(_("Time zone"));
    pwZoneCombo->get_entry()->get_accessible()->set_name(_("Time zone"));
    pwZoneCombo->get_entry()->set_width_chars(1);
    pwZoneCombo->set_size_request(290, 26);
    page->put(*pwZoneCombo, 120, 14);
    pwZoneCombo->show();

    struct Field {
        const char* caption;
        int maxChars;
    };
    const Field date[3] = {{N_("Year"), 4}, {N_("Month"), 2}, {N_("Day"), 2}};
    const Field time[3] = {{N_("Hour"), 2}, {N_("Min"), 2}, {N_("Sec"), 2}};
    Gtk::Fixed* dateFrame = suite::PutFrame(page, _("Date"), 8, 60, 414, 64);
    Gtk::Fixed* timeFrame = suite::PutFrame(page, _("Time"), 8, 140, 414, 64);
    for (int i = 0; i < 3; ++i) {
        suite::PutLabel(dateFrame, _(date[i].caption), 12 + i * 132, 12, 56, 22);
        pwTimeEntry[i] = suite::PutEntry(dateFrame, _(date[i].caption), 70 + i * 132, 12,
                                         i == 0 ? 56 : 40, 22, date[i].maxChars);
        suite::PutLabel(timeFrame, _(time[i].caption), 12 + i * 132, 12, 56, 22);
        pwTimeEntry[3 + i] = suite::PutEntry(timeFrame, _(time[i].caption), 70 + i * 132, 12, 40,
                                             22, time[i].maxChars);
    }
}

Glib::ustring AddressOrAuto(const NetworkConf& record, const std::string& address) {
    if (record.AddressMode == 0) {
        return _("Acquires automatically");
    }
    return ToDisplay(address);
}

}  // namespace

Gtk::Window* CreateTwWindow(StartMode mode) {
    InstallTwStyle();
    auto* window = new Gtk::Window();
    window->set_title(_("Tunewell"));
    window->get_accessible()->set_name(_("Tunewell"));
    window->set_position(Gtk::WIN_POS_CENTER);
    window->set_resizable(false);
    window->set_default_size(435, 480);
    window->set_icon_name("tunewell");

    // A layout does not grow with its children: the window keeps its size
    // even though the notebook is a little wider.
    auto* layout = Gtk::manage(new Gtk::Layout());
    layout->set_size_request(435, 480);
    layout->set_size(435, 480);
    window->add(*layout);
    layout->show();

    pwTwNotebook = Gtk::manage(new Gtk::Notebook());
    pwTwNotebook->set_size_request(456, 432);
    layout->put(*pwTwNotebook, 0, 0);
    pwTwNotebook->show();
    Gtk::Fixed* network = AddPage(pwTwNotebook, _("Network"));
    Gtk::Fixed* dialup = AddPage(pwTwNotebook, _("Dialup"));
    Gtk::Fixed* time = AddPage(pwTwNotebook, _("Time & Date"));
    static const char* const kNetworks[3] = {N_("LAN"), N_("Wireless LAN"), N_("Network Disable")};
    static const char* const kDevices[3] = {N_("Modem"), N_("PHS"), N_("PDC")};
    BuildDevicePage(network, N_("Use Network Device"), kNetworks, pwNetRadio, pwNetModButton,
                    pwNetCaption, pwNetValue, kNetPanelRows);
    BuildDevicePage(dialup, N_("Use Dialup Device"), kDevices, pwDialupRadio, pwDialupModButton,
                    pwDialCaption, pwDialValue, kDialPanelRows);
    BuildTimePage(time);

    auto* buttons = Gtk::manage(new Gtk::Fixed());
    layout->put(*buttons, 0, 440);
    buttons->show();
    pwUpdateButton = suite::PutButton(buttons, _("Update"), 149, 0, 88, 32);
    pwQuitButton = suite::PutButton(buttons, _("Quit"), 244, 0, 88, 32);
    pwCancelButton = suite::PutButton(buttons, _("Cancel"), 340, 0, 88, 32);
    FitRowToRight(buttons, {pwUpdateButton, pwQuitButton, pwCancelButton}, 8);

    pwUpdateButton->signal_clicked().connect([] { on_OKButton_clicked(kApplyAndStay); });
    pwQuitButton->signal_clicked().connect([] { on_OKButton_clicked(kApplyAndQuit); });
    pwCancelButton->signal_clicked().connect(&on_CancelButton_clicked);
    window->signal_delete_event().connect([](GdkEventAny*) {
        on_CancelButton_clicked();
        return true;
    });
    window->signal_focus_in_event().connect(&on_TwWindow_focus_in_event);
    for (int i = 0; i < 3; ++i) {
        pwNetRadio[i]->signal_toggled().connect([i] {
            if (pwNetRadio[i]->get_active()) {
                on_UseNetDevRadio_toggled(i);
            }
        });
        pwDialupRadio[i]->signal_toggled().connect([i] {
            if (pwDialupRadio[i]->get_active()) {
                on_UseDialupDevRadio_toggled(i);
            }
        });
    }
    pwNetModButton->signal_clicked().connect([] { on_ModButton_clicked(PAGE_NETWORK); });
    pwDialupModButton->signal_clicked().connect([] { on_ModButton_clicked(PAGE_DIALUP); });

    switch (mode) {
        case StartMode::kDialup:
        case StartMode::kDialupOnly:
            pwTwNotebook->set_current_page(PAGE_DIALUP);
            break;
        case StartMode::kTime:
            pwTwNotebook->set_current_page(PAGE_TIME);
            break;
        default:
            break;
    }
    if (mode == StartMode::kDialupOnly) {
        for (int page : {PAGE_NETWORK, PAGE_TIME}) {
            Gtk::Widget* child = pwTwNotebook->get_nth_page(page);
            child->set_sensitive(false);
            if (Gtk::Widget* tab = pwTwNotebook->get_tab_label(*child)) {
                tab->set_sensitive(false);
            }
        }
        // An insensitive page could still be chosen by its tab or a key.
        pwTwNotebook->signal_switch_page().connect([](Gtk::Widget*, guint page) {
            if (page != PAGE_DIALUP) {
                Glib::signal_idle().connect_once(
                    [] { pwTwNotebook->set_current_page(PAGE_DIALUP); });
            }
        });
    }
    pwTwWindow = window;
    return window;
}

void DestroyTwWindow() {
    delete pwTwWindow;
    pwTwWindow = nullptr;
    pwTwNotebook = nullptr;
    pwZoneCombo = nullptr;
    std::fill(std::begin(pwNetRadio), std::end(pwNetRadio), nullptr);
    std::fill(std::begin(pwDialupRadio), std::end(pwDialupRadio), nullptr);
    pwNetModButton = pwDialupModButton = nullptr;
    pwUpdateButton = pwQuitButton = pwCancelButton = nullptr;
    // The panels test these before filling; they must not point into the
    // window just destroyed.
    std::fill(std::begin(pwNetCaption), std::end(pwNetCaption), nullptr);
    std::fill(std::begin(pwNetValue), std::end(pwNetValue), nullptr);
    std::fill(std::begin(pwDialCaption), std::end(pwDialCaption), nullptr);
    std::fill(std::begin(pwDialValue), std::end(pwDialValue), nullptr);
    std::fill(std::begin(pwTimeEntry), std::end(pwTimeEntry), nullptr);
}

void DisplayCurrentNetworkConf(const TwSetup& setup) {
    if (!pwNetValue[0]) {
        return;
    }
    PanelFiller panel{pwNetCaption, pwNetValue, kNetPanelRows};
    const int type = setup.NetworkType;
    const char* device = type == NET_LAN        ? N_("LAN")
                         : type == NET_WIRELESS ? N_("Wireless LAN")
                                                : N_("Disable");
    panel.Add(_("Network Device"), _(device));
    if (type == NET_LAN || type == NET_WIRELESS) {
        const NetworkConf& record = type == NET_LAN ? setup.Lan : setup.WirelessLan;
        panel.Add(_("Host Name"), ToDisplay(record.HostName));
        panel.Add(_("Domain Name"), ToDisplay(record.DomainName));
        if (type == NET_WIRELESS) {
            panel.Add(_("ESS-ID"), ToDisplay(record.Essid));
        }
        panel.Add(_("IP Adress"), AddressOrAuto(record, record.IpAddress));
        panel.Add(_("Netmask"), AddressOrAuto(record, record.Netmask));
        panel.Add(_("Gateway"), AddressOrAuto(record, record.Gateway));
        for (int i = 0; i < record.NameServerCount && i < 3; ++i) {
            panel.Add(_("Name Server"), ToDisplay(record.NameServer[i]));
        }
    }
    panel.Finish();
    if (pwNetModButton) {
        pwNetModButton->set_sensitive(type == NET_LAN || type == NET_WIRELESS);
    }
}

void SetDialupLabel(const DialupConf& record, int device) {
    if (!pwDialValue[0]) {
        return;
    }
    PanelFiller panel{pwDialCaption, pwDialValue, kDialPanelRows};
    const char* names[3] = {N_("Modem"), N_("PHS"), N_("PDC")};
    const char* auths[3] = {N_("non-procedural"), N_("CHAP"), N_("PAP")};
    panel.Add(_("Dialup Device"), device >= 0 && device < 3 ? _(names[device]) : "");
    panel.Add(_("Phone No"), ToDisplay(record.PhoneNumber));
    panel.Add(_("Dial Formula"), record.DialType == 1 ? _("Pulse") : _("Tone"));
    panel.Add(_("Account"), ToDisplay(record.Account));
    panel.Add(_("Attestatior"),
              record.AuthType >= 0 && record.AuthType < 3 ? _(auths[record.AuthType]) : "");
    panel.Add(_("AT Command"), ToDisplay(record.AtCommand));
    if (record.NameServerCount <= 0) {
        panel.Add(_("Name Server"), "");
    }
    for (int i = 0; i < record.NameServerCount && i < 3; ++i) {
        panel.Add(_("Name Server"), ToDisplay(record.NameServer[i]));
    }
    panel.Finish();
}

void DisplayCurrentDialupConf(const TwSetup& setup) {
    const int device = setup.DialupDevice == DIAL_PHS || setup.DialupDevice == DIAL_PDC
                           ? setup.DialupDevice
                           : DIAL_MODEM;
    SetDialupLabel(DialupRecord(setup, device), device);
}

void DisplayTimeConf(const TwSetup& setup) {
    if (!pwZoneCombo || !pwTimeEntry[0]) {
        return;
    }
    // Filled while detached, so the combo sees one finished model.
    Glib::RefPtr<Gtk::TreeModel> model = pwZoneCombo->get_model();
    auto store = Glib::RefPtr<Gtk::ListStore>::cast_dynamic(model);
    if (store) {
        pwZoneCombo->unset_model();
        store->clear();
        for (const std::string& zone : setup.ZoneList) {
            Gtk::TreeRow row = *store->append();
            row.set_value(0, ToDisplay(zone));
        }
        pwZoneCombo->set_model(store);
    }
    pwZoneCombo->get_entry()->set_text(ToDisplay(setup.TimeZone));
    const std::string* fields[6] = {&setup.Year, &setup.Month,  &setup.Day,
                                    &setup.Hour, &setup.Minute, &setup.Second};
    for (int i = 0; i < 6; ++i) {
        pwTimeEntry[i]->set_text(ToDisplay(*fields[i]));
    }
}

TimeForm ReadTimeForm() {
    TimeForm form;
    if (!pwZoneCombo || !pwTimeEntry[0]) {
        return form;
    }
    std::string* fields[6] = {&form.Year, &form.Month,  &form.Day,
                              &form.Hour, &form.Minute, &form.Second};
    for (int i = 0; i < 6; ++i) {
        *fields[i] = FromDisplay(pwTimeEntry[i]->get_text());
    }
    form.Zone = FromDisplay(pwZoneCombo->get_entry()->get_text());
    return form;
}

void FocusTimeField(int field) {
    if (!pwTwNotebook) {
        return;
    }
    pwTwNotebook->set_current_page(PAGE_TIME);
    if (field >= TIME_FIELD_YEAR && field <= TIME_FIELD_SECOND) {
        TwSetFocus(pwTimeEntry[field - TIME_FIELD_YEAR]);
    } else if (field == TIME_FIELD_ZONE) {
        TwSetFocus(pwZoneCombo->get_entry());
    }
}

}  // namespace tw

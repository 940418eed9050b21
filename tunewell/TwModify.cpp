#include "tunewell/TwModify.h"

#include <memory>

#include "common/I18n.h"
#include "tunewell/TwDialogs.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwInterface.h"
#include "tunewell/TwMessage.h"
#include "tunewell/TwNetwork.h"
#include "tunewell/TwTable.h"

namespace tw {

ModWindow* pTwMod = nullptr;

namespace {

struct NsColumns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<Glib::ustring> address;
    NsColumns() { add(address); }
};

const NsColumns& Columns() {
    static const NsColumns columns;
    return columns;
}

int Confirm(int kind, const std::string& text) {
    return CreateConfilmWindow(kind, text);
}

std::array<std::string, 4> Parts(const AddressEntry& address) {
    std::array<std::string, 4> parts;
    for (int i = 0; i < 4; ++i) {
        parts[i] = FromDisplay(address.part[i]->get_text());
    }
    return parts;
}

// The scratch record's count and the Add button follow the list.
void NameServersChanged() {
    const int count = static_cast<int>(pTwMod->nsStore->children().size());
    (pTwMod->network ? pTwMod->pTwNewNet->NameServerCount : pTwMod->pTwNewDial->NameServerCount) =
        count;
    pTwMod->nsAdd->set_sensitive(count < 3);
}

void SensitiveNetEntry(bool fixed) {
    pTwMod->ip.SetSensitive(fixed);
    pTwMod->netmask.SetSensitive(fixed);
    pTwMod->gateway.SetSensitive(fixed);
}

void on_DHCPRadio_toggled(int mode) {
    if (!pTwMod || !pTwMod->dhcpRadio[mode]->get_active()) {
        return;
    }
    pTwMod->pTwNewNet->AddressMode = mode;
    SensitiveNetEntry(mode == 1);
}

void on_DialRadio_toggled(int type) {
    if (pTwMod && pTwMod->dialRadio[type]->get_active()) {
        pTwMod->pTwNewDial->DialType = type;
    }
}

void on_ATTESTRadio_toggled(int type) {
    if (pTwMod && pTwMod->authRadio[type]->get_active()) {
        pTwMod->pTwNewDial->AuthType = type;
    }
}

void on_NSAddButton_clicked() {
    std::string address;
    int badPart = 0;
    const int code =
        CheckNameServerAdd(Parts(pTwMod->nameServer), NameServerRows(), address, &badPart);
    if (code == TW_NET_BAD_NAMESERVER) {
        TwMessageBox(code, "", TW_STYLE_ERROR);
        TwSetFocus(pTwMod->nameServer.part[badPart >= 0 && badPart < 4 ? badPart : 0]);
        return;
    }
    if (code != 0) {
        TwMessageBox(code, "", TW_STYLE_ERROR);
        return;
    }
    Gtk::TreeRow row = *pTwMod->nsStore->append();
    row[Columns().address] = ToDisplay(address);
    NameServersChanged();
}

void on_NSlist_changed() {
    if (pTwMod && pTwMod->nsDelete) {
        pTwMod->nsDelete->set_sensitive(
            static_cast<bool>(pTwMod->nsList->get_selection()->get_selected()));
    }
}

void on_NSDelButton_clicked() {
    Gtk::TreeIter selected = pTwMod->nsList->get_selection()->get_selected();
    if (!selected) {
        return;
    }
    pTwMod->nsStore->erase(selected);
    NameServersChanged();
    on_NSlist_changed();
}

void FocusNetField(const NetFocus& focus) {
    const int part = focus.part >= 0 && focus.part < 4 ? focus.part : 0;
    // In NET_FIELD_* order.
    Gtk::Entry* const entries[] = {nullptr,
                                   pTwMod->host,
                                   pTwMod->domain,
                                   pTwMod->ip.part[part],
                                   pTwMod->netmask.part[part],
                                   pTwMod->gateway.part[part],
                                   pTwMod->essid,
                                   pTwMod->cipherKey,
                                   pTwMod->nameServer.part[part]};
    if (focus.field > NET_FIELD_NONE && focus.field <= NET_FIELD_NAMESERVER) {
        TwSetFocus(entries[focus.field]);
    }
}

NetworkConf& NetTarget() {
    return pTwMod->kind == NET_LAN ? pTwNewSetup->Lan : pTwNewSetup->WirelessLan;
}

void on_NetModOKButton_clicked() {
    NetForm form;
    form.HostName = FromDisplay(pTwMod->host->get_text());
    form.DomainName = FromDisplay(pTwMod->domain->get_text());
    form.IpAddress = Parts(pTwMod->ip);
    form.Netmask = Parts(pTwMod->netmask);
    form.Gateway = Parts(pTwMod->gateway);
    if (pTwMod->essid) {
        form.Essid = FromDisplay(pTwMod->essid->get_text());
        form.CipherKey = FromDisplay(pTwMod->cipherKey->get_text());
    }
    form.NameServers = NameServerRows();
    NetworkConf& record = NetTarget();
    NetFocus focus;
    const int code =
        CheckNetworkConf(record, *pTwMod->pTwNewNet, form, pTwMod->kind, &Confirm, &focus);
    if (code == 0) {
        pTwMod->committed = true;
        suite::EndModalLoop();
        return;
    }
    if (code == TW_NET_SILENT) {
        FocusNetField(focus);
        return;
    }
    TwMessageBox(code, "", TW_STYLE_ERROR);
    ClearNetworkValue(*pTwMod->pTwNewNet, record);
    FocusNetField(focus);
}

void on_DialupModOKButton_clicked() {
    DialForm form;
    form.PhoneNumber = FromDisplay(pTwMod->phone->get_text());
    form.Account = FromDisplay(pTwMod->account->get_text());
    form.Password = FromDisplay(pTwMod->password->get_text());
    form.AtCommand = FromDisplay(pTwMod->atCommand->get_text());
    form.NameServers = NameServerRows();
    DialupConf& record = DialupRecord(*pTwNewSetup, pTwMod->kind);
    int focus = DIAL_FIELD_NONE;
    const int code = CheckDialupConf(record, *pTwMod->pTwNewDial, form, &Confirm, &focus);
    if (code == 0) {
        pTwMod->committed = true;
        suite::EndModalLoop();
        return;
    }
    if (code != TW_DIAL_SILENT) {
        TwMessageBox(code, "", TW_STYLE_ERROR);
        ClearDialupValue(*pTwMod->pTwNewDial, record);
    }
    // In DIAL_FIELD_* order.
    Gtk::Entry* const entries[] = {nullptr, pTwMod->phone, pTwMod->account, pTwMod->password,
                                   pTwMod->atCommand};
    if (focus > DIAL_FIELD_NONE && focus <= DIAL_FIELD_ATCOMMAND) {
        TwSetFocus(entries[focus]);
    }
}

void on_ModCancelButton_clicked() {
    suite::EndModalLoop();
}

// The window manager's close acts as a click on Cancel.
bool on_CloseButton_clicked(GdkEventAny*) {
    if (pTwMod && pTwMod->cancel) {
        pTwMod->cancel->clicked();
    }
    return true;
}

// Makes pTwMod's window for a network type or dialup device `kind`; returns its layout.
Gtk::Fixed* NewModWindow(const Glib::ustring& title, int width, int height, bool network,
                         int kind) {
    pTwMod->window = new Gtk::Window();
    pTwMod->network = network;
    pTwMod->kind = kind;
    SetUpTwDialog(*pTwMod->window, title, width, height);
    pTwMod->window->signal_delete_event().connect(&on_CloseButton_clicked);
    return suite::AddFixed(*pTwMod->window);
}

// Name-server entry, list, Add and Delete, at (x, y); the buttons widen
// up to `right`.
void PutNameServers(Gtk::Fixed* fixed, int x, int y, int right) {
    suite::PutLabel(fixed, _("Name Server"), 16, y + 2, 110, 20);
    pTwMod->nameServer = PutAddress(fixed, _("Name Server"), x, y);
    pTwMod->nsStore = Gtk::ListStore::create(Columns());
    pTwMod->nsList = Gtk::manage(new Gtk::TreeView(pTwMod->nsStore));
    pTwMod->nsList->append_column("", Columns().address);
    pTwMod->nsList->set_headers_visible(false);
    pTwMod->nsList->get_accessible()->set_name(_("Name Server"));
    auto* scroll = Gtk::manage(new Gtk::ScrolledWindow());
    scroll->set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    scroll->set_shadow_type(Gtk::SHADOW_IN);
    scroll->add(*pTwMod->nsList);
    scroll->set_size_request(184, 60);
    fixed->put(*scroll, x, y + 30);
    scroll->show_all();
    pTwMod->nsAdd = suite::PutButton(fixed, _("Add"), x + 192, y + 30, 80, 26);
    pTwMod->nsDelete = suite::PutButton(fixed, _("Delete"), x + 192, y + 62, 80, 26);
    FitRowToLeft(fixed, {pTwMod->nsAdd}, right);
    FitRowToLeft(fixed, {pTwMod->nsDelete}, right);
    pTwMod->nsAdd->signal_clicked().connect(&on_NSAddButton_clicked);
    pTwMod->nsDelete->signal_clicked().connect(&on_NSDelButton_clicked);
    pTwMod->nsDelete->set_sensitive(false);
    pTwMod->nsList->get_selection()->signal_changed().connect(&on_NSlist_changed);
}

void PutOkCancel(Gtk::Fixed* fixed, int width, int y, void (*onOk)()) {
    pTwMod->ok = suite::PutButton(fixed, _("OK"), width - 200, y, 88, 30);
    pTwMod->cancel = suite::PutButton(fixed, _("Cancel"), width - 104, y, 88, 30);
    FitRowToRight(fixed, {pTwMod->ok, pTwMod->cancel}, 16);
    pTwMod->ok->signal_clicked().connect(onOk);
    pTwMod->cancel->signal_clicked().connect(&on_ModCancelButton_clicked);
}

void FillNameServers(const std::array<std::string, 3>& servers, int count) {
    pTwMod->nsStore->clear();
    for (int i = 0; i < count && i < 3; ++i) {
        Gtk::TreeRow row = *pTwMod->nsStore->append();
        row[Columns().address] = ToDisplay(servers[i]);
    }
    pTwMod->nsAdd->set_sensitive(count < 3);
    pTwMod->nsDelete->set_sensitive(false);
}

}  // namespace

std::vector<std::string> NameServerRows() {
    std::vector<std::string> rows;
    if (!pTwMod || !pTwMod->nsStore) {
        return rows;
    }
    for (const Gtk::TreeRow& row : pTwMod->nsStore->children()) {
        rows.push_back(FromDisplay(row.get_value(Columns().address)));
    }
    return rows;
}

Gtk::Window* CreateNetModWindow(int networkType) {
    const bool wireless = networkType == NET_WIRELESS;
    const Glib::ustring title = wireless ? _("Modify Network Configuration - Wireless LAN")
                                         : _("Modify Network Configuration - LAN");
    Gtk::Fixed* fixed = NewModWindow(title, 408, 508, true, networkType);

    suite::PutLabel(fixed, _("Host name"), 16, 14, 110, 20);
    pTwMod->host = suite::PutEntry(fixed, _("Host name"), 130, 12, 260, 22, 64);
    suite::PutLabel(fixed, _("Domain name"), 16, 46, 110, 20);
    pTwMod->domain = suite::PutEntry(fixed, _("Domain name"), 130, 44, 260, 22, 64);
    pTwMod->dhcpRadio[0] =
        suite::PutRadio(fixed, nullptr, _("Acquires automatically from DHCP"), 16, 80, 360, 22);
    pTwMod->dhcpRadio[1] =
        suite::PutRadio(fixed, pTwMod->dhcpRadio[0], _("IP designation"), 16, 106, 360, 22);
    suite::PutLabel(fixed, _("IP Address"), 40, 138, 110, 20);
    pTwMod->ip = PutAddress(fixed, _("IP Address"), 190, 136);
    suite::PutLabel(fixed, _("Netmask"), 40, 168, 110, 20);
    pTwMod->netmask = PutAddress(fixed, _("Netmask"), 190, 166);
    suite::PutLabel(fixed, _("Gateway"), 40, 198, 110, 20);
    pTwMod->gateway = PutAddress(fixed, _("Gateway"), 190, 196);
    FitRowToLeft(fixed, {pTwMod->dhcpRadio[0]}, 392);
    FitRowToLeft(fixed, {pTwMod->dhcpRadio[1]}, 392);
    PutNameServers(fixed, 110, 236, 392);
    if (wireless) {
        Gtk::Fixed* frame =
            suite::PutFrame(fixed, _("Wireless LAN Configuration"), 12, 346, 384, 96);
        suite::PutLabel(frame, _("ESS-ID"), 12, 10, 100, 20);
        pTwMod->essid = suite::PutEntry(frame, _("ESS-ID"), 118, 8, 250, 22, 32);
        suite::PutLabel(frame, _("Cipher Key"), 12, 42, 100, 20);
        pTwMod->cipherKey = suite::PutEntry(frame, _("Cipher Key"), 118, 40, 250, 22, 12, true);
    }
    PutOkCancel(fixed, 408, 464, &on_NetModOKButton_clicked);
    for (int i = 0; i < 2; ++i) {
        pTwMod->dhcpRadio[i]->signal_toggled().connect([i] { on_DHCPRadio_toggled(i); });
    }
    return pTwMod->window;
}

Gtk::Window* CreateDialupModWindow(int device) {
    const char* titles[3] = {N_("Modify Dialup Configuration - Modem"),
                             N_("Modify Dialup Configuration - PHS"),
                             N_("Modify Dialup Configuration - PDC")};
    const int index = device >= 0 && device < 3 ? device : 0;
    Gtk::Fixed* fixed = NewModWindow(_(titles[index]), 418, 355, false, index);

    suite::PutLabel(fixed, _("Phone No"), 16, 14, 110, 20);
    pTwMod->phone = suite::PutEntry(fixed, _("Phone No"), 130, 12, 270, 22, 64);
    suite::PutLabel(fixed, _("Dial formula"), 16, 44, 110, 20);
    pTwMod->dialRadio[0] = suite::PutRadio(fixed, nullptr, _("Tone"), 130, 42, 90, 22);
    pTwMod->dialRadio[1] =
        suite::PutRadio(fixed, pTwMod->dialRadio[0], _("Pulse"), 230, 42, 90, 22);
    suite::PutLabel(fixed, _("Account"), 16, 74, 110, 20);
    pTwMod->account = suite::PutEntry(fixed, _("Account"), 130, 72, 270, 22, 255);
    suite::PutLabel(fixed, _("Password"), 16, 104, 110, 20);
    pTwMod->password = suite::PutEntry(fixed, _("Password"), 130, 102, 270, 22, 255, true);
    suite::PutLabel(fixed, _("Attestation"), 16, 134, 110, 20);
    pTwMod->authRadio[0] = suite::PutRadio(fixed, nullptr, _("non-procedural"), 130, 132, 130, 22);
    pTwMod->authRadio[1] =
        suite::PutRadio(fixed, pTwMod->authRadio[0], _("CHAP"), 266, 132, 64, 22);
    pTwMod->authRadio[2] = suite::PutRadio(fixed, pTwMod->authRadio[0], _("PAP"), 336, 132, 64, 22);
    suite::PutLabel(fixed, _("AT Command"), 16, 164, 110, 20);
    pTwMod->atCommand = suite::PutEntry(fixed, _("AT Command"), 130, 162, 270, 22, 127);
    FitRowToLeft(fixed, {pTwMod->dialRadio[0], pTwMod->dialRadio[1]}, 400);
    FitRowToLeft(fixed, {pTwMod->authRadio[0], pTwMod->authRadio[1], pTwMod->authRadio[2]}, 400);
    PutNameServers(fixed, 130, 194, 402);
    PutOkCancel(fixed, 418, 314, &on_DialupModOKButton_clicked);
    for (int i = 0; i < 2; ++i) {
        pTwMod->dialRadio[i]->signal_toggled().connect([i] { on_DialRadio_toggled(i); });
    }
    for (int i = 0; i < 3; ++i) {
        pTwMod->authRadio[i]->signal_toggled().connect([i] { on_ATTESTRadio_toggled(i); });
    }
    return pTwMod->window;
}

void DisplayModNetworkConf(const NetworkConf& record) {
    pTwMod->host->set_text(ToDisplay(record.HostName));
    pTwMod->domain->set_text(ToDisplay(record.DomainName));
    const int mode = record.AddressMode == 0 ? 0 : 1;
    pTwMod->dhcpRadio[mode]->set_active(true);
    SensitiveNetEntry(mode == 1);
    pTwMod->ip.Set(record.IpAddress);
    pTwMod->netmask.Set(record.Netmask);
    pTwMod->gateway.Set(record.Gateway);
    FillNameServers(record.NameServer, record.NameServerCount);
    if (pTwMod->essid) {
        pTwMod->essid->set_text(ToDisplay(record.Essid));
        pTwMod->cipherKey->set_text(ToDisplay(record.CipherKey));
    }
}

void DisplayModDialupworkConf(const DialupConf& record) {
    pTwMod->phone->set_text(ToDisplay(record.PhoneNumber));
    pTwMod->dialRadio[record.DialType == 1 ? 1 : 0]->set_active(true);
    pTwMod->account->set_text(ToDisplay(record.Account));
    pTwMod->password->set_text(ToDisplay(record.Password));
    const int auth = record.AuthType >= 0 && record.AuthType < 3 ? record.AuthType : 0;
    pTwMod->authRadio[auth]->set_active(true);
    pTwMod->atCommand->set_text(ToDisplay(record.AtCommand));
    FillNameServers(record.NameServer, record.NameServerCount);
}

bool RunModifyWindow(int page, Gtk::Window* disable) {
    if (pTwMod || !pTwNewSetup) {
        return false;
    }
    ModWindow mod;
    NetworkConf scratchNet{};
    DialupConf scratchDial{};
    pTwMod = &mod;
    std::unique_ptr<Gtk::Window> window;
    if (page == PAGE_NETWORK) {
        const int type = pTwNewSetup->NetworkType;
        if (type != NET_LAN && type != NET_WIRELESS) {
            pTwMod = nullptr;
            return false;
        }
        window.reset(CreateNetModWindow(type));
        // The scratch copy exists before the radio buttons are set, so their
        // handlers have somewhere to write.
        scratchNet = NetTarget();
        mod.pTwNewNet = &scratchNet;
        DisplayModNetworkConf(scratchNet);
    } else {
        window.reset(CreateDialupModWindow(pTwNewSetup->DialupDevice));
        scratchDial = DialupRecord(*pTwNewSetup, pTwMod->kind);
        mod.pTwNewDial = &scratchDial;
        DisplayModDialupworkConf(scratchDial);
    }
    (page == PAGE_NETWORK ? pTwMod->host : pTwMod->phone)->grab_focus();
    ModalMainLoop(window.get(), disable);
    const bool committed = mod.committed;
    window.reset();
    pTwMod = nullptr;
    return committed;
}

}  // namespace tw

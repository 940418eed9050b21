// Network settings for start-up, the network modify window and the apply:
// reading both sets, checking a NetForm (a failure names the entry to focus,
// the cipher key is confirmed through `confirm`), writing a changed set.
#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tunewell/TwConfig.h"

namespace tw {

// Entries of the network modify window, as typed.
struct NetForm {
    std::string HostName;
    std::string DomainName;
    std::array<std::string, 4> IpAddress;
    std::array<std::string, 4> Netmask;
    std::array<std::string, 4> Gateway;
    std::string Essid;
    std::string CipherKey;
    std::vector<std::string> NameServers;  // list rows in order
};

// Which entry a failed check puts the focus on (`part` 0-3 for address entries).
enum NetField {
    NET_FIELD_NONE,
    NET_FIELD_HOSTNAME,
    NET_FIELD_DOMAINNAME,
    NET_FIELD_IPADDRESS,
    NET_FIELD_NETMASK,
    NET_FIELD_GATEWAY,
    NET_FIELD_ESSID,
    NET_FIELD_CIPHERKEY,
    NET_FIELD_NAMESERVER,
};
struct NetFocus {
    int field = NET_FIELD_NONE;
    int part = 0;
};

// Confirmation window: kind 0 cipher key, 1 password; returns 1 when the user
// typed `text` again, 0 when cancelled (the window shows its own mismatch).
using ConfirmFunction = std::function<int(int kind, const std::string& text)>;

// Start: reads lan/ and wirelesslan/melco/ into setup.Lan and setup.WirelessLan.
int InitializeNetworkConf(const WYConfig& config, TwSetup& setup);
void InitializeLANConf(const WYConfig& config, NetworkConf& record);
void InitializeWirLANConf(const WYConfig& config, NetworkConf& record);

// Shared readers.  `setDir` and `interfaceFile` are relative to ConfigDir.
void GetCommonNetInfo(const WYConfig& config, NetworkConf& record, const std::string& setDir,
                      const std::string& interfaceFile);
// A value that parses as an IPv4 address, else TW_FAILED (`value` cleared).
int GetAddressInfo(const std::string& path, const std::string& key, std::string& value,
                   bool showErrors);
// Up to three "nameserver" addresses into the record that is not null.
void GetNameServer(NetworkConf* net, DialupConf* dial, const std::string& path);

// Dotted-quad helpers of the modify window.
bool CheckAddress(const std::string& entry);
// Joins four entries ("010" -> "10"); false with `badPart` at the first invalid one.
bool CatAddress(const std::array<std::string, 4>& entries, std::string& out, int* badPart);
// Part `index` (0-3) of a dotted quad, "" when missing.
std::string GetAddressNo(const std::string& text, int index);

// Name-server Add: 0 with the joined address, TW_NET_BAD_NAMESERVER (with
// `badPart`) or TW_NET_ADDRESS_USED.  The list holds at most three rows.
int CheckNameServerAdd(const std::array<std::string, 4>& entries,
                       const std::vector<std::string>& list, std::string& address, int* badPart);

// OK of the modify window: validates `form` into `scratch` (whose AddressMode
// the radio buttons set) and on success copies it into `record`.  0, a
// class-2 code with `focus` set, or TW_NET_SILENT when the confirmation was
// cancelled.
int CheckNetworkConf(NetworkConf& record, NetworkConf& scratch, const NetForm& form,
                     int networkType, const ConfirmFunction& confirm, NetFocus* focus);

// The last step of a good OK in either modify window: the name-server list
// rows become the scratch record's, in order (at most three, each one that
// fits: the list holds only joined addresses), and the scratch record is
// committed to `record`.
template <typename Record>
void CommitScratch(Record& record, Record& scratch, const std::vector<std::string>& rows) {
    scratch.NameServer = {};
    scratch.NameServerCount = 0;
    for (const std::string& row : rows) {
        if (scratch.NameServerCount < 3 && FitsField(row, kAddressMax)) {
            scratch.NameServer[scratch.NameServerCount++] = row;
        }
    }
    record = scratch;
}

// After a refused OK in either modify window: the scratch record again as
// committed, but for the `kept` fields the window's buttons and list set.
template <typename Record>
void ResetScratch(Record& scratch, const Record& committed,
                  std::initializer_list<int Record::*> kept) {
    Record reset = committed;
    for (int Record::*field : kept) {
        reset.*field = scratch.*field;
    }
    scratch = std::move(reset);
}

// After a refused OK: the scratch copy again from the committed record,
// keeping its AddressMode and NameServerCount.
void ClearNetworkValue(NetworkConf& scratch, const NetworkConf& committed);

// Writing.  0, TW_CHANGED or TW_APPLY_FATAL (message shown).
int ReflectionNetworkConf(const WYConfig& config, const TwSetup& oldSetup, const TwSetup& newSetup);
int ReflectionLANConf(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old);
int ReflectionWirLANConf(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old,
                         const std::string& wirelessDir);
int SetCommonNetInfo(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old,
                     const std::string& setDir, const std::string& interfaceFile);
int SetAddress(const NetworkConf& record, const std::string& path);
int SetNameServer(const NetworkConf* net, const DialupConf* dial, const std::string& path);

}  // namespace tw

#include "tunewell/TwNetwork.h"

#include <arpa/inet.h>

#include "tunewell/TwFile.h"
#include "tunewell/TwTable.h"

namespace tw {

namespace {

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ParseIpv4(const std::string& text, in_addr& out) {
    return FitsField(text, kAddressMax) && ::inet_pton(AF_INET, text.c_str(), &out) == 1;
}

std::string FormatIpv4(uint32_t hostOrder) {
    in_addr a;
    a.s_addr = htonl(hostOrder);
    char buf[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

void ReadAddressOr(const std::string& path, const std::string& key, std::string& field,
                   const char* fallback, bool show) {
    if (GetAddressInfo(path, key, field, show) != 0) {
        field = fallback;
    }
}

// 0 (DHCP) when `key` is missing or holds `dhcp`, else 1 (fixed address).
int AddressModeOf(const std::string& path, const std::string& key, const char* dhcp) {
    std::string value;
    return GetConfiguration(path, key, value, 16, false) == 0 && value != dhcp ? 1 : 0;
}

std::string Dir(const WYConfig& config, const std::string& rel) {
    return config.ConfigDir + rel;
}

}  // namespace

int InitializeNetworkConf(const WYConfig& config, TwSetup& setup) {
    InitializeLANConf(config, setup.Lan);
    InitializeWirLANConf(config, setup.WirelessLan);
    return 0;
}

void InitializeLANConf(const WYConfig& config, NetworkConf& record) {
    record.AddressMode = AddressModeOf(Dir(config, "lan/ifcfg-eth0"), "BOOTPROTO", "dhcp");
    GetCommonNetInfo(config, record, "lan/", "ifcfg-eth0");
}

void InitializeWirLANConf(const WYConfig& config, NetworkConf& record) {
    const std::string dir = Dir(config, "wirelesslan/melco/");
    std::string value;
    if (GetConfiguration(dir + "wireless.opts", "ESSID", value, kEssidMax + 1, false) == 0) {
        record.Essid = value;
    }
    if (GetConfiguration(dir + "wireless.opts", "KEY", value, 16, false) == 0) {
        const std::string key = value.compare(0, 2, "s:") == 0 ? value.substr(2) : "0x" + value;
        // A key too long for the field counts as missing, as any over-long value does.
        if (key.size() <= kCipherKeyMax) {
            record.CipherKey = key;
        }
    }
    record.AddressMode = AddressModeOf(dir + "network.opts", "DHCP", "y");
    GetCommonNetInfo(config, record, "wirelesslan/melco/", "network.opts");
}

void GetCommonNetInfo(const WYConfig& config, NetworkConf& record, const std::string& setDir,
                      const std::string& interfaceFile) {
    const bool show = record.AddressMode == 1;
    const std::string dir = Dir(config, setDir);
    GetNameServer(&record, nullptr, dir + "resolv.conf");
    ReadAddressOr(dir + "network", "GATEWAY", record.Gateway, "0.0.0.0", show);
    ReadAddressOr(dir + interfaceFile, "IPADDR", record.IpAddress, "0.0.0.0", show);
    ReadAddressOr(dir + interfaceFile, "NETMASK", record.Netmask, "255.255.255.0", show);
    if (GetConfiguration(dir + "network", "HOSTNAME", record.HostName, kHostNameMax + 1, show) !=
        0) {
        record.HostName = "localhost";
    }
    if (GetConfiguration(dir + "resolv.conf", "domain", record.DomainName, kHostNameMax + 1,
                         show) != 0) {
        record.DomainName = "localdomain";
    }
}

int GetAddressInfo(const std::string& path, const std::string& key, std::string& value,
                   bool showErrors) {
    in_addr parsed;
    if (GetConfiguration(path, key, value, kAddressMax + 1, showErrors) != 0 ||
        !ParseIpv4(value, parsed)) {
        value.clear();
        return TW_FAILED;
    }
    return 0;
}

void GetNameServer(NetworkConf* net, DialupConf* dial, const std::string& path) {
    std::array<std::string, 3>* slots = net ? &net->NameServer : dial ? &dial->NameServer : nullptr;
    int* count = net ? &net->NameServerCount : dial ? &dial->NameServerCount : nullptr;
    if (slots == nullptr) {
        return;
    }
    *slots = {};
    *count = 0;
    std::string text;
    if (TwReadFile(path, text, false) != 0) {
        return;
    }
    static const std::string kWord = "nameserver";
    for (const std::string& line : TwReadableLines(text)) {
        if (*count >= 3) {
            break;
        }
        std::size_t k = line.find_first_not_of(" \t");
        if (k == std::string::npos || line.compare(k, kWord.size(), kWord) != 0) {
            continue;
        }
        // The address follows the word after blanks; a bare word has none.
        std::size_t v = k + kWord.size();
        if (v >= line.size() || (line[v] != ' ' && line[v] != '\t')) {
            continue;
        }
        v = line.find_first_not_of(" \t", v);
        if (v == std::string::npos) {
            continue;
        }
        std::string address = line.substr(v);
        DeleteBackChar(address);
        in_addr parsed;
        if (ParseIpv4(address, parsed)) {  // a dotted quad: it fits
            (*slots)[(*count)++] = address;
        }
    }
}

bool CheckAddress(const std::string& entry) {
    if (entry.empty() || entry.size() > 3) {
        return false;
    }
    int value = 0;
    for (char c : entry) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

bool CatAddress(const std::array<std::string, 4>& entries, std::string& out, int* badPart) {
    std::string joined;
    for (int i = 0; i < 4; ++i) {
        if (!CheckAddress(entries[i])) {
            if (badPart != nullptr) {
                *badPart = i;
            }
            return false;
        }
        if (i > 0) {
            joined += '.';
        }
        joined += std::to_string(std::stoi(entries[i]));
    }
    out = joined;
    return true;
}

std::string GetAddressNo(const std::string& text, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        std::size_t dot = text.find('.', start);
        if (dot == std::string::npos) {
            return "";
        }
        start = dot + 1;
    }
    std::size_t dot = text.find('.', start);
    return text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

int CheckNameServerAdd(const std::array<std::string, 4>& entries,
                       const std::vector<std::string>& list, std::string& address, int* badPart) {
    std::string joined;
    if (!CatAddress(entries, joined, badPart)) {
        return TW_NET_BAD_NAMESERVER;
    }
    for (const std::string& row : list) {
        if (row == joined) {
            return TW_NET_ADDRESS_USED;
        }
    }
    if (list.size() >= 3) {
        return TW_FAILED;
    }
    address = joined;
    return 0;
}

namespace {

int Fail(NetFocus* focus, int field, int part, int code) {
    if (focus != nullptr) {
        focus->field = field;
        focus->part = part;
    }
    return code;
}

int CheckName(const std::string& text, bool allowDot, int missing, int tooLong, int invalid) {
    if (text.empty()) {
        return missing;
    }
    if (text.size() > kHostNameMax) {
        return tooLong;
    }
    for (char c : text) {
        if (!IsAsciiAlnum(c) && c != '-' && !(allowDot && c == '.')) {
            return invalid;
        }
    }
    return 0;
}

int CheckCipherKey(const std::string& key) {
    if (key.compare(0, 2, "0x") != 0) {
        if (key.size() > 5) {
            return TW_NET_STRKEY_TOO_LONG;
        }
        for (char c : key) {
            if (!IsAsciiAlnum(c) && c != '_') {
                return TW_NET_BAD_KEY;
            }
        }
        if (!key.empty() && key.size() < 5) {
            return TW_NET_STRKEY_TOO_SHORT;
        }
        return 0;
    }
    if (key.size() > kCipherKeyMax) {
        return TW_NET_HEXKEY_TOO_LONG;
    }
    for (std::size_t i = 2; i < key.size(); ++i) {
        if (!IsHexDigit(key[i])) {
            return TW_NET_BAD_KEY;
        }
    }
    if (key.size() < kCipherKeyMax) {
        return TW_NET_HEXKEY_TOO_SHORT;
    }
    return 0;
}

}  // namespace

int CheckNetworkConf(NetworkConf& record, NetworkConf& scratch, const NetForm& form,
                     int networkType, const ConfirmFunction& confirm, NetFocus* focus) {
    int rc = CheckName(form.HostName, false, TW_NET_NO_HOSTNAME, TW_NET_HOSTNAME_TOO_LONG,
                       TW_NET_BAD_HOSTNAME);
    if (rc != 0) {
        return Fail(focus, NET_FIELD_HOSTNAME, 0, rc);
    }
    // Each text below has passed its check, which holds it to its field.
    scratch.HostName = form.HostName;
    rc = CheckName(form.DomainName, true, TW_NET_NO_DOMAINNAME, TW_NET_DOMAINNAME_TOO_LONG,
                   TW_NET_BAD_DOMAINNAME);
    if (rc != 0) {
        return Fail(focus, NET_FIELD_DOMAINNAME, 0, rc);
    }
    scratch.DomainName = form.DomainName;

    if (scratch.AddressMode == 1) {
        struct {
            const std::array<std::string, 4>& entries;
            std::string& field;
            int focusField;
            int code;
        } const addresses[] = {
            {form.IpAddress, scratch.IpAddress, NET_FIELD_IPADDRESS, TW_NET_BAD_IPADDRESS},
            {form.Netmask, scratch.Netmask, NET_FIELD_NETMASK, TW_NET_BAD_NETMASK},
            {form.Gateway, scratch.Gateway, NET_FIELD_GATEWAY, TW_NET_BAD_GATEWAY},
        };
        for (const auto& a : addresses) {
            std::string joined;
            int bad = 0;
            if (!CatAddress(a.entries, joined, &bad)) {
                return Fail(focus, a.focusField, bad, a.code);
            }
            a.field = joined;
        }
    }

    if (networkType == NET_WIRELESS) {
        if (form.Essid.size() > kEssidMax) {
            return Fail(focus, NET_FIELD_ESSID, 0, TW_NET_ESSID_TOO_LONG);
        }
        for (char c : form.Essid) {
            if (!IsAsciiAlnum(c) && c != '_') {
                return Fail(focus, NET_FIELD_ESSID, 0, TW_NET_BAD_ESSID);
            }
        }
        scratch.Essid = form.Essid;
        rc = CheckCipherKey(form.CipherKey);
        if (rc != 0) {
            return Fail(focus, NET_FIELD_CIPHERKEY, 0, rc);
        }
        if (form.CipherKey != record.CipherKey) {
            if (!confirm || confirm(0, form.CipherKey) != 1) {
                return Fail(focus, NET_FIELD_CIPHERKEY, 0, TW_NET_SILENT);
            }
        }
        scratch.CipherKey = form.CipherKey;
    }

    CommitScratch(record, scratch, form.NameServers);
    return 0;
}

void ClearNetworkValue(NetworkConf& scratch, const NetworkConf& committed) {
    ResetScratch(scratch, committed, {&NetworkConf::AddressMode, &NetworkConf::NameServerCount});
}

int ReflectionNetworkConf(const WYConfig& config, const TwSetup& oldSetup,
                          const TwSetup& newSetup) {
    const bool lan = newSetup.Lan != oldSetup.Lan;
    const bool wireless = newSetup.WirelessLan != oldSetup.WirelessLan;
    int rc = lan ? ReflectionLANConf(config, newSetup.Lan, oldSetup.Lan) : 0;
    for (const char* dir : {"wirelesslan/melco/", "wirelesslan/samsung/"}) {
        if (wireless && rc == 0) {
            rc = ReflectionWirLANConf(config, newSetup.WirelessLan, oldSetup.WirelessLan, dir);
        }
    }
    if (rc != 0) {
        TwReport(rc);
        return TW_APPLY_FATAL;
    }
    return lan || wireless || newSetup.NetworkType != oldSetup.NetworkType ? TW_CHANGED : 0;
}

int ReflectionLANConf(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old) {
    const std::string path = Dir(config, "lan/ifcfg-eth0");
    int rc = SetConfiguration(path, "BOOTPROTO", edited.AddressMode == 1 ? "none" : "dhcp",
                              SEP_EQUAL | SEP_QUOTE, true);
    if (rc == 0) {
        rc = SetAddress(edited, path);
    }
    if (rc == 0) {
        rc = SetCommonNetInfo(config, edited, old, "lan/", "ifcfg-eth0");
    }
    return rc;
}

int ReflectionWirLANConf(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old,
                         const std::string& wirelessDir) {
    const int bits = SEP_EQUAL | SEP_QUOTE;
    const std::string dir = Dir(config, wirelessDir);
    const std::string wireless = dir + "wireless.opts";
    const std::string opts = dir + "network.opts";
    std::string key = edited.CipherKey;
    if (key.compare(0, 2, "0x") == 0) {
        key = key.substr(2);
    } else if (!key.empty()) {
        key = "s:" + key;
    }
    const std::string domain = edited.DomainName;
    struct Item {
        const std::string& path;
        const char* key;
        std::string value;
    } const items[] = {
        {wireless, "ESSID", edited.Essid},
        {wireless, "KEY", key},
        {opts, "DHCP", edited.AddressMode == 1 ? "n" : "y"},
        {opts, "DNS_1", edited.NameServer[0]},
        {opts, "DNS_2", edited.NameServer[1]},
        {opts, "DNS_3", edited.NameServer[2]},
        {opts, "DOMAIN", domain},
        {opts, "SEARCH", domain},
        {opts, "GATEWAY", edited.Gateway},
    };
    for (const Item& item : items) {
        int rc = SetConfiguration(item.path, item.key, item.value, bits, true, true);
        if (rc != 0) {
            return rc;
        }
    }
    int rc = SetAddress(edited, opts);
    if (rc == 0) {
        rc = SetCommonNetInfo(config, edited, old, wirelessDir, "network.opts");
    }
    return rc;
}

int SetAddress(const NetworkConf& record, const std::string& path) {
    in_addr ip = {};
    in_addr mask = {};
    (void)ParseIpv4(record.IpAddress, ip);
    (void)ParseIpv4(record.Netmask, mask);
    uint32_t address = ntohl(ip.s_addr);
    uint32_t netmask = ntohl(mask.s_addr);
    const std::pair<const char*, std::string> values[] = {
        {"BROADCAST", FormatIpv4(address | ~netmask)},
        {"NETWORK", FormatIpv4(address & netmask)},
        {"NETMASK", record.Netmask},
        {"IPADDR", record.IpAddress},
    };
    for (const auto& [key, value] : values) {
        int rc = SetConfiguration(path, key, value, SEP_EQUAL | SEP_QUOTE, true, true);
        if (rc != 0) {
            return rc;
        }
    }
    return 0;
}

int SetCommonNetInfo(const WYConfig& config, const NetworkConf& edited, const NetworkConf& old,
                     const std::string& setDir, const std::string& interfaceFile) {
    (void)interfaceFile;
    const std::string dir = Dir(config, setDir);
    const std::string hosts = dir + "hosts";
    const std::string loopback = "localhost localhost.localdomain";
    int rc = 0;
    if (edited.AddressMode == 1) {
        if (old.AddressMode == 1) {
            rc = DeleteRow(hosts, old.IpAddress);
        }
        if (rc == 0) {
            rc = SetConfiguration(hosts, "127.0.0.1", loopback, SEP_TAB, true);
        }
        if (rc == 0) {
            rc = SetConfiguration(hosts, edited.IpAddress, edited.HostName, SEP_TAB, true);
        }
    } else {
        rc = SetConfiguration(hosts, "127.0.0.1", loopback + " " + edited.HostName, SEP_TAB, true);
        if (rc == 0 && old.AddressMode == 1) {
            rc = DeleteRow(hosts, old.IpAddress);
        }
    }
    if (rc != 0) {
        return rc;
    }
    const std::string network = dir + "network";
    rc = SetConfiguration(network, "HOSTNAME", edited.HostName, SEP_EQUAL | SEP_QUOTE, true);
    if (rc == 0) {
        rc =
            SetConfiguration(network, "GATEWAY", edited.Gateway, SEP_EQUAL | SEP_QUOTE, true, true);
    }
    if (rc == 0) {
        rc = SetConfigurationRow(dir + "hostname", edited.HostName, 1);
    }
    const std::string resolv = dir + "resolv.conf";
    if (rc == 0) {
        rc = SetNameServer(&edited, nullptr, resolv);
    }
    if (rc == 0) {
        rc = SetConfiguration(resolv, "domain", edited.DomainName, SEP_SPACE, true);
    }
    if (rc == 0) {
        rc = SetConfiguration(resolv, "search", edited.DomainName, SEP_SPACE, true);
    }
    return rc;
}

int SetNameServer(const NetworkConf* net, const DialupConf* dial, const std::string& path) {
    const std::array<std::string, 3>* slots = net    ? &net->NameServer
                                              : dial ? &dial->NameServer
                                                     : nullptr;
    int count = net ? net->NameServerCount : dial ? dial->NameServerCount : 0;
    if (slots == nullptr) {
        return TW_FAILED;
    }
    count = std::min(count, 3);
    if (count <= 0) {
        for (int i = 0; i < 3; ++i) {
            int rc = DeleteRow(path, "nameserver");
            if (rc != 0) {
                return rc;
            }
        }
        return 0;
    }
    std::string value = (*slots)[0];
    for (int i = 1; i < count; ++i) {
        value += "\nnameserver " + (*slots)[i];
    }
    return SetConfiguration(path, "nameserver", value, SEP_SPACE, true);
}

}  // namespace tw

// Network settings: the exact bytes of every network file, reading them back,
// switching between fixed addresses and DHCP, and the modify window's checks.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"

namespace {

using namespace std::string_literals;

tw::NetworkConf MakeNet(int mode, const char* host, const char* domain, const char* ip,
                        const char* mask, const char* gw, std::vector<const char*> ns) {
    tw::NetworkConf n{.AddressMode = mode,
                      .HostName = host,
                      .DomainName = domain,
                      .IpAddress = ip,
                      .Netmask = mask,
                      .Gateway = gw};
    for (const char* s : ns) {
        n.NameServer[n.NameServerCount++] = s;
    }
    return n;
}

// A configured tree, the setup as it was and as the window left it.
class TwNetworkFiles : public ::testing::Test {
  protected:
    // What the tool reads back from the tree.
    tw::TwSetup ReadBack() {
        tw::TwSetup back;
        tw::InitializeNetworkConf(config, back);
        return back;
    }
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    tw::TwSetup oldSetup, newSetup;
};

TEST_F(TwNetworkFiles, LanFixedThenDhcpExactBytesAndReadBack) {
    twtest::MessageRecorder rec;
    newSetup.Lan = MakeNet(1, "host1", "example.com", "192.168.1.10", "255.255.255.0",
                           "192.168.1.1", {"192.168.1.1", "8.8.8.8"});
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    const std::string lan = dir / "lan/";
    EXPECT_EQ(ReadFile(lan + "ifcfg-eth0"),
              "BOOTPROTO=\"none\"\nBROADCAST=\"192.168.1.255\"\nNETWORK=\"192.168.1.0\"\n"
              "NETMASK=\"255.255.255.0\"\nIPADDR=\"192.168.1.10\"\n");
    EXPECT_EQ(ReadFile(lan + "hosts"),
              "127.0.0.1\tlocalhost localhost.localdomain\n192.168.1.10\thost1\n");
    EXPECT_EQ(ReadFile(lan + "network"), "HOSTNAME=\"host1\"\nGATEWAY=\"192.168.1.1\"\n");
    EXPECT_EQ(ReadFile(lan + "hostname"), "host1\n");
    EXPECT_EQ(ReadFile(lan + "resolv.conf"),
              "nameserver 192.168.1.1\nnameserver 8.8.8.8\ndomain example.com\n"
              "search example.com\n");
    EXPECT_FALSE(testutil::Exists(dir / "wirelesslan"));
    for (const char* f : {"", "ifcfg-eth0", "hosts", "network", "hostname", "resolv.conf"}) {
        EXPECT_EQ(twtest::ModeOf(lan + f), *f ? 0644u : 0755u) << f;
    }

    EXPECT_TRUE(ReadBack().Lan == newSetup.Lan);

    // To DHCP: the old address line goes, the host name joins the loopback line.
    oldSetup = newSetup;
    newSetup.Lan.AddressMode = 0;
    newSetup.Lan.NameServerCount = 0;
    newSetup.Lan.NameServer = {};
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    EXPECT_EQ(ReadFile(lan + "hosts"), "127.0.0.1\tlocalhost localhost.localdomain host1\n");
    EXPECT_EQ(ReadFile(lan + "resolv.conf"), "domain example.com\nsearch example.com\n");
    EXPECT_NE(ReadFile(lan + "ifcfg-eth0").find("BOOTPROTO=\"dhcp\"\n"), std::string::npos);
    EXPECT_TRUE(rec.messages.empty());

    // Nothing changed but the type: still reported so the script runs.
    oldSetup = newSetup;
    newSetup.NetworkType = tw::NET_DISABLED;
    EXPECT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    oldSetup = newSetup;
    EXPECT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), 0);
}

TEST_F(TwNetworkFiles, WirelessWritesBothCardsAndReadsKeysBack) {
    newSetup.WirelessLan =
        MakeNet(0, "wl", "d.org", "10.1.2.3", "255.255.0.0", "10.1.0.1", {"1.1.1.1"});
    newSetup.WirelessLan.Essid = "my_ess";
    newSetup.WirelessLan.CipherKey = "0x0123456789";
    // The key file is the owner's alone, whatever the umask and whoever made it.
    const std::string samsung = dir / "wirelesslan/samsung/";
    testutil::MakeDirs(samsung);
    WriteFile(samsung + "wireless.opts", "ESSID=\"x\"\n", 0644);
    const mode_t mask = ::umask(0);
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    ::umask(mask);
    for (const char* card : {"wirelesslan/melco/", "wirelesslan/samsung/"}) {
        SCOPED_TRACE(card);
        const std::string d = dir / card;
        EXPECT_EQ(twtest::ModeOf(d + "wireless.opts"), 0600u);
        EXPECT_EQ(ReadFile(d + "wireless.opts"), "ESSID=\"my_ess\"\nKEY=\"0123456789\"\n");
        EXPECT_EQ(ReadFile(d + "network.opts"),
                  "DHCP=\"y\"\nDNS_1=\"1.1.1.1\"\nDNS_2=\"\"\nDNS_3=\"\"\nDOMAIN=\"d.org\"\n"
                  "SEARCH=\"d.org\"\nGATEWAY=\"10.1.0.1\"\nBROADCAST=\"10.1.255.255\"\n"
                  "NETWORK=\"10.1.0.0\"\nNETMASK=\"255.255.0.0\"\nIPADDR=\"10.1.2.3\"\n");
        EXPECT_EQ(ReadFile(d + "hosts"), "127.0.0.1\tlocalhost localhost.localdomain wl\n");
    }
    EXPECT_TRUE(ReadBack().WirelessLan == newSetup.WirelessLan);

    oldSetup = newSetup;
    newSetup.WirelessLan.CipherKey = "ab_9Z";
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    EXPECT_EQ(ReadFile(dir / "wirelesslan/samsung/wireless.opts"),
              "ESSID=\"my_ess\"\nKEY=\"s:ab_9Z\"\n");
    EXPECT_EQ(ReadBack().WirelessLan.CipherKey, "ab_9Z");
}

TEST_F(TwNetworkFiles, ReadingFallsBackAndNeverReadsPastALine) {
    twtest::MessageRecorder rec;
    testutil::MakeDirs(dir / "lan");
    WriteFile(dir / "lan/ifcfg-eth0", "BOOTPROTO=dhcp\nIPADDR=\"300.1.1.1\"\nNETMASK=x\n");
    WriteFile(
        dir / "lan/resolv.conf",
        "nameserver\nnameserver  1.2.3.4\n  nameserver\t5.6.7.8 \nnameserverX 9.9.9.9\n"
        "nameserver bad\nnameserver 10.0.0.9\0\0\nnameserver 10.0.0.1\nnameserver 10.0.0.2\n"s);
    tw::TwSetup setup = ReadBack();
    EXPECT_EQ(setup.Lan.AddressMode, 0);
    EXPECT_EQ(setup.Lan.IpAddress, "0.0.0.0");
    EXPECT_EQ(setup.Lan.Netmask, "255.255.255.0");
    EXPECT_EQ(setup.Lan.Gateway, "0.0.0.0");
    EXPECT_EQ(setup.Lan.HostName, "localhost");
    EXPECT_EQ(setup.Lan.DomainName, "localdomain");
    ASSERT_EQ(setup.Lan.NameServerCount, 3);
    EXPECT_EQ(setup.Lan.NameServer[0], "1.2.3.4");
    EXPECT_EQ(setup.Lan.NameServer[1], "5.6.7.8");
    EXPECT_EQ(setup.Lan.NameServer[2], "10.0.0.1");
    // DHCP sets read silently.
    EXPECT_TRUE(rec.messages.empty());

    // Fixed sets say what could not be read.
    WriteFile(dir / "lan/ifcfg-eth0", "BOOTPROTO=none\n");
    tw::InitializeNetworkConf(config, setup);
    EXPECT_EQ(setup.Lan.AddressMode, 1);
    EXPECT_FALSE(rec.messages.empty());
}

TEST(TwNetworkCheck, AddressEntries) {
    EXPECT_TRUE(tw::CheckAddress("010"));
    EXPECT_TRUE(tw::CheckAddress("255"));
    EXPECT_FALSE(tw::CheckAddress("256"));
    EXPECT_FALSE(tw::CheckAddress("1a"));
    EXPECT_FALSE(tw::CheckAddress(""));
    EXPECT_FALSE(tw::CheckAddress("0001"));
    std::string out;
    int bad = -1;
    EXPECT_TRUE(tw::CatAddress({"010", "0", "1", "255"}, out, &bad));
    EXPECT_EQ(out, "10.0.1.255");
    EXPECT_FALSE(tw::CatAddress({"1", "2", "256", "x"}, out, &bad));
    EXPECT_EQ(bad, 2);
    EXPECT_EQ(tw::GetAddressNo("192.168.1.10", 3), "10");
    EXPECT_EQ(tw::GetAddressNo("192.168", 3), "");

    std::vector<std::string> list = {"1.2.3.4"};
    EXPECT_EQ(tw::CheckNameServerAdd({"1", "2", "3", "04"}, list, out, &bad),
              tw::TW_NET_ADDRESS_USED);
    EXPECT_EQ(tw::CheckNameServerAdd({"1", "x", "3", "4"}, list, out, &bad),
              tw::TW_NET_BAD_NAMESERVER);
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(tw::CheckNameServerAdd({"8", "8", "8", "8"}, list, out, &bad), 0);
    EXPECT_EQ(out, "8.8.8.8");
}

TEST(TwNetworkCheck, ModifyWindowFieldsInOrder) {
    const std::array<std::string, 4> ok = {"192", "168", "1", "2"};
    struct Case {
        int type;
        int mode;
        std::string host, domain;
        std::array<std::string, 4> ip, mask, gw;
        std::string essid, key;
        int code;
        int field;
        int part;
    } cases[] = {
        {0, 1, "", "d", ok, ok, ok, "", "", tw::TW_NET_NO_HOSTNAME, tw::NET_FIELD_HOSTNAME, 0},
        {0, 1, std::string(65, 'h'), "d", ok, ok, ok, "", "", tw::TW_NET_HOSTNAME_TOO_LONG,
         tw::NET_FIELD_HOSTNAME, 0},
        {0, 1, "a.b", "d", ok, ok, ok, "", "", tw::TW_NET_BAD_HOSTNAME, tw::NET_FIELD_HOSTNAME, 0},
        {0, 1, "h", "", ok, ok, ok, "", "", tw::TW_NET_NO_DOMAINNAME, tw::NET_FIELD_DOMAINNAME, 0},
        {0, 1, "h", std::string(65, 'd'), ok, ok, ok, "", "", tw::TW_NET_DOMAINNAME_TOO_LONG,
         tw::NET_FIELD_DOMAINNAME, 0},
        {0, 1, "h", "a_b", ok, ok, ok, "", "", tw::TW_NET_BAD_DOMAINNAME, tw::NET_FIELD_DOMAINNAME,
         0},
        {0,
         1,
         "h",
         "d",
         {"1", "2", "3", "256"},
         ok,
         ok,
         "",
         "",
         tw::TW_NET_BAD_IPADDRESS,
         tw::NET_FIELD_IPADDRESS,
         3},
        {0,
         1,
         "h",
         "d",
         ok,
         {"", "2", "3", "4"},
         ok,
         "",
         "",
         tw::TW_NET_BAD_NETMASK,
         tw::NET_FIELD_NETMASK,
         0},
        {0,
         1,
         "h",
         "d",
         ok,
         ok,
         {"1", "2a", "3", "4"},
         "",
         "",
         tw::TW_NET_BAD_GATEWAY,
         tw::NET_FIELD_GATEWAY,
         1},
        {0, 0, "h", "d", {"x"}, {"x"}, {"x"}, "", "", 0, tw::NET_FIELD_NONE, 0},
        {1, 0, "h", "d", ok, ok, ok, std::string(33, 'e'), "", tw::TW_NET_ESSID_TOO_LONG,
         tw::NET_FIELD_ESSID, 0},
        {1, 0, "h", "d", ok, ok, ok, "my-ess", "", tw::TW_NET_BAD_ESSID, tw::NET_FIELD_ESSID, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "abcdef", tw::TW_NET_STRKEY_TOO_LONG,
         tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "abcd", tw::TW_NET_STRKEY_TOO_SHORT,
         tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "ab-de", tw::TW_NET_BAD_KEY, tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "0x012345678", tw::TW_NET_HEXKEY_TOO_SHORT,
         tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "0x01234567890", tw::TW_NET_HEXKEY_TOO_LONG,
         tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "0x012345678g", tw::TW_NET_BAD_KEY,
         tw::NET_FIELD_CIPHERKEY, 0},
        {1, 0, "h", "d", ok, ok, ok, "ess_1", "0x0123456789", 0, tw::NET_FIELD_NONE, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "abcde", 0, tw::NET_FIELD_NONE, 0},
        {1, 0, "h", "d", ok, ok, ok, "", "", 0, tw::NET_FIELD_NONE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host + "|" + c.domain + "|" + c.essid + "|" + c.key);
        tw::NetworkConf record;
        tw::NetworkConf scratch = record;
        scratch.AddressMode = c.mode;
        tw::NetForm form{c.host, c.domain, c.ip, c.mask, c.gw, c.essid, c.key, {"9.9.9.9"}};
        tw::NetFocus focus;
        int asked = 0;
        auto confirm = [&](int kind, const std::string& text) {
            EXPECT_EQ(kind, 0);
            EXPECT_EQ(text, c.key);
            ++asked;
            return 1;
        };
        EXPECT_EQ(tw::CheckNetworkConf(record, scratch, form, c.type, confirm, &focus), c.code);
        EXPECT_EQ(focus.field, c.field);
        EXPECT_EQ(focus.part, c.part);
        if (c.code == 0) {
            EXPECT_EQ(record.HostName, "h");
            EXPECT_EQ(record.NameServerCount, 1);
            EXPECT_EQ(asked, c.type == 1 && !c.key.empty() ? 1 : 0);
            EXPECT_EQ(record.IpAddress, c.mode == 1 ? "192.168.1.2" : "");
        } else {
            EXPECT_EQ(record.HostName, "");
        }
    }
    // A cancelled key confirmation keeps the window open without a message.
    tw::NetworkConf record;
    tw::NetworkConf scratch = record;
    tw::NetForm form{"h", "d", ok, ok, ok, "", "abcde", {}};
    EXPECT_EQ(tw::CheckNetworkConf(
                  record, scratch, form, tw::NET_WIRELESS,
                  [](int, const std::string&) { return 0; }, nullptr),
              tw::TW_NET_SILENT);
}

}  // namespace

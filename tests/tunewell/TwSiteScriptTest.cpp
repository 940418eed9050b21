// The reference site scripts install what Tunewell wrote into the system.
// Each runs as root in a private mount namespace whose /etc is a copy kept in
// the test's directory, so the machine's own files are never touched and a
// second apply sees what the first one left.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwNetwork.h"

namespace {

using testutil::Exists;
using twtest::ModeOf;

std::string ScriptDir() {
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/tunewell/")) + "/data/tunewell/";
}

// The lines the scripts own in a shared file, around what Tunewell wrote.
std::string Block(const std::string& lines) {
    return "# BEGIN tunewell\n" + lines + "# END tunewell\n";
}

// A configuration tree in cfg/ and the private /etc in etc/.
class TwSiteScripts : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testutil::CanUnshareMounts()) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        testutil::MakeDirs(dir / "cfg");
        testutil::MakeDirs(etc);
        ASSERT_EQ(testutil::Shell("cp -a /etc/. '" + etc + "'/ 2>/dev/null; test -e '" + etc +
                                  "/passwd'"),
                  0);
    }
    // Runs `script arg` with WYCFG=cfg/ under the private /etc and `umask`;
    // its standard error goes to err.  The script's exit status.
    int Run(const char* script, const std::string& arg, const char* umask = "022") {
        const std::string inner = "mount --bind '" + etc + "' /etc && umask " + umask +
                                  " && PATH='" + (dir / "bin") + "':\\$PATH WYCFG='" + dir / "cfg" +
                                  "' '" + ScriptDir() + script + "' " + arg + " 2>'" + err + "'";
        return testutil::Shell("unshare -m --propagation private sh -c \"" + inner + "\"");
    }
    TempDir dir;
    const std::string etc = dir / "etc";
    const std::string err = dir / "err";
    tw::TwSetup oldSetup, newSetup;
};

TEST_F(TwSiteScripts, DialupScriptInstallsThePppFilesWithTheirModes) {
    WriteFile(dir / "cfg/wycfg.dat", "DIALUP=phs\n");
    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    newSetup.Phs.PhoneNumber = "0312";
    newSetup.Phs.Account = "user";
    newSetup.Phs.Password = "secret";
    newSetup.Phs.AuthType = tw::AUTH_CHAP;
    newSetup.Phs.NameServer[0] = "10.0.0.53";
    newSetup.Phs.NameServerCount = 1;
    ASSERT_EQ(tw::ReflectionDialupConf(config, oldSetup, newSetup, tw::TwPaths()), tw::TW_CHANGED);
    const std::string src = dir / "cfg/dialup/phs";
    const std::string mark = "# Written by tunewell-dialup from " + src + "\n";
    ::unlink((etc + "/ppp/options").c_str());

    ASSERT_EQ(Run("tunewell-dialup", ""), 0) << ReadFile(err);
    // Ringout reads the device from line 1 and the "# DeviceName" line.
    EXPECT_EQ(ReadFile(etc + "/ppp/options"),
              "/dev/ttyS0\n115200\nname user\n# DeviceName PHS\n" + mark +
                  "connect /etc/ppp/chat_script\n"
                  "crtscts\nmodem\nlock\nnoauth\nnoipdefault\ndefaultroute\nusepeerdns\n");
    const std::string chat = ReadFile(src + "/chat_script");
    EXPECT_EQ(ReadFile(etc + "/ppp/chat_script"),
              chat.substr(0, chat.find('\n') + 1) + mark + chat.substr(chat.find('\n') + 1));
    EXPECT_NE(ReadFile(etc + "/ppp/chap-secrets").find(Block("user * secret\n")),
              std::string::npos);
    EXPECT_EQ(ReadFile(etc + "/ppp/resolv.conf"), mark + "nameserver 10.0.0.53\n");
    EXPECT_EQ(ModeOf(etc + "/ppp/options"), 0644u);
    EXPECT_EQ(ModeOf(etc + "/ppp/chat_script"), 0700u);
    EXPECT_FALSE(Exists(etc + "/ppp/options.tunewell-orig"));
    // The machine's own files are untouched.
    EXPECT_EQ(ReadFile("/etc/ppp/chap-secrets").find("user * secret"), std::string::npos);

    // Nothing written for the device yet: refused with a message, nothing installed.
    WriteFile(dir / "cfg/wycfg.dat", "DIALUP=pdc\n");
    EXPECT_NE(Run("tunewell-dialup", ""), 0);
    EXPECT_EQ(ReadFile(err).rfind("tunewell-dialup: ", 0), 0u) << ReadFile(err);
}

// Applies that switch the login method over a system whose PPP files hold
// other providers' secrets and the distribution's options.  Every apply must
// keep the foreign lines byte for byte, hold one block of the suite's own,
// keep the credentials installed at every step on the way (the fake `sync`
// looks at each one) and give the secrets owner-only modes whatever the umask.
TEST_F(TwSiteScripts, DialupAppliesKeepForeignSecretsAndCredentialsAtEveryStep) {
    const std::string pap =
        "# Secrets for authentication using PAP\n# client\tserver\tsecret\tIP addresses\n"
        "vpnuser\tvpn.example\t\"vpnpass\"\t*\n\nisp2 * isp2pass";
    const std::string chap = "# other provider\nother\t*\tchappass\t*\n";
    const std::string options = "# distribution's options\nasyncmap 0\nauth\nlock\n";
    testutil::MakeDirs(etc + "/ppp");
    WriteFile(etc + "/ppp/pap-secrets", pap, 0600);
    WriteFile(etc + "/ppp/chap-secrets", chap, 0644);  // made owner-only on the first apply
    WriteFile(etc + "/ppp/options", options, 0644);
    ::unlink((etc + "/ppp/chat_script").c_str());
    ::unlink((etc + "/ppp/options.tunewell-orig").c_str());
    testutil::MakeDirs(dir / "bin");
    WriteFile(dir / "bin/sync",
              "#!/bin/sh\nif grep -qs 'top.secret' /etc/ppp/pap-secrets /etc/ppp/chap-secrets "
              "/etc/ppp/chat_script; then echo held; else echo LOST; fi >> '" +
                  (dir / "checkpoints") + "'\nexec /bin/sync \"$@\"\n",
              0755);

    WriteFile(dir / "cfg/wycfg.dat", "DIALUP=modem\n");
    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    newSetup.Modem.PhoneNumber = "0312";
    newSetup.Modem.Account = "me";
    newSetup.Modem.Password = "top.secret";
    const struct {
        int auth;
        const char* umask;
    } steps[] = {{tw::AUTH_PAP, "000"},    {tw::AUTH_PAP, "077"}, {tw::AUTH_CHAP, "000"},
                 {tw::AUTH_SCRIPT, "077"}, {tw::AUTH_PAP, "000"}, {tw::AUTH_SCRIPT, "000"}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + ", umask " + steps[i].umask);
        newSetup.Modem.AuthType = steps[i].auth;
        ASSERT_NE(tw::ReflectionDialupConf(config, oldSetup, newSetup, tw::TwPaths()),
                  tw::TW_APPLY_FATAL);
        oldSetup = newSetup;
        ::unlink((dir / "checkpoints").c_str());
        ASSERT_EQ(Run("tunewell-dialup", "", steps[i].umask), 0) << ReadFile(err);

        const std::string ours = Block("me * top.secret\n");
        EXPECT_EQ(ReadFile(etc + "/ppp/pap-secrets"),
                  (steps[i].auth == tw::AUTH_PAP ? ours : "") + pap);
        EXPECT_EQ(ReadFile(etc + "/ppp/chap-secrets"),
                  (steps[i].auth == tw::AUTH_CHAP ? ours : "") + chap);
        EXPECT_EQ(ModeOf(etc + "/ppp/pap-secrets"), 0600u);
        EXPECT_EQ(ModeOf(etc + "/ppp/chap-secrets"), 0600u);
        EXPECT_EQ(ModeOf(etc + "/ppp/chat_script"), 0700u);
        EXPECT_EQ(ModeOf(etc + "/ppp/options"), 0644u);
        EXPECT_EQ(ReadFile(etc + "/ppp/options").rfind("/dev/ttyS14\n", 0), 0u);
        EXPECT_EQ(ReadFile(etc + "/ppp/options.tunewell-orig"), options);
        const std::string seen = Exists(dir / "checkpoints") ? ReadFile(dir / "checkpoints") : "";
        if (i > 0 && steps[i].auth != steps[i - 1].auth) {
            EXPECT_NE(seen, "") << "nothing was synced to disk";
            EXPECT_EQ(seen.find("LOST"), std::string::npos) << seen;
        }
    }

    // A begin line without its end: the suite cannot tell its lines from
    // others', so the file stays as it is and the apply fails with a message.
    const std::string broken = "# BEGIN tunewell\nme * old\nvpn * keep\n";
    WriteFile(etc + "/ppp/pap-secrets", broken, 0600);
    EXPECT_NE(Run("tunewell-dialup", ""), 0);
    EXPECT_EQ(ReadFile(err).rfind("tunewell-dialup: /etc/ppp/pap-secrets", 0), 0u) << ReadFile(err);
    EXPECT_EQ(ReadFile(etc + "/ppp/pap-secrets"), broken);
}

TEST_F(TwSiteScripts, NetworkScriptInstallsTheSetInUse) {
    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    newSetup.Lan.AddressMode = 1;
    newSetup.Lan.HostName = "box";
    newSetup.Lan.DomainName = "example.org";
    newSetup.Lan.IpAddress = "192.168.5.7";
    newSetup.Lan.Netmask = "255.255.255.0";
    newSetup.Lan.Gateway = "192.168.5.1";
    newSetup.Lan.NameServer[0] = "192.168.5.1";
    newSetup.Lan.NameServerCount = 1;
    ASSERT_EQ(tw::ReflectionWYConfig(config, newSetup), 0);
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);
    const std::string mark = "# Written by tunewell-network from " + (dir / "cfg/lan") + "\n";

    ASSERT_EQ(Run("tunewell-network", "6"), 0) << ReadFile(err);
    EXPECT_EQ(ReadFile(etc + "/hostname"), "box\n");
    const std::string hostsBlock =
        Block("127.0.0.1\tlocalhost localhost.localdomain\n192.168.5.7\tbox\n");
    EXPECT_EQ(ReadFile(etc + "/hosts").rfind(hostsBlock, 0), 0u);
    EXPECT_EQ(ReadFile(etc + "/resolv.conf"),
              mark + "nameserver 192.168.5.1\ndomain example.org\nsearch example.org\n");
    EXPECT_EQ(ReadFile(etc + "/network/interfaces.d/tunewell"),
              mark +
                  "auto eth0\niface eth0 inet static\n    address 192.168.5.7\n"
                  "    netmask 255.255.255.0\n    gateway 192.168.5.1\n");
    EXPECT_NE(ReadFile("/etc/hostname"), "box\n");
    EXPECT_NE(Run("tunewell-network", "x"), 0);
}

// Applies of a LAN and then a wireless set over a distribution's hosts (IPv6
// lines, a comment, a blank line, a last line without newline, mode 0640),
// host name and resolver: the hosts lines not the suite's stay byte for byte
// with one block of its own first, the originals of the whole files are kept
// once, and the stanza that carries the wireless key is owner-only whatever
// the umask.
TEST_F(TwSiteScripts, NetworkAppliesKeepForeignHostsLinesAndTheOriginals) {
    const std::string hosts =
        "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n\n# multicast\n"
        "ff02::1\tip6-allnodes\nff02::2\tip6-allrouters";
    WriteFile(etc + "/hosts", hosts, 0640);
    WriteFile(etc + "/hostname", "debian\n", 0644);
    ::unlink((etc + "/resolv.conf").c_str());
    WriteFile(etc + "/resolv.conf", "nameserver 9.9.9.9\n", 0644);

    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    for (tw::NetworkConf* set : {&newSetup.Lan, &newSetup.WirelessLan}) {
        set->DomainName = "example.org";
        set->Netmask = "255.255.255.0";
    }
    newSetup.WirelessLan.CipherKey = "ab_9Z";
    const struct {
        int type;
        const char* host;
        const char* umask;
        const char* hostsBlock;
        const char* keyLine;  // in the stanza, or null for none
    } steps[] = {
        {tw::NET_LAN, "box", "000", "127.0.0.1\tlocalhost localhost.localdomain box\n", nullptr},
        {tw::NET_WIRELESS, "cab", "077", "127.0.0.1\tlocalhost localhost.localdomain cab\n",
         "    wireless-key s:ab_9Z\n"},
        {tw::NET_WIRELESS, "cab2", "000", "127.0.0.1\tlocalhost localhost.localdomain cab2\n",
         "    wireless-key s:ab_9Z\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.host) + ", umask " + step.umask);
        newSetup.NetworkType = step.type;
        newSetup.Lan.HostName = step.host;
        newSetup.WirelessLan.HostName = step.host;
        ASSERT_EQ(tw::ReflectionWYConfig(config, newSetup), 0);
        ASSERT_NE(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_APPLY_FATAL);
        oldSetup = newSetup;
        ASSERT_EQ(Run("tunewell-network", "6", step.umask), 0) << ReadFile(err);

        EXPECT_EQ(ReadFile(etc + "/hosts"), Block(step.hostsBlock) + hosts);
        EXPECT_EQ(ModeOf(etc + "/hosts"), 0640u);
        EXPECT_EQ(ReadFile(etc + "/hostname"), std::string(step.host) + "\n");
        EXPECT_EQ(ReadFile(etc + "/hostname.tunewell-orig"), "debian\n");
        EXPECT_EQ(ReadFile(etc + "/resolv.conf.tunewell-orig"), "nameserver 9.9.9.9\n");
        EXPECT_EQ(ModeOf(etc + "/resolv.conf"), 0644u);
        const std::string stanza = ReadFile(etc + "/network/interfaces.d/tunewell");
        EXPECT_EQ(stanza.find(step.keyLine ? step.keyLine : "wireless-key") != std::string::npos,
                  step.keyLine != nullptr)
            << stanza;
        EXPECT_EQ(ModeOf(etc + "/network/interfaces.d/tunewell"), 0600u);
        EXPECT_FALSE(Exists(etc + "/network/interfaces.d/tunewell.tunewell-orig"));
    }
}

}  // namespace

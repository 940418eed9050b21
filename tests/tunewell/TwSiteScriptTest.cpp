// The reference site scripts install what Tunewell wrote into the system.
// Each runs as root in a private mount namespace whose /etc is a private
// copy, so the machine's own files are never touched.
#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwNetwork.h"

namespace {

using twtest::ModeOf;

std::string ScriptDir() {
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/tunewell/")) + "/data/tunewell/";
}

// A configuration tree in cfg/, and out/ for what a script installed.
class TwSiteScripts : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testutil::CanUnshareMounts()) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        testutil::MakeDirs(dir / "cfg");
    }
    // Runs `script arg` with WYCFG=cfg/ under a private /etc; copies `wanted`
    // (paths below /etc) into out/ afterwards.  The script's exit status.
    int Run(const char* script, const std::string& arg, const std::vector<std::string>& wanted) {
        std::string copyOut;
        for (const std::string& w : wanted) {
            copyOut += "cp -a /etc/" + w + " '" + out + "'/ 2>/dev/null || true; ";
        }
        const std::string etc = dir / "etcfs";
        testutil::MakeDirs(etc);
        testutil::MakeDirs(out);
        const std::string inner = "mount --make-rprivate / && mount -t tmpfs tmpfs '" + etc +
                                  "' && (cp -a /etc/. '" + etc + "'/ 2>/dev/null; true) && " +
                                  "mount --bind '" + etc + "' /etc && WYCFG='" + dir / "cfg" +
                                  "' '" + ScriptDir() + script + "' " + arg + "; rc=\\$?; " +
                                  copyOut + "exit \\$rc";
        return testutil::Shell("unshare -m sh -c \"" + inner + "\"");
    }
    TempDir dir;
    const std::string out = dir / "out";
    tw::TwSetup oldSetup = twtest::ClearedSetup(), newSetup = oldSetup;
};

TEST_F(TwSiteScripts, DialupScriptInstallsThePppFilesWithTheirModes) {
    WriteFile(dir / "cfg/wycfg.dat", "DIALUP=phs\n");
    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    tw::SetField(newSetup.Phs.PhoneNumber, "0312");
    tw::SetField(newSetup.Phs.Account, "user");
    tw::SetField(newSetup.Phs.Password, "secret");
    newSetup.Phs.AuthType = tw::AUTH_CHAP;
    tw::SetField(newSetup.Phs.NameServer[0], "10.0.0.53");
    newSetup.Phs.NameServerCount = 1;
    ASSERT_EQ(tw::ReflectionDialupConf(config, oldSetup, newSetup, tw::TwPaths()), tw::TW_CHANGED);

    ASSERT_EQ(Run("tunewell-dialup", "", {"ppp"}), 0);
    EXPECT_EQ(ReadFile(out + "/ppp/options"),
              "/dev/ttyS0\n115200\nname user\n# DeviceName PHS\nconnect /etc/ppp/chat_script\n"
              "crtscts\nmodem\nlock\nnoauth\nnoipdefault\ndefaultroute\nusepeerdns\n");
    EXPECT_EQ(ReadFile(out + "/ppp/chat_script"), ReadFile(dir / "cfg/dialup/phs/chat_script"));
    EXPECT_EQ(ReadFile(out + "/ppp/chap-secrets"), "user * secret\n");
    EXPECT_EQ(ReadFile(out + "/ppp/pap-secrets"), "");
    EXPECT_EQ(ReadFile(out + "/ppp/resolv.conf"), "nameserver 10.0.0.53\n");
    EXPECT_EQ(ModeOf(out + "/ppp/options"), 0644u);
    EXPECT_EQ(ModeOf(out + "/ppp/chat_script"), 0700u);
    EXPECT_EQ(ModeOf(out + "/ppp/chap-secrets"), 0600u);
    EXPECT_EQ(ModeOf(out + "/ppp/pap-secrets"), 0600u);
    // The machine's own files are untouched.
    EXPECT_EQ(ReadFile("/etc/ppp/chap-secrets").find("user * secret"), std::string::npos);

    // Nothing written for the device yet: refused, nothing installed.
    WriteFile(dir / "cfg/wycfg.dat", "DIALUP=pdc\n");
    EXPECT_NE(Run("tunewell-dialup", "", {}), 0);
}

TEST_F(TwSiteScripts, NetworkScriptInstallsTheSetInUse) {
    tw::WYConfig config = twtest::MakeConfig(dir / "cfg");
    newSetup.Lan.AddressMode = 1;
    tw::SetField(newSetup.Lan.HostName, "box");
    tw::SetField(newSetup.Lan.DomainName, "example.org");
    tw::SetField(newSetup.Lan.IpAddress, "192.168.5.7");
    tw::SetField(newSetup.Lan.Netmask, "255.255.255.0");
    tw::SetField(newSetup.Lan.Gateway, "192.168.5.1");
    tw::SetField(newSetup.Lan.NameServer[0], "192.168.5.1");
    newSetup.Lan.NameServerCount = 1;
    ASSERT_EQ(tw::ReflectionWYConfig(config, newSetup), 0);
    ASSERT_EQ(tw::ReflectionNetworkConf(config, oldSetup, newSetup), tw::TW_CHANGED);

    ASSERT_EQ(Run("tunewell-network", "6",
                  {"hostname", "hosts", "resolv.conf", "network/interfaces.d/tunewell"}),
              0);
    EXPECT_EQ(ReadFile(out + "/hostname"), "box\n");
    EXPECT_EQ(ReadFile(out + "/hosts"),
              "127.0.0.1\tlocalhost localhost.localdomain\n"
              "192.168.5.7\tbox\n");
    EXPECT_EQ(ReadFile(out + "/resolv.conf"),
              "nameserver 192.168.5.1\ndomain example.org\nsearch example.org\n");
    EXPECT_EQ(ReadFile(out + "/tunewell"),
              "# Written by tunewell-network from " + (dir / "cfg/lan") +
                  "\nauto eth0\niface eth0 inet static\n    address 192.168.5.7\n"
                  "    netmask 255.255.255.0\n    gateway 192.168.5.1\n");
    EXPECT_EQ(ModeOf(out + "/hosts"), 0644u);
    EXPECT_NE(ReadFile("/etc/hostname"), "box\n");
    EXPECT_NE(Run("tunewell-network", "x", {}), 0);
}

}  // namespace

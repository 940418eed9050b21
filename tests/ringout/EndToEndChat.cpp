// End to end: the chat script the configuration tool writes, run by the real
// chat program under a fake daemon against a pseudo-terminal that answers as
// a modem, until the dialer shows the connection.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include "../tunewell/FakeModem.h"
#include "GuiDriverSupport.h"
#include "ProcTreeSupport.h"
#include "TestUtil.h"
#include "ringout/RoCallbacks.h"
#include "tunewell/TwDialup.h"

namespace {

using modemtest::FakeModem;
using testutil::TempDir;
using testutil::WriteFile;

TEST(RingoutEndToEnd, ToolsChatScriptDialsAFakeModemAndTheLinkComesUp) {
    if (::access("/usr/sbin/chat", X_OK) != 0) {
        GTEST_SKIP() << "the chat program is not installed";
    }
    TempDir dir;
    const rotest::DaemonGuard daemon(dir / "pppd.pid");
    FakeModem modem;
    ASSERT_FALSE(modem.SlavePath().empty());

    // The script exactly as the configuration tool writes it for a modem.
    tw::WYConfig config{};
    config.ModemDevice = "/dev/ttyS14";
    tw::DialupConf record{};
    record.PhoneNumber = "0312345678";
    record.AtCommand = "X3";
    record.AuthType = tw::AUTH_CHAP;
    const std::string script = tw::MakeChatScript(config, tw::DIAL_MODEM, record, tw::TwPaths{});
    ASSERT_NE(std::string::npos, script.find("exec /usr/sbin/chat -v"));

    ro::RingoutOptions options = rotest::OptionsIn(dir);
    WriteFile(options.paths.options, "/dev/ttyS14 115200\nname someone\n");
    WriteFile(options.paths.chatScript, script, 0755);
    // The daemon's part: run the connect script on the line, then the
    // interface carries traffic until SIGINT.
    WriteFile(options.paths.pppd,
              "#!/bin/sh\necho $$ > " + (dir / "pppd.pid") + "\ntrap 'exit 0' INT\n/bin/sh " +
                  options.paths.chatScript + " < " + modem.SlavePath() + " > " + modem.SlavePath() +
                  " || exit 1\nprintf '  ppp0: 2100 16 0 0 0 0 0 0 880 11 0 0\\n' > " +
                  options.paths.netDev + "\nwhile :; do sleep 0.05; done\n",
              0755);

    rotest::Scenario scenario;
    scenario.Click("Ringout", "Start")
        .Then("the time counts", rotest::LabelMatches("Ringout", "Stop ", "00:00:0[1-9] Connect"),
              nullptr)
        .Click("Ringout", "Stop ")
        .Click("System Closed", "OK")
        .Then(
            "stopped", [] { return rotest::WindowWith("Ringout", "Connect ") != nullptr; },
            [] { rotest::SendDeleteTo("Ringout"); })
        .Click("System Closed", "OK");
    scenario.Start(std::chrono::seconds(40));
    EXPECT_EQ(0, ro::RingoutMain(options));
    EXPECT_TRUE(scenario.Done());

    const std::vector<std::string> commands = modem.Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ("AT+GCI=B5&F", commands.front());
    EXPECT_EQ("ATX3", commands[1]);
    EXPECT_EQ("ATDT0312345678", commands.back());

    EXPECT_FALSE(rotest::Alive(rotest::PidFromFile(dir / "pppd.pid")));
}

}  // namespace

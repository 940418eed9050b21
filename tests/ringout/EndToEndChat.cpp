// End to end: the chat script the configuration tool writes, run by the real
// chat program under a fake daemon against a pseudo-terminal that answers as
// a modem, until the dialer shows the connection.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <regex>
#include <thread>

#include "GuiDriverSupport.h"
#include "ProcTreeSupport.h"
#include "TestUtil.h"
#include "ringout/RoCallbacks.h"
#include "tunewell/TwDialup.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

// A modem on the master side of a pseudo-terminal: "OK" to every AT
// command, "CONNECT" to a dial command.
class FakeModem {
  public:
    FakeModem() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return;
        }
        slavePath_ = ::ptsname(master_);
        // Held open so that the line stays up between the dialler's opens;
        // raw, so nothing is echoed back as if the modem had said it.
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave_, TCSANOW, &tio);
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeModem() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    const std::string& SlavePath() const { return slavePath_; }
    std::vector<std::string> Commands() {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

  private:
    void Serve() {
        std::string line;
        while (!stop_) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0 || (pfd.revents & POLLIN) == 0) {
                continue;
            }
            char buffer[256];
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got <= 0) {
                continue;
            }
            for (ssize_t i = 0; i < got; ++i) {
                const char c = buffer[i];
                if (c != '\r' && c != '\n') {
                    line += c;
                    continue;
                }
                if (line.empty()) {
                    continue;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    commands_.push_back(line);
                }
                const char* answer =
                    line.find("ATD") != std::string::npos ? "\r\nCONNECT 115200\r\n" : "\r\nOK\r\n";
                if (::write(master_, answer, std::strlen(answer)) < 0) {
                    ADD_FAILURE() << "modem could not answer";
                }
                line.clear();
            }
        }
    }

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> commands_;
};

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
    std::strcpy(config.ModemDevice, "/dev/ttyS14");
    tw::DialupConf record{};
    std::strcpy(record.PhoneNumber, "0312345678");
    std::strcpy(record.AtCommand, "X3");
    record.AuthType = tw::AUTH_CHAP;
    const std::string script = tw::MakeChatScript(config, tw::DIAL_MODEM, record, tw::TwPaths{});
    ASSERT_NE(std::string::npos, script.find("exec /usr/sbin/chat -v"));

    ro::RingoutOptions options;
    options.paths.options = dir / "options";
    options.paths.chatScript = dir / "chat_script";
    options.paths.pppd = dir / "pppd";
    options.paths.netDev = dir / "netdev";
    options.instanceProcRoot = dir / "instances";
    options.becomeRoot = [] { return true; };
    testutil::MakeDirs(options.instanceProcRoot);
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
        .Then(
            "the time counts",
            [] {
                Gtk::Window* window = rotest::WindowWith("Ringout", "Stop ");
                return window != nullptr && std::regex_match(rotest::LabelText(window),
                                                             std::regex("00:00:0[1-9] Connect"));
            },
            [] { rotest::ButtonNamed(rotest::WindowWith("Ringout", "Stop "), "Stop ")->clicked(); })
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

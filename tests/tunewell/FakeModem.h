// A modem on the master side of a pseudo-terminal, answering from a thread of
// its own: "OK" to every command, "CONNECT" to a dial command and, when it
// asks for a login, "login:" then "Password:".  It records every line it was
// sent, and what was left unfinished at the end (a stray "dc" would land there).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace modemtest {

class FakeModem {
  public:
    explicit FakeModem(bool login = false) : login_(login) {
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
        Stop();
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    FakeModem(const FakeModem&) = delete;
    FakeModem& operator=(const FakeModem&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    // Stops answering; the lines so far stay.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::vector<std::string> Commands() {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

  private:
    void Serve() {
        std::string line;
        int afterDial = -1;  // lines since the dial command
        while (true) {
            pollfd pfd{master_, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, 50);
            char buffer[256];
            const ssize_t got =
                ready > 0 && (pfd.revents & POLLIN) ? ::read(master_, buffer, sizeof buffer) : 0;
            if (got <= 0 && stop_) {
                break;
            }
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] != '\r' && buffer[i] != '\n') {
                    line += buffer[i];
                    continue;
                }
                if (line.empty()) {
                    continue;
                }
                Record(line);
                const char* answer = "\r\nOK\r\n";
                if (afterDial >= 0) {
                    answer = ++afterDial == 1 && login_ ? "\r\nPassword: " : "";
                } else if (line.find("ATD") != std::string::npos) {
                    afterDial = 0;
                    answer =
                        login_ ? "\r\nCONNECT 115200\r\n\r\nlogin: " : "\r\nCONNECT 115200\r\n";
                }
                if (::write(master_, answer, std::strlen(answer)) < 0) {
                    ADD_FAILURE() << "modem could not answer";
                }
                line.clear();
            }
        }
        if (!line.empty()) {
            Record("<partial>" + line);
        }
    }
    void Record(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(line);
    }

    const bool login_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> commands_;
};

}  // namespace modemtest

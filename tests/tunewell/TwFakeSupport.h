// Test doubles for the configuration tool's core: a recorder for the messages
// it shows, a clock that only pretends, and a configured tree.
#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "tunewell/TwConfig.h"
#include "tunewell/TwTable.h"

namespace twtest {

// Records every message while it lives.
class MessageRecorder {
  public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<std::pair<int, std::string>> messages;
    // Codes only, for short assertions.
    std::vector<int> Codes() const;

  private:
    tw::TwMessageHandler previous_;
};

class FakeClock : public tw::TwClock {
  public:
    explicit FakeClock(time_t start) : now_(start) {}
    time_t now() const override { return now_; }
    int set(time_t epoch) override {
        if (failWith != 0) {
            return failWith;
        }
        now_ = epoch;
        sets.push_back(epoch);
        return 0;
    }
    void Advance(time_t seconds) { now_ += seconds; }

    std::vector<time_t> sets;
    int failWith = 0;

  private:
    time_t now_;
};

// A WYConfig for `dir` (tree root set, defaults read from wycfg.dat there).
tw::WYConfig MakeConfig(const std::string& dir);

// Paths of a fake system below `root`: zoneinfo with a few zones (copies of
// the real ones), zone.tab, etc/sysconfig/clock, etc/localtime.
tw::TwPaths MakeSystem(const std::string& root);

// Keeps TZ as it was for the process.
class TzGuard {
  public:
    TzGuard();
    ~TzGuard();
    TzGuard(const TzGuard&) = delete;
    TzGuard& operator=(const TzGuard&) = delete;

  private:
    bool had_;
    std::string value_;
};

}  // namespace twtest

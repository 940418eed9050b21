// Test doubles for the configuration tool's core: a recorder for the messages
// it shows, a clock that only pretends, and a configured tree.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "tunewell/TwConfig.h"
#include "tunewell/TwTable.h"

// Every core test works on files in a temporary tree.
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace twtest {

// Permission bits of `path` (0 when it is missing).
inline mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

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

// A clock that never touches the machine's.
class FakeClock : public tw::TwClock {
  public:
    explicit FakeClock(time_t start = 1700000000) : now_(start) {}  // 2023-11-14 22:13:20 UTC
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

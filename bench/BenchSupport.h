// What the benchmarks share: a scratch directory removed at the end, the
// wall and processor clocks, medians, running the main loop dry, and the
// file manager's window opened the way the program opens it.
#pragma once

#include <fcntl.h>
#include <glib.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Wall seconds `work` takes.
inline double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// This process's processor time: on a shared, loaded machine the wall
// clock mostly measures the other processes.
inline double CpuMs() {
    struct timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds the reference command takes; a failure is reported as
// `name` failed, and the time is still returned.
inline double ShellMs(const std::string& command, const char* name) {
    const auto t0 = Clock::now();
    const int rc = std::system(command.c_str());
    const double ms = Ms(t0, Clock::now());
    if (rc != 0) {
        std::fprintf(stderr, "%s failed\n", name);
    }
    return ms;
}

// ours / theirs, or 0 when the reference took no measurable time.
inline double Ratio(double ours, double theirs) {
    return theirs > 0 ? ours / theirs : 0.0;
}

// Runs every pending event, so what was asked for has been drawn.
inline void Pump() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

// Makes the file `path` (left alone when it exists) with `content` in it.
inline void Touch(const std::string& path, const std::string& content = "") {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0) {
        if (!content.empty() && ::write(fd, content.data(), content.size()) < 0) {
            std::perror("write");
        }
        ::close(fd);
    }
}

// A fresh directory <parent>/<prefix>XXXXXX, removed with everything in it
// when the benchmark ends; path() is empty when it could not be made.
class TempDir {
  public:
    TempDir(const std::string& parent, const std::string& prefix) {
        std::string tmpl = parent + "/" + prefix + "XXXXXX";
        path_ = ::mkdtemp(tmpl.data()) != nullptr ? tmpl : std::string();
    }
    ~TempDir() {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace bench

// The window benchmarks of the file manager define this before including.
#ifdef BENCH_RUMMAGE_WINDOW
#include <gtkmm.h>
#include <sys/stat.h>

#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"

namespace bench {

// A scratch tree for the file manager: <base>/home/ holding an empty
// directory big/ for the benchmark to fill; not ok, and said so, when it
// could not be made.
struct RummageTree {
    explicit RummageTree(const char* prefix) : base("/tmp", prefix) {
        ok = !base.path().empty() && ::mkdir(home.c_str(), 0755) == 0 &&
             ::mkdir(dir.c_str(), 0755) == 0;
        if (!ok) {
            std::perror("scratch tree");
        }
    }
    TempDir base;
    std::string home = base.path() + "/home/";
    std::string dir = home + "big/";
    bool ok = false;
};

// The main window with its settings under `settingsDir` and HOME at `home`,
// shown and listing its start directory; null if it cannot be built.
inline Gtk::Window* OpenRummageWindow(const std::string& settingsDir, const std::string& home) {
    setenv("HOME", home.c_str(), 1);
    if (rmg::InitGlobalTable(settingsDir) != 0) {
        return nullptr;
    }
    std::vector<std::string> args = {"rummage"};
    rmg::SetupStartDirectories(*rmg::pGTable, rmg::ParseCommandLine(args), home.c_str());
    rmg::pMainW = new rmg::MainW();
    Gtk::Window* window = rmg::CreateMainWindow();
    if (window == nullptr) {
        return nullptr;
    }
    window->show_all();
    rmg::OpenStartDirectory();
    return window;
}

}  // namespace bench
#endif

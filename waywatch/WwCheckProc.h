// Waywatch: keeps the launcher running by starting it again whenever it ends.
// The launcher starts through the shared launcher's watchdog form
// (suite::ExecProcessDetached); used by waywatch/main.cpp and its tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/ProcessUtil.h"

namespace waywatch {

struct WaywatchConfig {
    std::string launcherPath = SUITE_BINDIR "/Waymark";
    suite::ProcPaths proc;
    // Starts are kept at least this far apart, so a launcher that ends at
    // once after every start cannot make the loop spin a core.  A launcher
    // that ran longer than this is restarted without delay.
    std::chrono::milliseconds minRestartInterval{1000};
};

struct LauncherState {
    pid_t pid = -1;
    std::chrono::steady_clock::time_point startedAt{};
};

// Starts the launcher detached; the new pid, or -1 when it cannot be started.
pid_t StartLauncher(LauncherState& state, const WaywatchConfig& config);

// Waits for one child to end.  When it was the launcher, starts it again
// (after the pause above if it ran too briefly) and returns 1 if that start
// failed, else 0.  No child left at all counts as the launcher's end; any
// other child, or another failure of wait, returns 0.
int CheckProcess(LauncherState& state, const WaywatchConfig& config);

// The whole program; returns its exit status.
int WaywatchMain(int argc, char** argv, const WaywatchConfig& config, std::FILE* out);

}  // namespace waywatch

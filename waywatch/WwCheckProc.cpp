#include "waywatch/WwCheckProc.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "common/I18n.h"

namespace waywatch {

pid_t StartLauncher(LauncherState& state, const WaywatchConfig& config) {
    state.startedAt = std::chrono::steady_clock::now();
    state.pid = suite::ExecProcessDetached(config.launcherPath.c_str(), nullptr);
    return state.pid;
}

namespace {

void PauseBeforeRestart(const LauncherState& state, const WaywatchConfig& config) {
    const auto ran = std::chrono::steady_clock::now() - state.startedAt;
    if (ran >= config.minRestartInterval) {
        return;
    }
    const auto rest =
        std::chrono::duration_cast<std::chrono::nanoseconds>(config.minRestartInterval - ran);
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(rest.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(rest.count() % 1000000000);
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace

int CheckProcess(LauncherState& state, const WaywatchConfig& config) {
    pid_t ended;
    do {
        ended = ::wait(nullptr);
    } while (ended < 0 && errno == EINTR);
    // No child at all (ECHILD) means the launcher is gone too: it was
    // collected elsewhere, and waiting again would only spin.
    if ((ended < 0 && errno != ECHILD) || (ended >= 0 && ended != state.pid)) {
        return 0;
    }
    PauseBeforeRestart(state, config);
    return StartLauncher(state, config) < 0 ? 1 : 0;
}

int WaywatchMain(int argc, char** argv, const WaywatchConfig& config, std::FILE* out) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fprintf(out, _("Monitoring Waymark  Version 1.00 %s\n"), "2000/12/05");
        std::fprintf(out, "%s\n", _("Restarts the Waymark launcher whenever it ends."));
        std::fflush(out);
        return 0;
    }
    // An ignored SIGCHLD, inherited across exec, makes the kernel reap the
    // launcher itself, so wait() could never report its end.
    ::signal(SIGCHLD, SIG_DFL);
    if (suite::CheckDoubleStartup("Waywatch", config.proc) != 0) {
        return 0;
    }
    LauncherState state;
    if (StartLauncher(state, config) < 0) {
        return 0;
    }
    while (CheckProcess(state, config) == 0) {
    }
    return 0;
}

}  // namespace waywatch

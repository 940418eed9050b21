// The dialer's core: PPP files, process table, phases, clock and flow.
#include "ringout/RoControl.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <glib.h>

#include "common/I18n.h"
#include "common/ProcessUtil.h"
#include "ringout/RoTable.h"

namespace ro {

RingoutState* pRingout = nullptr;

namespace {

void WarnInLog(const std::string& text) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", text.c_str());
}

}  // namespace

RoSystem::RoSystem()
    : kill([](pid_t pid, int signo) { return ::kill(pid, signo); }),
      waitpid([](pid_t pid, int options) {
          return (options & WNOHANG) != 0 ? suite::CollectChild(pid) : suite::WaitChild(pid);
      }),
      now([] { return std::time(nullptr); }),
      monotonicMs([] {
          timespec ts{};
          ::clock_gettime(CLOCK_MONOTONIC, &ts);
          return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
      }),
      sleepMs([](int ms) { ::usleep(static_cast<useconds_t>(ms) * 1000); }),
      start([](const std::string& path, const std::string& argument,
               const suite::LaunchOptions& options) {
          return suite::ExecProcessLogged(path.c_str(), argument.c_str(), &WarnInLog, options);
      }) {}

namespace {

constexpr std::size_t kLineMax = 2047;

std::string Field(const std::string& text, const char* label) {
    return suite::StatusField(text, label).value_or(std::string());
}

// "pid (name) S ppid pgrp ...": the name runs to the last parenthesis, as it
// may itself hold blanks and parentheses.
bool ParseStatLine(const std::string& stat, ProcEntry& entry) {
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= stat.size()) {
        return false;
    }
    const char* p = stat.c_str() + close + 2;
    const char state = *p;
    char* end = nullptr;
    const long ppid = std::strtol(p + 1, &end, 10);
    if (end == p + 1) {
        return false;
    }
    const char* next = end;
    const long pgrp = std::strtol(next, &end, 10);
    if (end == next) {
        return false;
    }
    entry.name = stat.substr(open + 1, close - open - 1);
    entry.state = state;
    entry.ppid = static_cast<pid_t>(ppid);
    entry.pgrp = static_cast<pid_t>(pgrp);
    return true;
}

bool ReadEntry(const std::string& procRoot, const char* name, ProcEntry& entry) {
    entry.pid = static_cast<pid_t>(std::strtol(name, nullptr, 10));
    const std::string dir = procRoot + "/" + name;
    // One read per process: the stat line holds all that is needed.
    std::string text;
    if (suite::ReadStatusText(dir + "/stat", text) && ParseStatLine(text, entry)) {
        return true;
    }
    // Without it, the status file gives all but the group.
    if (!suite::ReadStatusText(dir + "/status", text)) {
        return false;
    }
    // Names are compared whole, so a missing "Name:" never matches anything.
    entry.name = Field(text, "Name:");
    const std::string state = Field(text, "State:");
    entry.state = state.empty() ? '?' : state[0];
    const std::string ppid = Field(text, "PPid:");
    entry.ppid = ppid.empty() ? -1 : static_cast<pid_t>(std::strtol(ppid.c_str(), nullptr, 10));
    entry.pgrp = -1;
    return true;
}

}  // namespace

std::uint32_t CheckDialupConfiguration(const RoPaths& paths, std::string& name) {
    name.clear();
    struct stat st;
    if (::stat(paths.options.c_str(), &st) != 0) {
        return MSG_NO_OPTIONS;
    }
    if (::stat(paths.chatScript.c_str(), &st) != 0) {
        return MSG_NO_CHAT_SCRIPT;
    }
    // Non-blocking, so that a FIFO put there cannot hang the window.
    int fd = ::open(paths.options.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return MSG_OPTIONS_OPEN_FAILED;
    }
    std::string text;
    char buffer[4096];
    bool failed = false;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            failed = true;
            break;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        // The device is named near the top; a huge file is not read whole.
        if (text.size() > (1u << 20)) {
            break;
        }
    }
    ::close(fd);
    if (failed || text.empty()) {
        return MSG_OPTIONS_READ_FAILED;
    }

    // Lines as a reader of at most kLineMax characters sees them.
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        const std::size_t len = std::min(stop - pos, kLineMax);
        lines.push_back(text.substr(pos, len));
        pos += len;
        if (pos == stop) {
            pos = stop + 1;
        }
    }

    static const char* const kModem = N_("MODEM");
    static const char* const kPhs = N_("PHS");
    static const char* const kPdc = N_("PDC");
    // Options that do not say which device is used are the modem's.
    const char* device = kModem;
    if (!lines.empty() && lines[0].compare(0, 11, "/dev/ttyS14") == 0) {
        device = kModem;
    } else {
        static const char kLabel[] = "# DeviceName";
        for (const std::string& line : lines) {
            if (line.compare(0, sizeof kLabel - 1, kLabel) != 0) {
                continue;
            }
            // The value begins after the label and one separator.
            const std::string value = line.size() > 13 ? line.substr(13) : std::string();
            if (value.compare(0, 3, "PHS") == 0) {
                device = kPhs;
            } else if (value.compare(0, 3, "PDC") == 0) {
                device = kPdc;
            }
            break;
        }
    }
    name = _(device);
    return 0;
}

bool ReadProcessTable(const std::string& procRoot, std::vector<ProcEntry>& table) {
    table.clear();
    DIR* dir = ::opendir(procRoot.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (struct dirent* entry = ::readdir(dir)) {
        if (!suite::IsPidName(entry->d_name)) {
            continue;
        }
        ProcEntry process;
        // A process that ended meanwhile, or an entry we may not read, is
        // skipped: the rest of the table still counts.
        if (ReadEntry(procRoot, entry->d_name, process)) {
            table.push_back(process);
        }
    }
    ::closedir(dir);
    return true;
}

std::vector<pid_t> FindChatProcesses(pid_t daemon, const std::vector<ProcEntry>& table) {
    std::vector<pid_t> found;
    if (daemon <= 0) {
        return found;
    }
    std::map<pid_t, pid_t> parent;
    for (const ProcEntry& e : table) {
        parent[e.pid] = e.ppid;
    }
    for (const ProcEntry& e : table) {
        if (e.name != "chat" || e.state == 'Z' || e.pid <= 0 || e.pid == daemon) {
            continue;
        }
        bool ours = e.pgrp == daemon;
        std::set<pid_t> seen;
        for (pid_t p = e.ppid; !ours && p > 1 && seen.insert(p).second;) {
            if (p == daemon) {
                ours = true;
                break;
            }
            auto it = parent.find(p);
            if (it == parent.end()) {
                break;
            }
            p = it->second;
        }
        if (ours) {
            found.push_back(e.pid);
        }
    }
    return found;
}

int CheckChatProcess(pid_t daemon, const RoPaths& paths) {
    std::vector<ProcEntry> table;
    if (!ReadProcessTable(paths.procRoot, table)) {
        return CHAT_NO_PROC;
    }
    return FindChatProcesses(daemon, table).empty() ? CHAT_NONE : CHAT_RUNNING;
}

int KillChat(pid_t daemon, const RoPaths& paths, const RoSystem& sys,
             const std::vector<pid_t>& known) {
    if (daemon <= 0) {
        return 0;
    }
    std::vector<ProcEntry> table;
    if (!ReadProcessTable(paths.procRoot, table)) {
        return -1;
    }
    std::vector<pid_t> victims = FindChatProcesses(daemon, table);
    // Diallers seen under the daemon before it ended, and orphaned since
    // in a group of their own: known by pid, and still "chat".
    for (const ProcEntry& e : table) {
        if (e.name == "chat" && e.state != 'Z' &&
            std::find(known.begin(), known.end(), e.pid) != known.end() &&
            std::find(victims.begin(), victims.end(), e.pid) == victims.end()) {
            victims.push_back(e.pid);
        }
    }
    int killed = 0;
    for (pid_t pid : victims) {
        if (SignalProcess(sys, pid, SIGKILL) == 0) {
            ++killed;
        }
    }
    // SIGKILL lands a moment later: wait (bounded) until the victims are gone
    // or zombies, so a check right after the stop finds no dialler running.
    for (int step = 0; killed > 0 && step < 50; ++step) {
        std::vector<ProcEntry> now;
        if (!ReadProcessTable(paths.procRoot, now)) {
            break;
        }
        const bool running = std::any_of(now.begin(), now.end(), [&](const ProcEntry& e) {
            return e.state != 'Z' &&
                   std::find(victims.begin(), victims.end(), e.pid) != victims.end();
        });
        if (!running) {
            break;
        }
        sys.sleepMs(10);
    }
    return killed;
}

int SignalProcess(const RoSystem& sys, pid_t pid, int signo) {
    if (pid <= 0) {
        errno = ESRCH;
        return -1;
    }
    return sys.kill(pid, signo);
}

bool ChildEnded(pid_t& pid, const RoSystem& sys) {
    if (pid <= 0) {
        return true;
    }
    const pid_t r = sys.waitpid(pid, WNOHANG);
    // Not our child any more (collected elsewhere): it has ended for us too.
    if (r == pid || r < 0) {
        pid = -1;
        return true;
    }
    return false;
}

void BeginStop(RingoutState& state, const RoPaths& paths, const RoSystem& sys) {
    const pid_t daemon = state.PppdPid;
    state.PppdPid = -1;
    if (daemon <= 0 || state.Stopping.pid > 0) {
        return;
    }
    DaemonStop& stop = state.Stopping;
    stop = DaemonStop{};
    // The diallers it runs now may leave its group; they are known by pid.
    std::vector<ProcEntry> table;
    if (ReadProcessTable(paths.procRoot, table)) {
        stop.diallers = FindChatProcesses(daemon, table);
    }
    stop.pid = daemon;
    stop.sinceMs = sys.monotonicMs();
    SignalProcess(sys, daemon, SIGINT);
}

bool ContinueStop(RingoutState& state, const RoPaths& paths, const RoSystem& sys) {
    DaemonStop& stop = state.Stopping;
    if (stop.pid <= 0) {
        return true;
    }
    const pid_t daemon = stop.pid;
    pid_t pid = daemon;
    if (ChildEnded(pid, sys)) {
        // Its group still names the chat processes it left behind.
        KillChat(daemon, paths, sys, stop.diallers);
        stop = DaemonStop{};
        return true;
    }
    if (!stop.killed && sys.monotonicMs() - stop.sinceMs >= sys.stopGraceMs) {
        SignalProcess(sys, daemon, SIGKILL);
        stop.killed = true;
    }
    return false;
}

void StopDaemon(RingoutState& state, const RoPaths& paths, const RoSystem& sys) {
    BeginStop(state, paths, sys);
    constexpr int kStepMs = 20;
    while (!ContinueStop(state, paths, sys)) {
        sys.sleepMs(kStepMs);
    }
}

PppLink ReadPppLink(const std::string& netDevText) {
    std::istringstream in(netDevText);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || line.substr(0, colon).find("ppp") == std::string::npos) {
            continue;
        }
        for (std::size_t i = colon + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c != ' ' && c != '\t' && c != '\r' && c != '0') {
                return PppLink::kTraffic;
            }
        }
        return PppLink::kIdle;
    }
    return PppLink::kMissing;
}

namespace {

// The interface table; empty when it cannot be read (keep polling).
std::string ReadNetDev(const RoPaths& paths) {
    std::ifstream in(paths.netDev);
    std::ostringstream all;
    if (in) {
        all << in.rdbuf();
    }
    return all.str();
}

}  // namespace

int CheckConnectNetwork(RingoutState& state, const RoPaths& paths, const RoSystem& sys) {
    switch (state.Phase) {
        case PHASE_AWAIT_CHAT: {
            const int chat = CheckChatProcess(state.PppdPid, paths);
            if (chat == CHAT_NO_PROC) {
                return CONNECT_MACHINE_FAILURE;
            }
            if (chat == CHAT_RUNNING) {
                state.Phase = PHASE_CHAT_RUNNING;
                return CONNECT_PENDING;
            }
            if (ChildEnded(state.PppdPid, sys)) {
                return CONNECT_DIALUP_FAILED;
            }
            // A dialler quicker than one poll is only seen by its result: the
            // link carries traffic, so go on as if its end had been watched.
            if (ReadPppLink(ReadNetDev(paths)) == PppLink::kTraffic) {
                state.ConnectTime = sys.now();
                state.Phase = PHASE_AWAIT_TRAFFIC;
            }
            return CONNECT_PENDING;
        }
        case PHASE_CHAT_RUNNING: {
            const int chat = CheckChatProcess(state.PppdPid, paths);
            if (chat == CHAT_NO_PROC) {
                return CONNECT_MACHINE_FAILURE;
            }
            if (chat == CHAT_NONE) {
                state.ConnectTime = sys.now();
                state.Phase = PHASE_AWAIT_TRAFFIC;
            }
            return CONNECT_PENDING;
        }
        default: {
            if (ReadPppLink(ReadNetDev(paths)) == PppLink::kTraffic) {
                return CONNECT_OK;
            }
            // No traffic yet: the daemon decides whether it ever comes, and its
            // end is watched without blocking the window.
            return ChildEnded(state.PppdPid, sys) ? CONNECT_DIALUP_FAILED : CONNECT_PENDING;
        }
    }
}

void UpdateConnectTime(RingoutState& state, std::time_t now) {
    if (now < state.ConnectTime) {
        state.ConnectTime = now;
    }
    const auto elapsed = static_cast<unsigned long long>(now - state.ConnectTime);
    state.Hours = static_cast<unsigned>(elapsed / 3600);
    state.Minutes = static_cast<unsigned>((elapsed % 3600) / 60);
    state.Seconds = static_cast<unsigned>(elapsed % 60);
}

std::string FormatConnectTime(const RingoutState& state, const std::string& word) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u ", state.Hours, state.Minutes,
                  state.Seconds);
    return buffer + word;
}

namespace {

// The connection window after the connection: the time it lasted, and the
// button (see DecideButtons).
void ShowFinalTime(RingoutState& state, RingoutView& view) {
    view.ShowTime(FormatConnectTime(state, _("Stop")));
    state.Hours = state.Minutes = state.Seconds = 0;
    UpdateButtons(state, view);
}

// Stops the daemon while the windows go on being drawn; the buttons that
// would start another one wait for its end.
void BeginDaemonStop(RingoutState& state, RingoutView& view) {
    BeginStop(state, state.Paths, state.System);
    if (state.Stopping.pid > 0) {
        view.StartTimer(RoTimer::kStopWatch);
    }
    UpdateButtons(state, view);
}

void EndWaitWith(RingoutState& state, RingoutView& view, int result) {
    state.WaitResult = result;
    state.Mode = DialerMode::kStart;
    view.StopTimer(RoTimer::kWaitPoll);
    view.EndWait();
}

}  // namespace

int ExecPPPD(RingoutState& state, RingoutView& view) {
    suite::LaunchOptions options;
    // Its own group names the diallers it starts; however Ringout ends,
    // even without running another line, the daemon is told to stop.
    options.newProcessGroup = true;
    options.deathSignal = SIGTERM;
    state.PppdPid = state.System.start(state.Paths.pppd, "-detach", options);
    if (state.PppdPid <= 0) {
        state.PppdPid = -1;
        view.ShowMessage(MSG_PPPD_START_FAILED);
        return CONNECT_MACHINE_FAILURE;
    }
    const pid_t daemon = state.PppdPid;
    state.Phase = PHASE_AWAIT_CHAT;
    state.WaitResult = CONNECT_PENDING;
    state.Mode = DialerMode::kDialling;
    int result = view.RunWait();
    // A wait that ended undecided could not go on.
    if (result == CONNECT_PENDING) {
        result = CONNECT_MACHINE_FAILURE;
    }
    state.Mode = result == CONNECT_OK ? DialerMode::kConnected : DialerMode::kStart;
    if (result == CONNECT_MACHINE_FAILURE) {
        view.StopTimer(RoTimer::kWaitPoll);
        BeginDaemonStop(state, view);
        view.ShowMessage(MSG_NO_MEMORY);
    } else if (result == CONNECT_DIALUP_FAILED) {
        // The daemon has ended; a dialler it left behind goes with it.
        KillChat(daemon, state.Paths, state.System);
        view.ShowMessage(MSG_DIALUP_FAILED);
    }
    return result;
}

bool PollWait(RingoutState& state, RingoutView& view) {
    if (state.Mode != DialerMode::kDialling) {
        view.StopTimer(RoTimer::kWaitPoll);
        return false;
    }
    const int result = CheckConnectNetwork(state, state.Paths, state.System);
    if (result == CONNECT_PENDING) {
        return true;
    }
    EndWaitWith(state, view, result);
    return false;
}

void CancelWait(RingoutState& state, RingoutView& view) {
    // Decided already, or the question is up.
    if (state.Mode != DialerMode::kDialling) {
        return;
    }
    // The attempt is not decided behind the question's back.
    view.StopTimer(RoTimer::kWaitPoll);
    state.Mode = DialerMode::kAskingToStop;
    const int answer = view.ShowMessage(MSG_ASK_DISCONNECT);
    // Given up meanwhile: the program is ending.
    if (state.Mode != DialerMode::kAskingToStop) {
        return;
    }
    if (answer == MSG_ANSWER_OK) {
        state.WaitResult = CONNECT_CANCELLED;
        BeginDaemonStop(state, view);
        EndWaitWith(state, view, CONNECT_CANCELLED);
    } else {
        state.Mode = DialerMode::kDialling;
        view.StartTimer(RoTimer::kWaitPoll);
    }
}

void GiveUpWait(RingoutState& state, RingoutView& view) {
    if (state.Mode == DialerMode::kDialling || state.Mode == DialerMode::kAskingToStop) {
        state.WaitResult = CONNECT_CANCELLED;
        state.Mode = DialerMode::kStart;
        view.StopTimer(RoTimer::kWaitPoll);
    }
}

bool CheckPPPDProcess(RingoutState& state, RingoutView& view) {
    const pid_t daemon = state.PppdPid;
    if (ChildEnded(state.PppdPid, state.System)) {
        view.StopTimer(RoTimer::kClock);
        state.Mode = DialerMode::kDisconnected;
        KillChat(daemon, state.Paths, state.System);
        ShowFinalTime(state, view);
        view.ShowMessage(MSG_DISCONNECTED);
        return false;
    }
    UpdateConnectTime(state, state.System.now());
    view.ShowTime(FormatConnectTime(state, _("Connect")));
    return true;
}

void Disconnect(RingoutState& state, RingoutView& view) {
    view.StopTimer(RoTimer::kClock);
    state.Mode = DialerMode::kDisconnected;
    BeginDaemonStop(state, view);
    ShowFinalTime(state, view);
}

bool PressConnectButton(RingoutState& state, RingoutView& view) {
    if (state.Mode == DialerMode::kConnected) {
        // The daemon may end while the question is up.
        if (view.ShowMessage(MSG_ASK_DISCONNECT) == MSG_ANSWER_OK &&
            state.Mode == DialerMode::kConnected) {
            Disconnect(state, view);
        }
        return false;
    }
    // No new start while the last daemon still hangs up.
    if (state.Stopping.pid > 0) {
        return false;
    }
    state.Mode = DialerMode::kStart;
    return true;
}

bool CloseConnectWindow(RingoutState& state, RingoutView& view) {
    const bool connected = state.Mode == DialerMode::kConnected;
    if (view.ShowMessage(connected ? MSG_ASK_DISCONNECT : MSG_ASK_CLOSE) != MSG_ANSWER_OK) {
        return false;
    }
    if (state.Mode == DialerMode::kConnected) {
        Disconnect(state, view);
    }
    return true;
}

void StartSetting(RingoutState& state, RingoutView& view) {
    view.ShowButtons(ButtonLook{false, false, ConnectButtonLook::kAsItIs});
    state.ConfigPid = state.System.start(state.Paths.tunewell, "--dialuponly", {});
    if (state.ConfigPid <= 0) {
        state.ConfigPid = -1;
        view.ShowMessage(MSG_CONFIG_START_FAILED);
        return;
    }
    view.StopTimer(RoTimer::kToolWatch);
    view.StartTimer(RoTimer::kToolWatch);
}

bool CheckTwSetupProcess(RingoutState& state, RingoutView& view) {
    if (!ChildEnded(state.ConfigPid, state.System)) {
        return true;
    }
    view.StopTimer(RoTimer::kToolWatch);
    std::string device;
    // Whatever the tool left behind is shown by the next start attempt.
    CheckDialupConfiguration(state.Paths, device);
    view.ShowDevice(device);
    UpdateButtons(state, view);
    return false;
}

bool CheckStopProcess(RingoutState& state, RingoutView& view) {
    if (!ContinueStop(state, state.Paths, state.System)) {
        return true;
    }
    view.StopTimer(RoTimer::kStopWatch);
    UpdateButtons(state, view);
    return false;
}

ButtonLook DecideButtons(const RingoutState& state) {
    const bool stopping = state.Stopping.pid > 0;
    const bool configuring = state.ConfigPid > 0;
    ButtonLook look;
    look.start = !stopping && !configuring;
    look.setting = !configuring;
    // After a connection: "Connect " once the daemon has ended.
    if (state.Mode == DialerMode::kDisconnected) {
        look.connect = stopping ? ConnectButtonLook::kHeld : ConnectButtonLook::kConnect;
    }
    return look;
}

void UpdateButtons(RingoutState& state, RingoutView& view) {
    view.ShowButtons(DecideButtons(state));
}

}  // namespace ro

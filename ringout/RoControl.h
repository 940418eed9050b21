// The dialer's widget-free core: PPP files, the daemon and its `chat` in the
// process table, the connection clock, and the connection flow, shown through
// RingoutView.  Driven by the window layer (RoCallbacks); tested headlessly.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "common/ProcessUtil.h"

namespace Gtk {
class Button;
class Label;
class Window;
}  // namespace Gtk

namespace ro {

// Installed locations; tests point them at temporary trees.
struct RoPaths {
    std::string options = "/etc/ppp/options";
    std::string chatScript = "/etc/ppp/chat_script";
    std::string pppd = "/usr/sbin/pppd";
    std::string tunewell = "/usr/local/bin/Tunewell";
    std::string procRoot = "/proc";
    std::string netDev = "/proc/net/dev";
};

// The process calls and the clock.  Defaults are the real ones.
struct RoSystem {
    std::function<int(pid_t, int)> kill;
    // waitpid without status; EINTR is retried by the default.
    std::function<pid_t(pid_t, int)> waitpid;
    std::function<std::time_t()> now;
    // A clock that is never set back, in milliseconds: times the stop.
    std::function<std::int64_t()> monotonicMs;
    std::function<void(int)> sleepMs;
    // Starts `path` with its one argument, as the shared start form of the
    // dialer does (warnings logged); the pid, or -1 after the warning.
    std::function<pid_t(const std::string& path, const std::string& argument,
                        const suite::LaunchOptions& options)>
        start;
    // How long a daemon told to stop gets before it is killed: its own
    // hang-up (terminate requests, about 10 s) must fit in.
    int stopGraceMs = 12000;

    RoSystem();
};

// Results of a connection attempt.
inline constexpr int CONNECT_OK = 0;
inline constexpr int CONNECT_MACHINE_FAILURE = 1;
// The user gave up waiting; the daemon is being stopped.
inline constexpr int CONNECT_CANCELLED = 2;
inline constexpr int CONNECT_DIALUP_FAILED = 3;
// CheckConnectNetwork: not decided yet.
inline constexpr int CONNECT_PENDING = -1;

// Connection phases of the wait (Phase).
inline constexpr int PHASE_AWAIT_CHAT = 0;     // the dialler has not shown up yet
inline constexpr int PHASE_CHAT_RUNNING = 1;   // the dialler runs
inline constexpr int PHASE_AWAIT_TRAFFIC = 2;  // it has ended; the link must carry traffic

// CheckChatProcess results.
inline constexpr int CHAT_NONE = 0;
inline constexpr int CHAT_RUNNING = 1;
inline constexpr int CHAT_NO_PROC = 3;

// Where the dialer is in its window sequence: what a handler does depends on
// it, never on which window happens to exist.
enum class DialerMode {
    kStart,         // the start window (the tool may run meanwhile: ConfigPid)
    kDialling,      // the wait window; the poll decides the attempt
    kAskingToStop,  // the wait window, asking whether to give the dial up
    kConnected,     // the connection window with the clock running
    kDisconnected,  // the connection window after the link has ended
};

// A daemon told to stop that has not ended yet.
struct DaemonStop {
    pid_t pid = -1;  // -1 when no stop is under way
    std::int64_t sinceMs = 0;
    bool killed = false;
    // Its diallers when it was told: they may leave its group meanwhile.
    std::vector<pid_t> diallers;
};

// The one state record of the program.  Pids and timers start at -1: a pid
// of 0 or below must never reach kill().
struct RingoutState {
    std::time_t ConnectTime = 0;
    int MonitorTimer = -1;
    int PollTimer = -1;
    int Phase = 0;
    unsigned Hours = 0;
    unsigned Minutes = 0;
    unsigned Seconds = 0;
    int Replacing = 0;
    pid_t ConfigPid = -1;
    pid_t PppdPid = -1;
    Gtk::Label* TimeLabel = nullptr;
    Gtk::Label* StartLabel = nullptr;
    Gtk::Button* ConfigButton = nullptr;
    Gtk::Button* StartButton = nullptr;
    DialerMode Mode = DialerMode::kStart;
    // Result of the running connection attempt, set by the poll.
    int WaitResult = CONNECT_PENDING;
    // The windows that are up (null when not) and the connection window's
    // Stop/Connect button.
    Gtk::Window* StartWindow = nullptr;
    Gtk::Window* WaitWindow = nullptr;
    Gtk::Window* ConnectWindow = nullptr;
    Gtk::Button* ConnectButton = nullptr;
    // The daemon being stopped, and the timer that follows it.
    DaemonStop Stopping;
    int StopTimer = -1;
    RoPaths Paths;
    RoSystem System;
};

extern RingoutState* pRingout;

// 0, or the message code of the first missing or unreadable file.  `name`
// receives the translated device name ("MODEM", "PHS", "PDC"), or stays
// empty when the options do not say.
std::uint32_t CheckDialupConfiguration(const RoPaths& paths, std::string& name);

// One process of the table.
struct ProcEntry {
    pid_t pid = -1;
    pid_t ppid = -1;
    pid_t pgrp = -1;
    std::string name;
    char state = '?';
};

// Reads every numeric entry of `procRoot`; entries that vanish or cannot be
// read are left out.  False when the directory itself cannot be read.
bool ReadProcessTable(const std::string& procRoot, std::vector<ProcEntry>& table);

// The live processes named exactly "chat" that belong to `daemon`: its
// descendants, or members of its process group (which outlive it).
std::vector<pid_t> FindChatProcesses(pid_t daemon, const std::vector<ProcEntry>& table);

// CHAT_RUNNING, CHAT_NONE, or CHAT_NO_PROC when the table cannot be read.
int CheckChatProcess(pid_t daemon, const RoPaths& paths);

// SIGKILL to every `chat` of `daemon`, and to the orphaned ones among
// `known` (pids seen under it earlier); how many, or -1 without a table.
int KillChat(pid_t daemon, const RoPaths& paths, const RoSystem& sys,
             const std::vector<pid_t>& known = {});

// kill() that refuses pids of 0 and below (own group, every process).
int SignalProcess(const RoSystem& sys, pid_t pid, int signo);

// Whether `pid`, a child of ours, has ended (collected without blocking).
// Sets `pid` to -1 when it has.
bool ChildEnded(pid_t& pid, const RoSystem& sys);

// Tells the daemon to stop (SIGINT) without waiting for it: PppdPid moves
// to `Stopping`.  Nothing happens without a daemon.
void BeginStop(RingoutState& state, const RoPaths& paths, const RoSystem& sys);

// One step of a stop under way, never blocking: once the daemon has ended,
// its chat processes are killed and the stop is over (true).  A daemon still
// there after the grace time gets SIGKILL.  True when no stop is under way.
bool ContinueStop(RingoutState& state, const RoPaths& paths, const RoSystem& sys);

// Stops the daemon and waits until it has ended (for the program's end,
// when no window is left to keep drawn).  Leaves PppdPid at -1.
void StopDaemon(RingoutState& state, const RoPaths& paths, const RoSystem& sys);

// Traffic on the PPP interface, from the text of /proc/net/dev.
enum class PppLink { kMissing, kIdle, kTraffic };
PppLink ReadPppLink(const std::string& netDevText);

// One 500 ms step of the connection wait: CONNECT_PENDING, or the result.
int CheckConnectNetwork(RingoutState& state, const RoPaths& paths, const RoSystem& sys);

// Elapsed time since ConnectTime into Hours/Minutes/Seconds; a clock set
// back before ConnectTime restarts the count from `now`.
void UpdateConnectTime(RingoutState& state, std::time_t now);

// "%02u:%02u:%02u %s" of the counters and `word`.
std::string FormatConnectTime(const RingoutState& state, const std::string& word);

// The connection flow.  The window layer calls these from its handlers and
// timers and shows what they ask for through RingoutView.

// The timers the flow starts and stops; the window layer keeps their ids
// (PollTimer, MonitorTimer, StopTimer) and calls back into the flow.
enum class RoTimer {
    kWaitPoll,   // 500 ms: PollWait
    kToolWatch,  // 500 ms: CheckTwSetupProcess
    kClock,      // 1000 ms: CheckPPPDProcess
    kStopWatch,  // 100 ms: CheckStopProcess
};

// What the connection window's Stop/Connect button shows.
enum class ConnectButtonLook {
    kAsItIs,   // left alone (no connection has ended)
    kHeld,     // insensitive while the last daemon still hangs up
    kConnect,  // reads "Connect " and starts a new dial
};

// Sensitivity of the buttons that start a daemon or the tool.
struct ButtonLook {
    bool start = true;    // "Start"
    bool setting = true;  // "Setting..."
    ConnectButtonLook connect = ConnectButtonLook::kAsItIs;
    bool operator==(const ButtonLook&) const = default;
};

// What the flow needs shown or run by the windows.
class RingoutView {
  public:
    virtual ~RingoutView() = default;
    // The message of `code`, modally: MSG_ANSWER_OK, MSG_ANSWER_CANCEL or
    // MSG_ANSWER_NONE (closed, or nothing could be shown).
    virtual int ShowMessage(std::uint32_t code) = 0;
    // Runs the wait window, which starts the kWaitPoll timer, until EndWait
    // or the program's end: WaitResult, or CONNECT_MACHINE_FAILURE when the
    // window cannot be built.
    virtual int RunWait() = 0;
    virtual void EndWait() = 0;
    // Starts `timer` unless it runs (or the program is ending); stops it.
    virtual void StartTimer(RoTimer timer) = 0;
    virtual void StopTimer(RoTimer timer) = 0;
    // The connection window's time text; the start window's device.
    virtual void ShowTime(const std::string& text) = 0;
    virtual void ShowDevice(const std::string& device) = 0;
    virtual void ShowButtons(const ButtonLook& look) = 0;
};

// "Start": starts the daemon and runs the wait; the attempt's result, after
// its message.  Mode becomes kConnected on CONNECT_OK, else kStart.
int ExecPPPD(RingoutState& state, RingoutView& view);
// The wait's poll; false once the attempt is decided and the wait ends.
bool PollWait(RingoutState& state, RingoutView& view);
// Closing the wait window: asks; OK gives the dial up and stops the daemon,
// Cancel waits on.
void CancelWait(RingoutState& state, RingoutView& view);
// The program is ending: an undecided wait is given up (no message).
void GiveUpWait(RingoutState& state, RingoutView& view);
// The connection clock; false once the daemon has ended (then reported).
bool CheckPPPDProcess(RingoutState& state, RingoutView& view);
// Stops the connection shown in the connection window, without waiting.
void Disconnect(RingoutState& state, RingoutView& view);
// The connection window's button: true when a new start window is to
// replace the connection window.
bool PressConnectButton(RingoutState& state, RingoutView& view);
// Closing the connection window: true when the program is to end.
bool CloseConnectWindow(RingoutState& state, RingoutView& view);
// "Setting...": starts the configuration tool in its dial-up mode.
void StartSetting(RingoutState& state, RingoutView& view);
// The tool's watch; false once it has ended and the device was read again.
bool CheckTwSetupProcess(RingoutState& state, RingoutView& view);
// The watch of a daemon being stopped; false once it has ended.
bool CheckStopProcess(RingoutState& state, RingoutView& view);
// Button sensitivity from whether a daemon is being stopped, the tool runs,
// and a connection has ended.
ButtonLook DecideButtons(const RingoutState& state);
void UpdateButtons(RingoutState& state, RingoutView& view);

}  // namespace ro

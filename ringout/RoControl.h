// The dialer's widget-free half: the installed PPP files, the daemon and its
// `chat` dialler in the process table, the connection phases, the traffic
// counters of the PPP interface and the connection clock.  Every path, the
// signals, the waits and the clock come in from outside so that tests can
// play them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

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
    // How long a daemon told to stop gets before it is killed: its own
    // hang-up (terminate requests, about 10 s) must fit in.
    int stopGraceMs = 12000;

    RoSystem();
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
    // Result of the running connection attempt, set by the poll.
    int WaitResult = 1;
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

// Results of a connection attempt.
inline constexpr int CONNECT_OK = 0;
inline constexpr int CONNECT_MACHINE_FAILURE = 1;
// The user gave up waiting; the daemon is being stopped.
inline constexpr int CONNECT_CANCELLED = 2;
inline constexpr int CONNECT_DIALUP_FAILED = 3;
// CheckConnectNetwork: not decided yet.
inline constexpr int CONNECT_PENDING = -1;

// CheckChatProcess results.
inline constexpr int CHAT_NONE = 0;
inline constexpr int CHAT_RUNNING = 1;
inline constexpr int CHAT_NO_PROC = 3;

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

// Starts `path` with `args` (argv[0] is `path`) without waiting.  With
// `ownGroup` the child leads a new process group, so that whatever it starts
// can be told from other processes.  A `deathSignal` other than 0 reaches
// the child when this process ends, however it ends.  -1 after `warn`
// ("%s search Failed.", "Create process failed.") when it cannot be started.
pid_t StartProgram(const std::string& path, const std::vector<std::string>& args, bool ownGroup,
                   const std::function<void(const std::string&)>& warn, int deathSignal = 0);

}  // namespace ro

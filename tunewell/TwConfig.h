// Tunewell's records and apply process, for every module: pWYConfig,
// pTwOldSetup, pTwNewSetup and their comparisons, and the apply steps
// ReflectionConfigure -> ExecConfigure -> CheckApplyProcess (TwApply runs them).
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace tw {

// Fixed system paths and commands, with the installed defaults.  With these
// and TwClock, tests (and test runs of the program, see TwPathsFromEnvironment)
// never touch the real system.
struct TwPaths {
    std::string clockFile = "/etc/sysconfig/clock";
    std::string localtime = "/etc/localtime";
    std::string zoneTable = "/usr/share/zoneinfo/zone.tab";
    std::string zoneinfoDir = "/usr/share/zoneinfo/";  // ends in "/"
    std::string hwclock = "/usr/sbin/hwclock";
    std::string chat = "/usr/sbin/chat";  // written into the chat scripts
};

// The system clock.  set() returns 0 or an errno value.
class TwClock {
  public:
    virtual ~TwClock() = default;
    virtual time_t now() const = 0;
    virtual int set(time_t epoch) = 0;
};

// The real clock (settimeofday).
TwClock& SystemClock();

// For test runs of the real program: TUNEWELL_SYSROOT, when set, is put in
// front of every path of TwPaths except `chat`; TUNEWELL_CLOCK_FILE, when set,
// makes ClockFromEnvironment() a clock that writes the epoch it is set to into
// that file instead of setting the system clock.  Unset: the defaults.
TwPaths TwPathsFromEnvironment();
TwClock& ClockFromEnvironment();

// Longest text, in bytes, each text field holds.  Text enters the records
// only through the readers (files, $WYCFG, the clock) and the modify-window
// checks, and each holds it to these first: a value read that is too long
// counts as missing.
inline constexpr std::size_t kConfigDirMax = 2047;   // with its trailing "/"
inline constexpr std::size_t kDevicePathMax = 1024;  // ModemDevice, PhsDevice, PdcDevice
inline constexpr std::size_t kSpeedMax = 32;         // ModemSpeed, PhsSpeed, PdcSpeed
inline constexpr std::size_t kScriptPathMax = 2047;  // NetworkScript, DialupScript
inline constexpr std::size_t kHostNameMax = 64;      // HostName, DomainName
inline constexpr std::size_t kAddressMax = 15;       // a dotted quad, NameServer too
inline constexpr std::size_t kEssidMax = 32;
inline constexpr std::size_t kCipherKeyMax = 12;    // "0x" and ten digits
inline constexpr std::size_t kPhoneNumberMax = 67;  // as read back; the entry takes 64
inline constexpr std::size_t kAccountMax = 255;     // Account, Password
inline constexpr std::size_t kAtCommandMax = 127;
inline constexpr std::size_t kTimeZoneMax = 1024;
inline constexpr std::size_t kClockFieldMax = 7;  // Year .. Second

// Whether `text` may enter a field of `limit` bytes: no longer, and no NUL
// byte (every file holds C text).
bool FitsField(const std::string& text, std::size_t limit);

// Tool configuration (wycfg.dat).
struct WYConfig {
    int Japanese = 0;
    std::string ConfigDir;
    std::string ModemDevice;
    std::string PhsDevice;
    std::string PdcDevice;
    std::string ModemSpeed;
    std::string PhsSpeed;
    std::string PdcSpeed;
    std::string NetworkScript;
    std::string DialupScript;
};

inline constexpr int NET_LAN = 0;
inline constexpr int NET_WIRELESS = 1;
inline constexpr int NET_DISABLED = 2;
inline constexpr int DIAL_MODEM = 0;
inline constexpr int DIAL_PHS = 1;
inline constexpr int DIAL_PDC = 2;
inline constexpr int AUTH_SCRIPT = 0;
inline constexpr int AUTH_CHAP = 1;
inline constexpr int AUTH_PAP = 2;

// One network set (LAN or wireless LAN).
struct NetworkConf {
    int AddressMode = 0;  // 0 DHCP, 1 fixed
    std::string HostName;
    std::string DomainName;
    std::string IpAddress;
    std::string Netmask;
    std::string Gateway;
    std::string Essid;
    std::string CipherKey;
    std::array<std::string, 3> NameServer;
    int NameServerCount = 0;
    bool operator==(const NetworkConf&) const = default;
};

// One dial-up device.
struct DialupConf {
    std::string PhoneNumber;
    int DialType = 0;  // 0 tone, 1 pulse
    std::string Account;
    std::string Password;
    int AuthType = AUTH_SCRIPT;
    std::string AtCommand;
    std::array<std::string, 3> NameServer;
    int NameServerCount = 0;
    bool operator==(const DialupConf&) const = default;
};

// The whole setup; two instances (old = as read or last applied, new = edited).
struct TwSetup {
    int NetworkType = NET_LAN;
    int DialupDevice = DIAL_MODEM;
    NetworkConf Lan;
    NetworkConf WirelessLan;
    DialupConf Modem;
    DialupConf Phs;
    DialupConf Pdc;
    std::string TimeZone;
    std::string Year;
    std::string Month;
    std::string Day;
    std::string Hour;
    std::string Minute;
    std::string Second;
    // Clock reading at which the six fields were true; lets a zone-only change
    // keep the time that passed while the window was open.
    time_t TimeReadAt = 0;
    std::vector<std::string> ZoneList;  // sorted zone names
};

// The record of dialup device `device`; anything but PHS or PDC is the modem.
inline const DialupConf& DialupRecord(const TwSetup& setup, int device) {
    return device == DIAL_PHS ? setup.Phs : device == DIAL_PDC ? setup.Pdc : setup.Modem;
}
inline DialupConf& DialupRecord(TwSetup& setup, int device) {
    return device == DIAL_PHS ? setup.Phs : device == DIAL_PDC ? setup.Pdc : setup.Modem;
}

// The six date and time texts alike; the whole Time & Date page (zone too) alike.
bool SameClockFields(const TwSetup& a, const TwSetup& b);
bool SameTimePage(const TwSetup& a, const TwSetup& b);
// Every setting: not the clock reading, nor the zone list (read once, the
// same in both records).
bool SameSetup(const TwSetup& a, const TwSetup& b);

// The records the windows work on; allocated at start, freed at exit.
extern WYConfig* pWYConfig;
extern TwSetup* pTwOldSetup;
extern TwSetup* pTwNewSetup;

// Start: `wycfg` is the value of $WYCFG.  Copies it to ConfigDir (with a
// trailing "/"), creates the directory when nothing exists there (0755), sets
// the file library's tree root and Japanese from `lang`.  0, TW_NO_WYCFG for
// an empty or over-long value, or TW_FAILED when the directory cannot be made
// (message shown).
int SetConfigDir(WYConfig& config, const std::string& wycfg, const char* lang);

// Reads wycfg.dat into `config` (defaults for missing keys, no messages) and
// sets NetworkType and DialupDevice of `setup`.
void InitializeWYConfig(WYConfig& config, TwSetup& setup);

// Writes NETWORK, NETWORK_DEVICE, DIALUP of `setup` into wycfg.dat.
int ReflectionWYConfig(const WYConfig& config, const TwSetup& setup);

// Digit handed to the network script for old and new network type.
char NetworkScriptDigit(int oldType, int newType);

// Writes every changed group (tree locked meanwhile) and sets the clock when
// the time page changed.  Returns the change mask (bit 1 network, 2 dial-up,
// 4 time), or TW_APPLY_FATAL after the failing step has shown its message.
// On success the time stamp of `newSetup` is brought up to date.
int ReflectionConfigure(const WYConfig& config, const TwSetup& oldSetup, TwSetup& newSetup,
                        const TwPaths& paths, TwClock& clock);

// After a failed apply: writes the old record's tool configuration, network
// and dial-up files back over what `applied` wrote, so the tree again says
// what the system has.  0 or TW_APPLY_FATAL (message shown).
int RestoreConfigure(const WYConfig& config, const TwSetup& applied, const TwSetup& old,
                     const TwPaths& paths);

// How much of the steps' error output a failure message shows.
inline constexpr int kApplyErrorLines = 4;
inline constexpr std::size_t kApplyErrorBytes = 512;

// Exit status of a step whose program could not be executed.
inline constexpr int kApplyExecFailed = 127;

// A running apply: its steps are children of this process, started one
// after another as CheckApplyProcess finds the one before has succeeded.
struct ApplyProcess {
    // Argument vectors in the order they run; argv[0] names the program.
    std::vector<std::vector<std::string>> steps;
    std::size_t step = 0;  // the step that runs now
    pid_t pid = -1;        // its process; -1 when none runs
    // Holds the steps' error output until the end is reported.
    int errorFd = -1;
};

// Closes the error-output holder (done when the end is reported).
void CloseErrors(ApplyProcess& process);

// Starts the apply: the network script with the digit (mask bit 1), the
// dial-up script (bit 2), hwclock --utc --systohc (bit 4), one after the
// other, never together.  TW_APPLY_STARTED with the first step running, or
// TW_APPLY_FATAL when no process could be made.
int ExecConfigure(int mask, const WYConfig& config, int oldNetworkType, int newNetworkType,
                  const TwPaths& paths, ApplyProcess& process);

// Non-blocking check of exactly the running step, never of another child;
// starts the next step when it has succeeded.  0 while the apply goes on;
// 1 when it has ended, with `code` 0 (every step succeeded) or
// TW_FILE_RUN_FAILED and `text` naming the program that failed, followed by
// the first lines of its error output.  No later step runs after a failure.
int CheckApplyProcess(ApplyProcess& process, int& code, std::string& text);

// Blocking form for tests and benchmarks.
int WaitApplyProcess(ApplyProcess& process, int& code, std::string& text);

}  // namespace tw

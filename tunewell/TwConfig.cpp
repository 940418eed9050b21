#include "tunewell/TwConfig.h"

#include <errno.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "common/ProcessUtil.h"
#include "common/SafeFile.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"
#include "tunewell/TwTable.h"
#include "tunewell/TwTime.h"

#include <glib.h>

namespace tw {

WYConfig* pWYConfig = nullptr;
TwSetup* pTwOldSetup = nullptr;
TwSetup* pTwNewSetup = nullptr;

namespace {

class RealClock : public TwClock {
  public:
    time_t now() const override { return ::time(nullptr); }
    int set(time_t epoch) override {
        struct timeval tv = {epoch, 0};
        return ::settimeofday(&tv, nullptr) == 0 ? 0 : errno;
    }
};

// Test runs of the program: records the time it would set and keeps
// answering from it, without touching the system clock.
class FileClock : public TwClock {
  public:
    explicit FileClock(std::string path) : path_(std::move(path)) {}
    time_t now() const override { return ::time(nullptr) + offset_; }
    int set(time_t epoch) override {
        offset_ = epoch - ::time(nullptr);
        return suite::ReplaceFile(path_, std::to_string(static_cast<long long>(epoch)) + "\n");
    }

  private:
    std::string path_;
    time_t offset_ = 0;
};

// A wycfg.dat value of at most `limit` bytes; a missing or longer one gives `fallback`.
std::string ValueOr(const std::string& path, const std::string& key, std::size_t limit,
                    const char* fallback) {
    std::string value;
    if (GetConfiguration(path, key, value, limit + 1, false) != 0) {
        return fallback;
    }
    return value;
}

std::string WycfgPath(const WYConfig& config) {
    return config.ConfigDir + "wycfg.dat";
}

// Whether the tree is locked; if not, says why.
bool HeldOrReported(const TwTreeLock& lock, const WYConfig& config) {
    if (!lock.locked()) {
        TwReport(lock.error(),
                 lock.error() == TW_FILE_OPEN ? TwTreeLockPath(config.ConfigDir) : "");
    }
    return lock.locked();
}

bool IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TwClock& SystemClock() {
    static RealClock clock;
    return clock;
}

TwPaths TwPathsFromEnvironment() {
    TwPaths paths;
    const char* root = std::getenv("TUNEWELL_SYSROOT");
    if (root != nullptr && *root != '\0') {
        std::string prefix = root;
        while (!prefix.empty() && prefix.back() == '/') {
            prefix.pop_back();
        }
        paths.clockFile = prefix + paths.clockFile;
        paths.localtime = prefix + paths.localtime;
        paths.zoneTable = prefix + paths.zoneTable;
        paths.zoneinfoDir = prefix + paths.zoneinfoDir;
        paths.hwclock = prefix + paths.hwclock;
    }
    return paths;
}

TwClock& ClockFromEnvironment() {
    const char* file = std::getenv("TUNEWELL_CLOCK_FILE");
    if (file != nullptr && *file != '\0') {
        static FileClock clock(file);
        return clock;
    }
    return SystemClock();
}

bool FitsField(const std::string& text, std::size_t limit) {
    return text.size() <= limit && text.find('\0') == std::string::npos;
}

bool SameClockFields(const TwSetup& a, const TwSetup& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
           a.Minute == b.Minute && a.Second == b.Second;
}

bool SameTimePage(const TwSetup& a, const TwSetup& b) {
    return a.TimeZone == b.TimeZone && SameClockFields(a, b);
}

bool SameSetup(const TwSetup& a, const TwSetup& b) {
    return a.NetworkType == b.NetworkType && a.DialupDevice == b.DialupDevice && a.Lan == b.Lan &&
           a.WirelessLan == b.WirelessLan && a.Modem == b.Modem && a.Phs == b.Phs &&
           a.Pdc == b.Pdc && SameTimePage(a, b);
}

int SetConfigDir(WYConfig& config, const std::string& wycfg, const char* lang) {
    config.Japanese = (lang != nullptr && std::strcmp(lang, "ja_JP.eucJP") == 0) ? 1 : 0;
    std::string dir = wycfg;
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    // Too long counts as missing: the tree paths are built from it.
    if (wycfg.empty() || !FitsField(dir, kConfigDirMax)) {
        return TW_NO_WYCFG;
    }
    config.ConfigDir = dir;
    struct stat st;
    if (::stat(wycfg.c_str(), &st) != 0) {
        if (::mkdir(wycfg.c_str(), 0755) != 0) {
            TwReport(TW_FILE_WRITE, wycfg);
            return TW_FAILED;
        }
        (void)::chmod(wycfg.c_str(), 0755);
    }
    SetTwTreeRoot(dir);
    return 0;
}

void InitializeWYConfig(WYConfig& config, TwSetup& setup) {
    const std::string path = WycfgPath(config);
    if (ValueOr(path, "NETWORK", kTwLineMax, "enable") == "enable") {
        std::string device = ValueOr(path, "NETWORK_DEVICE", kTwLineMax, "lan");
        setup.NetworkType = device == "wirelesslan" ? NET_WIRELESS
                            : device == "lan"       ? NET_LAN
                                                    : NET_DISABLED;
    } else {
        setup.NetworkType = NET_DISABLED;
    }
    std::string dialup = ValueOr(path, "DIALUP", kTwLineMax, "modem");
    setup.DialupDevice = dialup == "pdc" ? DIAL_PDC : dialup == "phs" ? DIAL_PHS : DIAL_MODEM;

    config.ModemDevice = ValueOr(path, "MODEM_DEVICE", kDevicePathMax, "/dev/ttyS14");
    config.PhsDevice = ValueOr(path, "PHS_DEVICE", kDevicePathMax, "/dev/ttyS0");
    config.PdcDevice = ValueOr(path, "PDC_DEVICE", kDevicePathMax, "/dev/ttyS0");
    config.ModemSpeed = ValueOr(path, "MODEM_SPEED", kSpeedMax, "115200");
    config.PhsSpeed = ValueOr(path, "PHS_SPEED", kSpeedMax, "115200");
    config.PdcSpeed = ValueOr(path, "PDC_SPEED", kSpeedMax, "115200");
    config.NetworkScript = ValueOr(path, "NETWORK_SCRIPT", kScriptPathMax, "");
    config.DialupScript = ValueOr(path, "DIALUP_SCRIPT", kScriptPathMax, "");
}

int ReflectionWYConfig(const WYConfig& config, const TwSetup& setup) {
    const std::string path = WycfgPath(config);
    bool enabled = setup.NetworkType == NET_LAN || setup.NetworkType == NET_WIRELESS;
    int rc = SetConfiguration(path, "NETWORK", enabled ? "enable" : "disable", SEP_EQUAL, true);
    if (rc != 0) {
        return rc;
    }
    const char* device = setup.NetworkType == NET_LAN        ? "lan"
                         : setup.NetworkType == NET_WIRELESS ? "wirelesslan"
                                                             : "";
    rc = SetConfiguration(path, "NETWORK_DEVICE", device, SEP_EQUAL, true, true);
    if (rc != 0) {
        return rc;
    }
    static const char* const kDevices[] = {"modem", "phs", "pdc"};
    if (setup.DialupDevice >= 0 && setup.DialupDevice <= 2) {
        rc = SetConfiguration(path, "DIALUP", kDevices[setup.DialupDevice], SEP_EQUAL, true);
    }
    return rc;
}

char NetworkScriptDigit(int oldType, int newType) {
    static const char kDigits[3][3] = {{'6', '2', '4'}, {'1', '5', '3'}, {'7', '8', '8'}};
    auto clamp = [](int type) { return type >= 0 && type <= 2 ? type : 2; };
    return kDigits[clamp(oldType)][clamp(newType)];
}

int ReflectionConfigure(const WYConfig& config, const TwSetup& oldSetup, TwSetup& newSetup,
                        const TwPaths& paths, TwClock& clock) {
    TwTreeLock lock(config.ConfigDir);
    if (!HeldOrReported(lock, config)) {
        return TW_APPLY_FATAL;
    }
    // A lost device or network choice would make the scripts install the wrong set.
    if (ReflectionWYConfig(config, newSetup) != 0) {
        return TW_APPLY_FATAL;
    }
    ::sync();
    // Each group is synced once written; the first failure stops the rest.
    int mask = 0;
    auto written = [&mask](int rc, int bit) {
        ::sync();
        if (rc == TW_CHANGED) {
            mask |= bit;
        }
        return rc != TW_APPLY_FATAL;
    };
    if (!written(ReflectionNetworkConf(config, oldSetup, newSetup), 1) ||
        !written(ReflectionDialupConf(config, oldSetup, newSetup, paths), 2) ||
        !written(ReflectionTimeConf(oldSetup, newSetup, paths, clock), 4)) {
        return TW_APPLY_FATAL;
    }
    return mask;
}

void CloseErrors(ApplyProcess& process) {
    if (process.errorFd >= 0) {
        ::close(process.errorFd);
        process.errorFd = -1;
    }
}

int RestoreConfigure(const WYConfig& config, const TwSetup& applied, const TwSetup& old,
                     const TwPaths& paths) {
    TwTreeLock lock(config.ConfigDir);
    if (!HeldOrReported(lock, config)) {
        return TW_APPLY_FATAL;
    }
    // The roles swap: what was applied is compared with the old record, and
    // every group that differs is written back as it was.
    if (ReflectionWYConfig(config, old) != 0 ||
        ReflectionNetworkConf(config, applied, old) == TW_APPLY_FATAL ||
        ReflectionDialupConf(config, applied, old, paths) == TW_APPLY_FATAL) {
        return TW_APPLY_FATAL;
    }
    return 0;
}

namespace {

// The first lines of what the steps wrote to their error output.
std::string ErrorHead(const ApplyProcess& process) {
    if (process.errorFd < 0) {
        return "";
    }
    char buf[kApplyErrorBytes + 1];
    ssize_t n = ::pread(process.errorFd, buf, kApplyErrorBytes, 0);
    if (n <= 0) {
        return "";
    }
    std::string head(buf, static_cast<std::size_t>(n));
    std::size_t at = 0;
    for (int line = 0; line < kApplyErrorLines && at != std::string::npos; ++line) {
        at = head.find('\n', at);
        if (at != std::string::npos) {
            ++at;
        }
    }
    if (at != std::string::npos) {
        head.resize(at);
    }
    while (!head.empty() && (head.back() == '\n' || head.back() == ' ')) {
        head.pop_back();
    }
    return head;
}

// Starts the step at process.step (none left: nothing runs).  A program
// that cannot be executed has ended with a failing status, which the
// collection of its pid reports like any other failure.
suite::LaunchFailure StartStep(ApplyProcess& process) {
    process.pid = -1;
    if (process.step >= process.steps.size()) {
        return suite::LaunchFailure::kNone;
    }
    const std::vector<std::string>& argv = process.steps[process.step];
    suite::LaunchOptions options;
    options.searchPath = true;  // a script is started by name, its path as argv[0]
    options.stderrFd = process.errorFd;
    options.execFailureStatus = kApplyExecFailed;
    const suite::LaunchResult started = suite::Launch(argv[0], argv, options);
    process.pid = started.pid;
    return started.failure;
}

// Reports the end: success, or the failure of the current step, named with
// the first lines of the error output.  Always 1.
int FinishApply(ApplyProcess& process, bool failed, int& code, std::string& text) {
    code = 0;
    text.clear();
    if (failed) {
        code = TW_FILE_RUN_FAILED;
        if (process.step < process.steps.size()) {
            text = process.steps[process.step][0];
        }
        const std::string reason = ErrorHead(process);
        if (!reason.empty()) {
            text += "\n" + reason;
        }
    }
    CloseErrors(process);
    process = ApplyProcess{};
    return 1;
}

// What the collection of the running step found: it runs on (0), or it
// ended and the next step starts (0), or the apply has ended (1).
int AdvanceApply(ApplyProcess& process, pid_t collected, int status, int& code, std::string& text) {
    if (collected == 0) {
        return 0;
    }
    // Collected elsewhere (< 0): its outcome is unknown, not a failure we can name.
    if (collected > 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        return FinishApply(process, true, code, text);
    }
    ++process.step;
    if (StartStep(process) == suite::LaunchFailure::kNoFork) {
        return FinishApply(process, true, code, text);
    }
    return process.pid < 0 ? FinishApply(process, false, code, text) : 0;
}

}  // namespace

int ExecConfigure(int mask, const WYConfig& config, int oldNetworkType, int newNetworkType,
                  const TwPaths& paths, ApplyProcess& process) {
    CloseErrors(process);
    process = ApplyProcess{};
    const std::string digit(1, NetworkScriptDigit(oldNetworkType, newNetworkType));
    if ((mask & 1) && IsFile(config.NetworkScript)) {
        process.steps.push_back({config.NetworkScript, digit});
    }
    if ((mask & 2) && IsFile(config.DialupScript)) {
        process.steps.push_back({config.DialupScript});
    }
    if (mask & 4) {
        process.steps.push_back({paths.hwclock, "--utc", "--systohc"});
    }
    // The steps' error output is kept, so a failure can be shown with its reason.
    process.errorFd = ::memfd_create("tunewell-apply-errors", MFD_CLOEXEC);
    if (StartStep(process) == suite::LaunchFailure::kNoFork) {
        CloseErrors(process);
        process = ApplyProcess{};
        g_warning("Memory allocate failed. Insufficient memory!");
        return TW_APPLY_FATAL;
    }
    return TW_APPLY_STARTED;
}

int CheckApplyProcess(ApplyProcess& process, int& code, std::string& text) {
    if (process.pid <= 0) {
        return FinishApply(process, false, code, text);
    }
    int status = 0;
    const pid_t collected = suite::CollectChild(process.pid, &status);
    return AdvanceApply(process, collected, status, code, text);
}

int WaitApplyProcess(ApplyProcess& process, int& code, std::string& text) {
    while (process.pid > 0) {
        int status = 0;
        const pid_t collected = suite::WaitChild(process.pid, &status);
        if (AdvanceApply(process, collected, status, code, text) != 0) {
            return 1;
        }
    }
    return FinishApply(process, false, code, text);
}

}  // namespace tw

#include "tunewell/TwConfig.h"

#include <errno.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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
NetworkConf* pTwNewNet = nullptr;
DialupConf* pTwNewDial = nullptr;

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

template <std::size_t N>
bool SameChars(const char (&a)[N], const char (&b)[N]) {
    return std::memcmp(a, b, N) == 0;
}

template <std::size_t N>
std::string ValueOr(const std::string& path, const std::string& key, const char* fallback) {
    std::string value;
    if (GetConfiguration(path, key, value, N, false) != 0) {
        return fallback;
    }
    return value;
}

std::string WycfgPath(const WYConfig& config) {
    return std::string(config.ConfigDir) + "wycfg.dat";
}

bool IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// Resolves a program name through PATH before any fork.
std::string ResolveProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t colon = path.find(':', start);
        std::string dir =
            path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    return name;
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

bool SameNetwork(const NetworkConf& a, const NetworkConf& b) {
    return a.AddressMode == b.AddressMode && SameChars(a.HostName, b.HostName) &&
           SameChars(a.DomainName, b.DomainName) && SameChars(a.IpAddress, b.IpAddress) &&
           SameChars(a.Netmask, b.Netmask) && SameChars(a.Gateway, b.Gateway) &&
           SameChars(a.Essid, b.Essid) && SameChars(a.CipherKey, b.CipherKey) &&
           std::memcmp(a.NameServer, b.NameServer, sizeof a.NameServer) == 0 &&
           a.NameServerCount == b.NameServerCount;
}

bool SameDialup(const DialupConf& a, const DialupConf& b) {
    return SameChars(a.PhoneNumber, b.PhoneNumber) && a.DialType == b.DialType &&
           SameChars(a.Account, b.Account) && SameChars(a.Password, b.Password) &&
           a.AuthType == b.AuthType && SameChars(a.AtCommand, b.AtCommand) &&
           std::memcmp(a.NameServer, b.NameServer, sizeof a.NameServer) == 0 &&
           a.NameServerCount == b.NameServerCount;
}

bool SameTimePage(const TwSetup& a, const TwSetup& b) {
    return SameChars(a.TimeZone, b.TimeZone) && SameChars(a.Year, b.Year) &&
           SameChars(a.Month, b.Month) && SameChars(a.Day, b.Day) && SameChars(a.Hour, b.Hour) &&
           SameChars(a.Minute, b.Minute) && SameChars(a.Second, b.Second);
}

bool SameSetup(const TwSetup& a, const TwSetup& b) {
    return a.NetworkType == b.NetworkType && a.DialupDevice == b.DialupDevice &&
           SameNetwork(a.Lan, b.Lan) && SameNetwork(a.WirelessLan, b.WirelessLan) &&
           SameDialup(a.Modem, b.Modem) && SameDialup(a.Phs, b.Phs) && SameDialup(a.Pdc, b.Pdc) &&
           SameTimePage(a, b);
}

void ClearWYConfig(WYConfig& config) {
    std::memset(&config, 0, sizeof config);
}

void ClearSetup(TwSetup& setup) {
    setup.NetworkType = 0;
    setup.DialupDevice = 0;
    for (NetworkConf* net : {&setup.Lan, &setup.WirelessLan}) {
        std::memset(net, 0, sizeof *net);
    }
    for (DialupConf* dial : {&setup.Modem, &setup.Phs, &setup.Pdc}) {
        std::memset(dial, 0, sizeof *dial);
    }
    std::memset(setup.TimeZone, 0, sizeof setup.TimeZone);
    for (char* field :
         {setup.Year, setup.Month, setup.Day, setup.Hour, setup.Minute, setup.Second}) {
        std::memset(field, 0, 8);
    }
    setup.TimeReadAt = 0;
    setup.ZoneList.clear();
}

int SetConfigDir(WYConfig& config, const std::string& wycfg, const char* lang) {
    config.Japanese = (lang != nullptr && std::strcmp(lang, "ja_JP.eucJP") == 0) ? 1 : 0;
    std::string dir = wycfg;
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    // Too long counts as missing: the tree paths are built from it.
    if (wycfg.empty() || !SetField(config.ConfigDir, dir)) {
        return TW_NO_WYCFG;
    }
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
    std::string network = ValueOr<2048>(path, "NETWORK", "enable");
    if (network == "enable") {
        std::string device = ValueOr<2048>(path, "NETWORK_DEVICE", "lan");
        setup.NetworkType = device == "wirelesslan" ? NET_WIRELESS
                            : device == "lan"       ? NET_LAN
                                                    : NET_DISABLED;
    } else {
        setup.NetworkType = NET_DISABLED;
    }
    std::string dialup = ValueOr<2048>(path, "DIALUP", "modem");
    setup.DialupDevice = dialup == "pdc" ? DIAL_PDC : dialup == "phs" ? DIAL_PHS : DIAL_MODEM;

    SetField(config.ModemDevice, ValueOr<1025>(path, "MODEM_DEVICE", "/dev/ttyS14"));
    SetField(config.PhsDevice, ValueOr<1025>(path, "PHS_DEVICE", "/dev/ttyS0"));
    SetField(config.PdcDevice, ValueOr<1025>(path, "PDC_DEVICE", "/dev/ttyS0"));
    SetField(config.ModemSpeed, ValueOr<33>(path, "MODEM_SPEED", "115200"));
    SetField(config.PhsSpeed, ValueOr<33>(path, "PHS_SPEED", "115200"));
    SetField(config.PdcSpeed, ValueOr<33>(path, "PDC_SPEED", "115200"));
    SetField(config.NetworkScript, ValueOr<2048>(path, "NETWORK_SCRIPT", ""));
    SetField(config.DialupScript, ValueOr<2048>(path, "DIALUP_SCRIPT", ""));
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
    if (!lock.locked()) {
        TwReport(lock.error(), lock.error() == TW_FILE_OPEN ? TwTreeLockPath(config.ConfigDir) : "");
        return TW_APPLY_FATAL;
    }
    int mask = 0;
    // A lost device or network choice would make the scripts install the wrong set.
    if (ReflectionWYConfig(config, newSetup) != 0) {
        return TW_APPLY_FATAL;
    }
    ::sync();
    int rc = ReflectionNetworkConf(config, oldSetup, newSetup);
    ::sync();
    if (rc == TW_APPLY_FATAL) {
        return rc;
    }
    if (rc == TW_CHANGED) {
        mask |= 1;
    }
    rc = ReflectionDialupConf(config, oldSetup, newSetup, paths);
    ::sync();
    if (rc == TW_APPLY_FATAL) {
        return rc;
    }
    if (rc == TW_CHANGED) {
        mask |= 2;
    }
    rc = ReflectionTimeConf(oldSetup, newSetup, paths, clock);
    ::sync();
    if (rc == TW_APPLY_FATAL) {
        return rc;
    }
    if (rc == TW_CHANGED) {
        mask |= 4;
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
    if (!lock.locked()) {
        TwReport(lock.error(), lock.error() == TW_FILE_OPEN ? TwTreeLockPath(config.ConfigDir) : "");
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

int ExecConfigure(int mask, const WYConfig& config, int oldNetworkType, int newNetworkType,
                  const TwPaths& paths, ApplyProcess& process) {
    // Every argument vector is built here: the forked process only forks,
    // execs, waits and exits.
    std::vector<std::vector<std::string>> steps;
    process.programs.clear();
    const std::string digit(1, NetworkScriptDigit(oldNetworkType, newNetworkType));
    if ((mask & 1) && IsFile(config.NetworkScript)) {
        steps.push_back({config.NetworkScript, digit});
    }
    if ((mask & 2) && IsFile(config.DialupScript)) {
        steps.push_back({config.DialupScript});
    }
    if (mask & 4) {
        steps.push_back({paths.hwclock, "--utc", "--systohc"});
    }
    std::vector<std::string> files;
    std::vector<std::vector<char*>> argvs;
    for (auto& step : steps) {
        process.programs.push_back(step[0]);
        files.push_back(ResolveProgram(step[0]));
        std::vector<char*> argv;
        for (auto& arg : step) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        argvs.push_back(std::move(argv));
    }

    // The steps' error output is kept, so a failure can be shown with its reason.
    CloseErrors(process);
    process.errorFd = ::memfd_create("tunewell-apply-errors", MFD_CLOEXEC);
    pid_t pid = ::fork();
    if (pid < 0) {
        CloseErrors(process);
        g_warning("Memory allocate failed. Insufficient memory!");
        return TW_APPLY_FATAL;
    }
    if (pid == 0) {
        // The window process may ignore these; the steps must see them plainly.
        struct sigaction plain = {};
        plain.sa_handler = SIG_DFL;
        ::sigaction(SIGCHLD, &plain, nullptr);
        ::sigaction(SIGPIPE, &plain, nullptr);
        for (std::size_t i = 0; i < argvs.size(); ++i) {
            pid_t child = ::fork();
            if (child < 0) {
                ::_exit(static_cast<int>(10 + i));
            }
            if (child == 0) {
                if (process.errorFd >= 0) {
                    ::dup2(process.errorFd, 2);
                }
                // The scripts get no share of the window's connections.
                ::close_range(3, ~0U, 0);
                ::execv(files[i].c_str(), argvs[i].data());
                ::_exit(127);
            }
            int status = 0;
            while (::waitpid(child, &status, 0) < 0) {
                if (errno != EINTR) {
                    ::_exit(static_cast<int>(10 + i));
                }
            }
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                ::_exit(static_cast<int>(10 + i));
            }
        }
        ::_exit(0);
    }
    process.pid = pid;
    return TW_APPLY_STARTED;
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

int Decode(ApplyProcess& process, int status, int& code, std::string& text) {
    process.pid = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        CloseErrors(process);
        code = 0;
        text.clear();
        return 1;
    }
    code = TW_FILE_RUN_FAILED;
    text.clear();
    if (WIFEXITED(status)) {
        std::size_t step = static_cast<std::size_t>(WEXITSTATUS(status));
        if (step >= 10 && step - 10 < process.programs.size()) {
            text = process.programs[step - 10];
        }
    }
    const std::string reason = ErrorHead(process);
    if (!reason.empty()) {
        text += "\n" + reason;
    }
    CloseErrors(process);
    return 1;
}

}  // namespace

int CheckApplyProcess(ApplyProcess& process, int& code, std::string& text) {
    if (process.pid <= 0) {
        code = 0;
        text.clear();
        return 1;
    }
    int status = 0;
    pid_t got = ::waitpid(process.pid, &status, WNOHANG);
    if (got == 0) {
        return 0;
    }
    if (got < 0) {
        if (errno == EINTR) {
            return 0;
        }
        // Collected elsewhere: its outcome is unknown, not a failure we can name.
        process.pid = -1;
        CloseErrors(process);
        code = 0;
        text.clear();
        return 1;
    }
    return Decode(process, status, code, text);
}

int WaitApplyProcess(ApplyProcess& process, int& code, std::string& text) {
    if (process.pid <= 0) {
        code = 0;
        text.clear();
        return 1;
    }
    int status = 0;
    while (::waitpid(process.pid, &status, 0) < 0) {
        if (errno != EINTR) {
            process.pid = -1;
            CloseErrors(process);
            code = 0;
            text.clear();
            return 1;
        }
    }
    return Decode(process, status, code, text);
}

}  // namespace tw

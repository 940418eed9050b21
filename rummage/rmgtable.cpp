#include "rummage/rmgtable.h"

#include "common/ProcessUtil.h"

#include <glib.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "rummage/rmgfiles.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"

namespace rmg {

GTable* pGTable = nullptr;

namespace {

constexpr std::uint16_t kOn = 65280;

struct DefaultColor {
    std::uint16_t r, g, b;
};
// Directory, executable, normal, core, link, broken link, socket, device.
constexpr DefaultColor kDefaultColors[kColorCount] = {
    {0, 0, kOn},   {0, kOn, 0}, {0, 0, 0},     {kOn, 0, 0},
    {kOn, kOn, 0}, {kOn, 0, 0}, {kOn, 0, kOn}, {0, 0, 0},
};

bool EndsWithSlash(const std::string& s) {
    return !s.empty() && s.back() == '/';
}

// A path with a ".." component can name a place outside the directory its
// text begins with.
bool HasDotDotComponent(const std::string& path) {
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        if (path.compare(pos, next - pos, "..") == 0 && next - pos == 2)
            return true;
        pos = next + 1;
    }
    return false;
}

}  // namespace

void DefaultGTable(GTable& t) {
    t.WindowX = 50;
    t.WindowY = 50;
    t.WindowWidth = 600;
    t.WindowHeight = 400;
    t.PandPosition = 200;
    t.CurrentDir.clear();
    t.SortColumn = 1;
    t.SortType = 0;
    t.Filter = 0;
    t.FilterName = "*";
    t.ShowBackup = 0;
    t.ShowHidden = 0;
    t.SortCase = 0;
    t.MixFileDir = 0;
    t.ConfilmDel = 1;
    t.ConfilmOverwrite = 1;
    t.ConfilmExec = 0;
    t.ShowProgress = 1;
    t.ColumnCount = 3;
    t.NameColumn = 1;
    std::fill(std::begin(t.ColumnPosition), std::end(t.ColumnPosition), 0);
    std::fill(std::begin(t.ColumnSize), std::end(t.ColumnSize), 0);
    t.ColumnPosition[0] = COLUMN_NAME;
    t.ColumnPosition[1] = COLUMN_SIZE;
    t.ColumnPosition[2] = COLUMN_MODIFY_TIME;
    t.ColumnSize[0] = 150;
    t.ColumnSize[1] = 70;
    for (int i = 0; i < kColorCount; ++i) {
        t.Color[i].red = kDefaultColors[i].r;
        t.Color[i].green = kDefaultColors[i].g;
        t.Color[i].blue = kDefaultColors[i].b;
    }
}

void DefaultGTable() {
    if (pGTable != nullptr)
        DefaultGTable(*pGTable);
}

int IsJapaneseLocale(const char* lang) {
    return lang != nullptr && std::strncmp(lang, "ja_JP", 5) == 0 ? 1 : 0;
}

int InitGlobalTable(const std::string& settingsDir) {
    delete pGTable;
    pGTable = new (std::nothrow) GTable();
    if (pGTable == nullptr)
        return RESULT_NO_MEMORY;
    pGTable->JapaneseLocale = IsJapaneseLocale(std::getenv("LANG"));
    pGTable->SettingsDir = settingsDir;
    GetGTable(*pGTable);
    ReadAppInfo(settingsDir, "[Extension]", pGTable->ExtensionInfo);
    ReadAppInfo(settingsDir, "[Application]", pGTable->ApplicationInfo);
    return 0;
}

void TerminateGlobalTable(const WindowGeometry* window) {
    if (pGTable == nullptr)
        return;
    SetGTable(*pGTable, window);
    delete pGTable;
    pGTable = nullptr;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cmd;
    if (args.size() < 2)
        return cmd;
    const std::string& first = args[1];
    if (first == "--root") {
        cmd.root = true;
        if (args.size() > 2) {
            cmd.hasCandidate = true;
            cmd.candidate = args[2];
        }
    } else if (first == "--home") {
        if (args.size() > 2) {
            std::string home = args[2];
            if (!home.empty() && home.size() <= kPathMax && IsDirectory(home)) {
                // A relative home would never match the absolute paths
                // everything else is checked with.
                if (home[0] != '/') {
                    char cwd[kPathBufferSize];
                    if (::getcwd(cwd, sizeof cwd) != nullptr)
                        home = std::string(cwd) + (EndsWithSlash(cwd) ? "" : "/") + home;
                    else
                        home.clear();
                }
                // HomeDir gets a "/" appended; it must still fit.
                std::size_t needed = home.size() + (EndsWithSlash(home) ? 0 : 1);
                if (needed <= kPathMax)
                    cmd.home = home;
            }
        }
        if (args.size() > 3) {
            cmd.hasCandidate = true;
            cmd.candidate = args[3];
        }
    }
    return cmd;
}

int SetupStartDirectories(GTable& table, const CommandLine& cmd, const char* envHome) {
    std::string home = cmd.root ? std::string("/") : cmd.home;
    if (home.empty() && envHome != nullptr)
        home = envHome;
    if (home.empty()) {
        // HOME unset: the account's home directory.
        if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
            home = pw->pw_dir;
    }
    if (home.empty())
        return RESULT_BAD_ARGUMENT;
    if (!EndsWithSlash(home))
        home += '/';
    if (home.size() > kPathMax)
        return RESULT_BAD_ARGUMENT;
    table.HomeDir = home;

    table.StartDir.clear();
    if (cmd.hasCandidate && !HasDotDotComponent(cmd.candidate) && IsDirectory(cmd.candidate) &&
        CheckChildDirectory(cmd.candidate.c_str(), table.HomeDir) == 0) {
        std::string start = cmd.candidate;
        if (!EndsWithSlash(start))
            start += '/';
        if (start.size() <= kPathMax)
            table.StartDir = start;
    }

    AddHistoryListS(table.LocationDirHistory, table.HomeDir);
    if (table.DirHistory.empty())
        table.DirHistory.push_back(table.HomeDir);
    if (table.FilterHistory.empty())
        table.FilterHistory.push_back("*");
    return 0;
}

void AddHistoryListS(HistoryList& list, const char* text) {
    if (text == nullptr || *text == '\0')
        return;
    std::size_t len = std::strlen(text);
    if (len > kPathMax)
        return;
    auto it = std::find(list.begin(), list.end(), std::string(text, len));
    if (it != list.end()) {
        if (it != list.begin())
            std::rotate(list.begin(), it, it + 1);
        return;
    }
    if (list.size() >= kHistoryMax)
        list.erase(list.begin() + (kHistoryMax - 1));
    list.insert(list.begin(), std::string(text, len));
}

pid_t ExecRummage(const std::vector<std::string>& argv) {
    const std::vector<std::string> args = argv.empty() ? std::vector<std::string>{"rummage"} : argv;
    return suite::ExecArgvDoubleFork("rummage", args,
                                     [] { g_error("Not enough mmemory! Stop.\n"); });
}

}  // namespace rmg

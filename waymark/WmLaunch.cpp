// Launching items and the bar's file-manager and help buttons.
#include "waymark/WmLaunch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "common/TwoByteText.h"

namespace wm {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Position of the last "." of a path, stepping over two-byte characters;
// npos when there is none.
std::size_t LastDot(const std::string& path) {
    std::size_t dot = std::string::npos;
    std::size_t pos = 0;
    while (pos < path.size()) {
        if (path[pos] == '.') {
            dot = pos;
        }
        pos += suite::TwoByteStep(path.c_str() + pos, suite::kHighSecondByte);
    }
    return dot;
}

std::string DocumentArgument(const NaviData& data, const std::string& program,
                             const std::string& link) {
    return program == data.WebAP ? "file:" + link : link;
}

}  // namespace

SystemStarter::SystemStarter(suite::ProcPaths proc) : proc_(std::move(proc)) {}

pid_t SystemStarter::Start(const std::string& file, const std::vector<std::string>& argv) {
    // The shared launcher's defaults are Waymark's start: the path as found,
    // default signals and an empty mask in the child, status 0 after a failed
    // exec.  Waymark never waits for a child: the timer collects it.
    const suite::LaunchResult started = suite::Launch(file, argv, {});
    if (started.pid < 0) {
        return -1;
    }
    children_.insert(started.pid);
    return started.pid;
}

bool SystemStarter::BrowserRunning(const std::string& processName) {
    return suite::CheckWebProcess(processName, proc_) != 0;
}

int SystemStarter::ChangeDirectory(const std::string& dir) {
    return ::chdir(dir.c_str());
}

int SystemStarter::CheckExitChildProcess() {
    for (auto it = children_.begin(); it != children_.end();) {
        const pid_t r = suite::CollectChild(*it);
        if (r == *it || (r < 0 && errno == ECHILD)) {
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
    return 1;
}

std::string FindProgram(const std::string& path, const LaunchPaths& paths) {
    if (path.empty()) {
        return std::string();
    }
    if (path.find('/') != std::string::npos) {
        return Exists(path) ? path : std::string();
    }
    std::string search;
    if (paths.path) {
        search = *paths.path;
    } else if (const char* env = std::getenv("PATH")) {
        search = env;
    } else {
        search = "/bin:/usr/bin";
    }
    std::size_t pos = 0;
    while (pos <= search.size()) {
        std::size_t end = search.find(':', pos);
        if (end == std::string::npos) {
            end = search.size();
        }
        std::string dir = search.substr(pos, end - pos);
        if (dir.empty()) {
            dir = ".";
        }
        const std::string candidate = dir + "/" + path;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        pos = end + 1;
    }
    return std::string();
}

std::vector<std::string> MakeArgv(const NaviData& data, const std::string& path,
                                  const std::string& argument, ProcessStarter& starter) {
    if (path == data.WebAP && starter.BrowserRunning(data.WebProcName)) {
        return {path, "-remote", "openURL(" + argument + ")"};
    }
    if (argument.empty()) {
        return {path};
    }
    return {path, argument};
}

pid_t ExecProcess(const NaviData& data, const std::string& path, const std::string& argument,
                  ProcessStarter& starter, LaunchUi& ui, const LaunchPaths& paths) {
    if (path.empty()) {
        return 0;
    }
    const std::string file = FindProgram(path, paths);
    if (file.empty()) {
        ui.ShowMessage(CODE_NO_APPLICATION, true);
        return 0;
    }
    return starter.Start(file, MakeArgv(data, path, argument, starter));
}

int GetExecAP(const NaviData& data, const std::string& path, std::string& program,
              std::string& argument, LaunchUi& ui) {
    const int row = ui.SelectApplication(data.AppList);
    if (row < 0 || static_cast<std::size_t>(row) >= data.AppList.size()) {
        return -1;
    }
    argument = path;
    program = data.AppList[static_cast<std::size_t>(row)].Value;
    return 0;
}

int ExecApp(const NaviData& data, int index, ProcessStarter& starter, LaunchUi& ui,
            const LaunchPaths& paths) {
    const NaviUser* user = GetCurrentUser(data);
    const NaviMenu* menu = user != nullptr ? GetCurrentMenu(*user) : nullptr;
    const NaviItem* item =
        menu != nullptr && index >= 0 ? GetItem(*menu, index + menu->ScrollTop) : nullptr;
    if (item == nullptr) {
        return -1;
    }
    const std::string& link = item->LinkName;
    if (item->ItemCategory == CATEGORY_DOCUMENT && !Exists(link)) {
        ui.ShowMessage(CODE_DOCUMENT_MISSING, true);
        return CODE_DOCUMENT_MISSING;
    }
    std::string program;
    std::string argument;
    switch (item->ItemCategory) {
        case CATEGORY_WEB:
            program = data.WebAP;
            argument = link;
            break;
        case CATEGORY_APPLICATION:
            program = link;
            break;
        case CATEGORY_DOCUMENT: {
            const std::size_t dot = LastDot(link);
            if (dot == std::string::npos) {
                if (GetExecAP(data, link, program, argument, ui) != 0) {
                    return -1;
                }
                break;
            }
            const std::string extension = link.substr(dot + 1);
            const auto known = std::find_if(data.ExtList.begin(), data.ExtList.end(),
                                            [&](const NaviExt& e) { return e.Key == extension; });
            if (known != data.ExtList.end()) {
                program = known->Value;
            } else if (GetExecAP(data, link, program, argument, ui) != 0) {
                return -1;
            }
            argument = DocumentArgument(data, program, link);
            break;
        }
        default:
            break;
    }
    ExecProcess(data, program, argument, starter, ui, paths);
    return 0;
}

pid_t StartFileManager(const NaviData& data, ProcessStarter& starter, const LaunchPaths& paths) {
    if (data.FileManager.empty()) {
        return 0;
    }
    const std::string file = FindProgram(data.FileManager, paths);
    if (file.empty()) {
        return 0;
    }
    std::string home;
    if (paths.home) {
        home = *paths.home;
    } else if (const char* env = std::getenv("HOME")) {
        home = env;
    }
    if (home.empty()) {
        return 0;
    }
    starter.ChangeDirectory(home);
    const pid_t pid = starter.Start(file, {data.FileManager});
    return pid < 0 ? 0 : pid;
}

pid_t OpenHelp(const NaviData& data, ProcessStarter& starter, LaunchUi& ui,
               const LaunchPaths& paths) {
    return ExecProcess(data, data.WebAP, "file:" + data.HelpPath + "Waymark.htm", starter, ui,
                       paths);
}

}  // namespace wm

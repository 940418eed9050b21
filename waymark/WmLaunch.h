// Launching items, the bar's file-manager and help buttons, and collecting
// the children Waymark started; the bar's handlers (WmCallbacks) call it.
// Starting goes through ProcessStarter so tests record what would run.
#pragma once

#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ProcessUtil.h"
#include "waymark/WmFile.h"

namespace wm {

// System paths a launch depends on; unset fields use the environment.
struct LaunchPaths {
    suite::ProcPaths proc;            // where the browser is looked for
    std::optional<std::string> path;  // search path for bare program names
    std::optional<std::string> home;  // the file manager's directory
};

// How programs are started.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    // Starts the program at `file` (absolute, already found) with `argv`
    // (argv[0] included), detached.  The child's pid, or -1.
    virtual pid_t Start(const std::string& file, const std::vector<std::string>& argv) = 0;
    // Whether a live process whose name begins with `processName` runs.
    virtual bool BrowserRunning(const std::string& processName) = 0;
    // Changes Waymark's own working directory (kept by later children).
    virtual int ChangeDirectory(const std::string& dir) = 0;
    // Collects the children it started that have ended, without waiting;
    // the bar's timer calls it every second.  A starter that starts no
    // process has nothing to collect.
    virtual void CollectFinished() {}
};

// The real starter, through suite::Launch: a failed exec ends the child
// with status 0; the child starts with every signal at its default and none
// blocked, whatever Waymark set.  It remembers its children and collects
// exactly those, never waiting for one.
class SystemStarter : public ProcessStarter {
  public:
    explicit SystemStarter(suite::ProcPaths proc = {});
    pid_t Start(const std::string& file, const std::vector<std::string>& argv) override;
    bool BrowserRunning(const std::string& processName) override;
    int ChangeDirectory(const std::string& dir) override;
    void CollectFinished() override { CheckExitChildProcess(); }
    // Collects every finished child this starter started, without blocking,
    // and never one it did not start.  Returns 1 (the timer stays).
    int CheckExitChildProcess();
    std::size_t ChildCount() const { return children_.size(); }

  private:
    suite::ProcPaths proc_;
    std::set<pid_t> children_;
};

// What launching needs from the windows.
class LaunchUi {
  public:
    virtual ~LaunchUi() = default;
    // Shows a message code; `showItemWindowAgain` asks that closing it shows
    // the item window again.
    virtual void ShowMessage(int code, bool showItemWindowAgain) = 0;
    // The select-application window over `apps` ("Select Applecation"): the
    // chosen row, or -1 when cancelled.
    virtual int SelectApplication(const std::vector<NaviExt>& apps) = 0;
};

// The program a path names: with a slash, the path when stat finds it;
// without one, the first PATH directory holding an executable file of that
// name.  Empty when none.
std::string FindProgram(const std::string& path, const LaunchPaths& paths);

// The argument vector for starting `path` with `argument` (empty for none):
// the browser's remote form "-remote" "openURL(arg)" when `path` is WebAP
// and the browser runs.
std::vector<std::string> MakeArgv(const NaviData& data, const std::string& path,
                                  const std::string& argument, ProcessStarter& starter);

// Starts `path` detached.  Empty path: nothing.  A program that cannot be
// found: "Application \n is not exists to run this file." marked to show
// the item window again, nothing started.  The pid, 0 for nothing, -1 when
// the start failed.
pid_t ExecProcess(const NaviData& data, const std::string& path, const std::string& argument,
                  ProcessStarter& starter, LaunchUi& ui, const LaunchPaths& paths);

// Launches item `index` + ScrollTop of the current user's open menu.  0
// when started (or handed to ExecProcess), -1 when there is no such item or
// the application choice was cancelled, CODE_DOCUMENT_MISSING (already
// shown, marked) for a missing document.
int ExecApp(const NaviData& data, int index, ProcessStarter& starter, LaunchUi& ui,
            const LaunchPaths& paths);

// The program for a document without an association: asks the person.  0
// with `program` the chosen application and `argument` = `path`, or -1.
int GetExecAP(const NaviData& data, const std::string& path, std::string& program,
              std::string& argument, LaunchUi& ui);

// File-manager button: nothing when FileManager is empty or not found or
// HOME is unset; else changes to HOME and starts it with no argument.  The
// pid or 0.
pid_t StartFileManager(const NaviData& data, ProcessStarter& starter, const LaunchPaths& paths);

// Help button: WebAP with "file:" HelpPath "Waymark.htm".
pid_t OpenHelp(const NaviData& data, ProcessStarter& starter, LaunchUi& ui,
               const LaunchPaths& paths);

}  // namespace wm

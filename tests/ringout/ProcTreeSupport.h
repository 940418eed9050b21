// Fake process tables and real helper processes for the dialer's tests.
#pragma once

#include <sys/types.h>

#include <string>

namespace rotest {

// Writes <root>/<pid>/status and stat as the kernel shows them.
void AddProcess(const std::string& root, pid_t pid, const std::string& name, char state, pid_t ppid,
                pid_t pgrp);

// A directory of executables named `name` that run /bin/sleep: the kernel
// then calls the process by that name.
std::string MakeNamedSleep(const std::string& dir, const std::string& name);

// Whether `pid` still exists and is not a zombie.
bool Alive(pid_t pid);

// Ends a process the test started (SIGKILL) and collects it.
void EndChild(pid_t pid);

// Ends every live member of the process group that `leader` (a fake daemon
// the test had started in a group of its own) led, and collects the leader.
void EndGroup(pid_t leader);

// The pid a fake daemon wrote into `file`, or -1.
pid_t PidFromFile(const std::string& file);

// Ends the group of the fake daemon whose pid is in `file` at scope end.
class DaemonGuard {
  public:
    explicit DaemonGuard(std::string file) : file_(std::move(file)) {}
    ~DaemonGuard() { EndGroup(PidFromFile(file_)); }
    DaemonGuard(const DaemonGuard&) = delete;
    DaemonGuard& operator=(const DaemonGuard&) = delete;

  private:
    std::string file_;
};

}  // namespace rotest

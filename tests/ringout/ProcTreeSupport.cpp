#include "ProcTreeSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "TestUtil.h"
#include "ringout/RoControl.h"

namespace rotest {

void AddProcess(const std::string& root, pid_t pid, const std::string& name, char state, pid_t ppid,
                pid_t pgrp) {
    const std::string dir = root + "/" + std::to_string(pid);
    testutil::MakeDirs(dir);
    std::ostringstream status;
    status << "Name:\t" << name << "\nUmask:\t0022\nState:\t" << state << " (x)\nTgid:\t" << pid
           << "\nPid:\t" << pid << "\nPPid:\t" << ppid << "\nUid:\t" << ::getuid() << "\t"
           << ::getuid() << "\t" << ::getuid() << "\t" << ::getuid() << "\n";
    testutil::WriteFile(dir + "/status", status.str());
    std::ostringstream stat;
    stat << pid << " (" << name << ") " << state << " " << ppid << " " << pgrp << " " << pgrp
         << " 0 -1 4194304\n";
    testutil::WriteFile(dir + "/stat", stat.str());
}

std::string MakeNamedSleep(const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    if (!testutil::Exists(path)) {
        testutil::MakeDirs(dir);
        if (::symlink("/bin/sleep", path.c_str()) != 0) {
            return {};
        }
    }
    return path;
}

bool Alive(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) {
        return false;
    }
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

void EndChild(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

void EndGroup(pid_t leader) {
    if (leader <= 0) {
        return;
    }
    std::vector<ro::ProcEntry> table;
    ro::ReadProcessTable("/proc", table);
    for (const ro::ProcEntry& e : table) {
        if (e.pgrp == leader && e.pid > 0 && e.state != 'Z') {
            ::kill(e.pid, SIGKILL);
        }
    }
    ::waitpid(leader, nullptr, 0);
}

pid_t PidFromFile(const std::string& file) {
    if (!testutil::Exists(file)) {
        return -1;
    }
    const pid_t pid = std::atoi(testutil::ReadFile(file).c_str());
    return pid > 0 ? pid : -1;
}

}  // namespace rotest

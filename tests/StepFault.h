// Ends a save at one of its steps: the step fails, or the process dies there.
#pragma once

#include <dirent.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/SafeFile.h"

namespace testutil {

// Runs `write` with its step `n` failing with EIO; true when step `n` was reached.
inline bool FailAtStep(int n, const std::function<void()>& write) {
    int step = 0;
    suite::SetFaultHook([&] { return ++step == n ? EIO : 0; });
    write();
    suite::SetFaultHook({});
    return step >= n;
}

// Runs `write` in a child that dies at its step `n`; true when step `n` was
// reached.  A child that gets through must see `write` succeed.
inline bool KillAtStep(int n, const std::function<int()>& write) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int step = 0;
        suite::SetFaultHook([&] {
            if (++step == n) {
                ::_exit(3);
            }
            return 0;
        });
        ::_exit(write() == 0 ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 1) << "step " << n;
    return WEXITSTATUS(status) == 3;
}

// Runs `fn` in a child as user and group `id`, with no other groups; its
// result, or -1 when the child did not exit.
inline int RunAs(uid_t id, const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) {
            ::_exit(255);
        }
        ::_exit(fn());
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// The entries of `dir`, sorted, without "." and "..".
inline std::vector<std::string> DirNames(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    while (const dirent* e = d != nullptr ? ::readdir(d) : nullptr) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            names.push_back(e->d_name);
        }
    }
    if (d != nullptr) {
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testutil

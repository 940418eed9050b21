// What the tests of the file operation engine share: looks at the tree a
// run leaves, a fixture that runs whole operations the way the File
// commands do with the answers given by script, and a private mount
// namespace for trees on their own file systems.
#pragma once

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "CoreTableSupport.h"
#include "FakeUiSupport.h"
#include "TestUtil.h"
#include "rummage/rmgfileop.h"

namespace rmgtest {

using Strings = std::vector<std::string>;

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

inline mode_t ModeOf(const std::string& path) {
    return StatOf(path).st_mode;
}

inline std::string LinkText(const std::string& path) {
    std::string buf(8192, '\0');
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    return n < 0 ? std::string() : buf.substr(0, static_cast<std::size_t>(n));
}

// The names in `dir`, sorted.
inline Strings Names(const std::string& dir) {
    Strings names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) {
        c = static_cast<char>(rng());
    }
    return s;
}

// Makes entries under `root` (ending in "/"), parents included: "dir/" is a
// directory, "name=text" a file holding the text.
inline void MakeEntries(const std::string& root, std::initializer_list<const char*> entries) {
    for (const std::string entry : entries) {
        const std::size_t eq = entry.find('=');
        const std::string path = root + entry.substr(0, eq);
        testutil::MakeDirs(eq == std::string::npos ? path : path.substr(0, path.rfind('/')));
        if (eq != std::string::npos) {
            testutil::WriteFile(path, entry.substr(eq + 1));
        }
    }
}

// Moves the calling process (a child) into its own mount namespace, so
// what it mounts is seen by nothing else.
inline bool PrivateMounts() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class FileOpFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        rmg::SetFileOpUi(&ui);
        ::chmod(tmp.path().c_str(), 0755);
    }
    void TearDown() override {
        rmg::DestroyProgress();
        rmg::SetFileOpUi(nullptr);
    }

    std::string P(const std::string& name) const { return tmp / name; }
    std::string D(const std::string& name) const { return tmp / name + "/"; }

    void Make(std::initializer_list<const char*> entries) const {
        MakeEntries(tmp.path() + "/", entries);
    }

    // A directory named like the temporary one on /dev/shm when that is
    // another file system (the test removes it), or "".
    std::string OtherFileSystem() const {
        struct stat shm {};
        struct stat here {};
        if (::stat("/dev/shm", &shm) != 0 || ::stat(tmp.path().c_str(), &here) != 0 ||
            shm.st_dev == here.st_dev) {
            return "";
        }
        return "/dev/shm/" + std::filesystem::path(tmp.path()).filename().string() + "/";
    }

    // One whole operation the way the File commands run it: a plain Yes in
    // the delete question covers one item.
    int Run(int kind, const Strings& items, const std::string& dst = {}) {
        int decided = 0;
        int answer = rmg::RESULT_NO;
        int result = 0;
        rmg::SetupProgress(items, kind);
        for (const auto& item : items) {
            if (kind == rmg::OP_COPY) {
                result = rmg::CopyFile(dst, item, &decided);
            } else if (kind == rmg::OP_MOVE) {
                result = rmg::MoveFile(dst, item, &decided);
            } else {
                result = rmg::RemoveFile(item, &answer);
            }
            if (answer == rmg::RESULT_YES) {
                answer = rmg::RESULT_NO;
            }
            if (result == rmg::RESULT_NO) {
                rmg::DestroyProgress();
                break;
            }
        }
        rmg::EndProgress();
        return result;
    }

    TableScope scope;
    FakeUi ui;
    testutil::TempDir tmp;
};

// The temporary directory as home, shown directory and settings directory.
class HomeFixture : public FileOpFixture {
  protected:
    void SetUp() override {
        FileOpFixture::SetUp();
        scope.table.HomeDir = home;
        scope.table.CurrentDir = home;
        scope.table.SettingsDir = tmp.path();
    }
    std::string home = tmp.path() + "/";
};

}  // namespace rmgtest

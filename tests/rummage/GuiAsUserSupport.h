// Window tests about permissions must see them apply, and the tests run as
// root: such a test runs itself again, alone, in a fresh process of the
// test program as an ordinary user, and reports that run's outcome.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TestUtil.h"

namespace rmgtest {

// True when the test was run as an ordinary user elsewhere (the caller then
// returns at once); false when this process is to run the test's body.
inline bool RerunAsOrdinaryUser() {
    if (::geteuid() != 0) {
        return false;
    }
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        ADD_FAILURE() << "cannot find the test program";
        return true;
    }
    exe[n] = '\0';
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    // The display's key, where the ordinary user may read it.
    testutil::TempDir keys;
    ::chmod(keys.path().c_str(), 0755);
    std::string env;
    if (const char* xauth = std::getenv("XAUTHORITY"); xauth != nullptr && *xauth != '\0') {
        const std::string copy = keys / "Xauthority";
        testutil::WriteFile(copy, testutil::ReadFile(xauth), 0644);
        env = "XAUTHORITY=" + copy + " ";
    }
    const std::string log = keys / "log";
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups env " + env +
                                "HOME=/tmp '" + std::string(exe) + "' --gtest_filter=" + filter +
                                " > " + log + " 2>&1";
    const int status = testutil::Shell(command);
    const std::string out = testutil::ReadFile(log);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    return true;
}

}  // namespace rmgtest

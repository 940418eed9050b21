// Runs a shell script that tries a real program in a private mount namespace
// (so it may mount over /usr/local/bin), and fails with the script's output.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"

namespace testutil {

// The script gets a fresh temporary directory as $1 and the build's programs
// as $2; it passes by ending with status 0.
inline void ExpectScriptPassesInPrivateMounts(const std::string& script) {
    TempDir dir;
    WriteFile(dir / "run.sh", script);
    const int rc = Shell("unshare -m --propagation private sh " + (dir / "run.sh") + " " +
                         dir.path() + " " + BuildBinDir() + " > " + (dir / "log") + " 2>&1");
    EXPECT_EQ(0, rc) << ReadFile(dir / "log");
}

}  // namespace testutil

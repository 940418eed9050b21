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

// The same, with the build's `program` first copied into a fresh
// /usr/local/bin that only root may change, as an installed one is; the
// script finds $1 as $D and the build's programs as $BIN.  Skipped where
// private mount namespaces are not allowed.
inline void ExpectInstalledProgramPasses(const std::string& program, const std::string& script) {
    if (!CanUnshareMounts()) {
        GTEST_SKIP() << "no private mount namespaces here";
    }
    ExpectScriptPassesInPrivateMounts(
        "set -u\nD=\"$1\"; BIN=\"$2\"\n"
        "mount -t tmpfs -o mode=755 none /usr/local/bin || exit 90\n"
        "cp \"$BIN/" +
        program + "\" /usr/local/bin/" + program + "\n" + script);
}

}  // namespace testutil

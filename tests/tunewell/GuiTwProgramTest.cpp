// The Tunewell program itself: its banner, and how it starts or refuses to,
// run as a separate process on this display.  Runs that could touch the
// system do so in a private mount namespace without the right to set the
// clock, on a sample tree.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "GuiTwDriver.h"
#include "TestUtil.h"

// Xlib after the toolkit's C++ headers: its macros clash with theirs.
#include "GuiXWindows.h"

namespace {

using testutil::TempDir;

const std::string kBinary = testutil::BuildBinDir() + "/Tunewell";
const int kMainWidth = 435;  // the main window; message windows are narrower

using guitest::Program;

// The private namespace, without the right to set the clock.
std::string Confined(const std::string& environment, const std::string& args) {
    return "unshare -m capsh --drop=cap_sys_time -- -c \"exec env " + environment + " '" + kBinary +
           "' " + args + "\"";
}

TEST(GuiTwProgram, VersionPrintsTheBannerAndANoticeWithoutADisplay) {
    guitest::ExpectVersionBanner(kBinary, "Tunewell  Version 1.11 2001/03/26\n");
}

TEST(GuiTwProgram, StartWithoutWycfgOrRootShowsItsMessageAndNoWindow) {
    if (!testutil::CanUnshareMounts() || ::geteuid() != 0) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    guitest::XProbe x;
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    // The unprivileged run needs to read the display's cookie.
    std::string cookie;
    if (const char* xauthority = std::getenv("XAUTHORITY")) {
        cookie = dir / "Xauthority";
        testutil::WriteFile(cookie, testutil::ReadFile(xauthority), 0644);
    }
    struct Case {
        std::string command;
        std::string message;
    };
    const Case cases[] = {
        {Confined("-u WYCFG", ""), "Tunewell: Failed to obtain environment $WYCFG.\n"},
        {"setpriv --reuid=65534 --regid=65534 --clear-groups env XAUTHORITY='" + cookie +
             "' WYCFG=/nonexistent '" + kBinary + "' --dialup",
         "Tunewell: Failed to obtain root authorities.\n"},
    };
    for (const Case& c : cases) {
        TempDir run;
        ::chmod(run.path().c_str(), 0777);
        Program program(c.command, run);
        EXPECT_TRUE(testutil::WaitFor([&] {
            return program.Err().find(c.message) != std::string::npos;
        })) << c.command
            << "\n"
            << program.Err();
        // The message window waits for its OK; no main window was built.
        EXPECT_EQ(program.Wait(200), -1) << program.Err();
        EXPECT_TRUE(x.WaitFor(program.pid(), "Tunewell")) << program.Err();
        EXPECT_FALSE(x.Find(program.pid(), "Tunewell", kMainWidth));
        program.Stop();
        EXPECT_FALSE(testutil::Exists("/nonexistent"));
    }
}

// Started with WYCFG, and as pkexec starts it: without WYCFG, so that the
// installed tree (an empty file system over /usr/local/etc here) is used.
TEST(GuiTwProgram, OpensItsWindowOnASampleTreeOrTheInstalledTreeUnderPkexec) {
    if (!testutil::CanUnshareMounts() || ::geteuid() != 0) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    guitest::XProbe x;
    twtest::SampleTree tree;
    const std::string system = "TUNEWELL_SYSROOT='" + tree.dir / "sysroot" +
                               "' TUNEWELL_CLOCK_FILE='" + tree.dir / "clock" + "'";
    const std::string installed = "/usr/local/etc/tunewell";
    const bool installedBefore = testutil::Exists(installed);
    struct Start {
        std::string script;
        std::string treeSeen;  // below /proc/<pid>/root
    };
    const Start starts[] = {
        {"exec capsh --drop=cap_sys_time -- -c \"exec env WYCFG='" + tree.wycfg + "' " + system +
             " '" + kBinary + "' --dialuponly\"\n",
         tree.wycfg + "/wycfg.dat"},
        {"mount -t tmpfs tunewell-test /usr/local/etc || exit 9\n"
         "exec capsh --drop=cap_sys_time -- -c \"exec env -u WYCFG PKEXEC_UID=1000 " +
             system + " '" + kBinary + "'\"\n",
         installed},
    };
    const auto before = tree.Snapshot();
    for (const Start& start : starts) {
        TempDir run;
        testutil::WriteFile(run / "start.sh", start.script, 0755);
        Program program("unshare -m sh '" + run / "start.sh" + "'", run);
        const pid_t pid = program.pid();
        const auto mainWindow = x.WaitFor(pid, "Tunewell", kMainWidth);
        EXPECT_TRUE(mainWindow) << program.Err();
        EXPECT_EQ(mainWindow ? mainWindow->height : 0, 480);
        EXPECT_EQ(program.Wait(0), -1) << program.Err();
        EXPECT_TRUE(
            testutil::Exists("/proc/" + std::to_string(program.pid()) + "/root" + start.treeSeen))
            << start.treeSeen;
        program.Stop();
        EXPECT_TRUE(testutil::WaitFor([&] { return !x.Find(pid, "Tunewell", kMainWidth); }));
        EXPECT_EQ(program.Err().find("Tunewell:"), std::string::npos) << program.Err();
    }
    EXPECT_EQ(tree.Snapshot(), before);
    EXPECT_EQ(testutil::Exists(installed), installedBefore);
}

}  // namespace

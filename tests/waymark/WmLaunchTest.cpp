// Launch decisions: which program gets which arguments for each kind of
// item, the browser's remote form, asking for an application, missing
// files and programs, and collecting exactly the children we started.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "WmFakeSupport.h"
#include "waymark/WmLaunch.h"

namespace {

using namespace wm;
using testutil::TempDir;
using testutil::WriteFile;
using wmtest::Argv;
using wmtest::FakeStarter;

class FakeUi : public LaunchUi {
  public:
    void ShowMessage(int code, bool again) override {
        messages.push_back(code);
        showAgain = again;
    }
    int SelectApplication(const std::vector<NaviExt>& apps) override {
        ++asked;
        offered = apps.size();
        return choice;
    }
    int choice = -1;
    int asked = 0;
    std::size_t offered = 0;
    bool showAgain = false;
    std::vector<int> messages;
};

struct Fixture {
    TempDir dir;
    NaviData data;
    LaunchPaths paths;
    Fixture() {
        testutil::MakeDirs(dir / "bin");
        testutil::MakeDirs(dir / "sub.d");
        for (const char* p : {"web", "app", "view", "bin/edit"}) {
            WriteFile(dir / p, "#!/bin/sh\n", 0755);
        }
        for (const char* p : {"doc.txt", "doc.htm", "DOC.TXT", "noext", "sub.d/noext"}) {
            WriteFile(dir / p, "x", 0644);
        }
        data.WebAP = dir / "web";
        data.WebProcName = "webproc";
        data.HelpPath = "/usr/local/share/Waymark/";
        data.FileManager = "edit";
        data.ExtList = {{"txt", "edit"}, {"htm", data.WebAP}};
        data.AppList = {{"Viewer", dir / "view"}, {"Browser", data.WebAP}};
        AddUser(data, "u");
        AddMenu(data.UserList[0], "m");
        data.UserList[0].CurrentMenu = 0;
        paths.path = dir / "bin";
        paths.home = dir.path();
    }
    void Item(int category, const std::string& link) {
        NaviMenu& menu = data.UserList[0].MenuList[0];
        menu.ItemList.clear();
        menu.ItemCount = 0;
        AddItem(menu, "item", link, category);
    }
};

TEST(WmLaunch, EachKindOfItemStartsTheRightProgram) {
    struct Case {
        const char* what;
        int category;
        std::string link;  // "@" stands for the fixture's directory
        bool browser;
        int choice;  // the person's pick when asked
        int result;
        int asked;
        int message;       // shown, marked to bring the item window back
        std::string file;  // relative; empty: nothing started
        Argv argv;
    };
    // clang-format off
    const Case cases[] = {
        {"address", CATEGORY_WEB, "http://example.org/", false, -1, 0, 0, 0, "web",
         {"@/web", "http://example.org/"}},
        {"address, browser running", CATEGORY_WEB, "http://example.org/", true, -1, 0, 0, 0, "web",
         {"@/web", "-remote", "openURL(http://example.org/)"}},
        {"application", CATEGORY_APPLICATION, "@/app", true, -1, 0, 0, 0, "app", {"@/app"}},
        {"document by association, bare name found in PATH", CATEGORY_DOCUMENT, "@/doc.txt",
         false, -1, 0, 0, 0, "bin/edit", {"edit", "@/doc.txt"}},
        {"document for the browser", CATEGORY_DOCUMENT, "@/doc.htm", false, -1, 0, 0, 0, "web",
         {"@/web", "file:@/doc.htm"}},
        {"document for the running browser", CATEGORY_DOCUMENT, "@/doc.htm", true, -1, 0, 0, 0,
         "web", {"@/web", "-remote", "openURL(file:@/doc.htm)"}},
        {"capital extension: no match, chosen", CATEGORY_DOCUMENT, "@/DOC.TXT", false, 0, 0, 1, 0,
         "view", {"@/view", "@/DOC.TXT"}},
        {"dot only in a directory, sent to the browser", CATEGORY_DOCUMENT, "@/sub.d/noext", false,
         1, 0, 1, 0, "web", {"@/web", "file:@/sub.d/noext"}},
        {"no dot, sent to the browser: plain path", CATEGORY_DOCUMENT, "@/noext", false, 1, 0, 1, 0,
         "web", {"@/web", "@/noext"}},
        {"choice cancelled", CATEGORY_DOCUMENT, "@/noext", false, -1, -1, 1, 0, "", {}},
        {"missing document", CATEGORY_DOCUMENT, "@/gone.txt", false, -1, CODE_DOCUMENT_MISSING, 0,
         CODE_DOCUMENT_MISSING, "", {}},
        {"missing program: the launch still counts as done", CATEGORY_APPLICATION, "@/gone", false,
         -1, 0, 0, CODE_NO_APPLICATION, "", {}},
        {"unknown category", 7, "@/app", false, -1, 0, 0, 0, "", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        Fixture f;
        auto at = [&](std::string s) {
            for (std::size_t p; (p = s.find('@')) != std::string::npos;) {
                s.replace(p, 1, f.dir.path());
            }
            return s;
        };
        f.Item(c.category, at(c.link));
        FakeStarter starter;
        starter.browserRunning = c.browser;
        FakeUi ui;
        ui.choice = c.choice;
        EXPECT_EQ(ExecApp(f.data, 0, starter, ui, f.paths), c.result) << c.what;
        EXPECT_EQ(ui.asked, c.asked) << c.what;
        EXPECT_EQ(ui.messages, c.message ? std::vector<int>{c.message} : std::vector<int>{})
            << c.what;
        EXPECT_EQ(ui.showAgain, c.message != 0) << c.what;
        if (c.file.empty()) {
            EXPECT_TRUE(starter.files.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(starter.files.size(), 1u) << c.what;
        EXPECT_EQ(starter.files[0], f.dir / c.file) << c.what;
        Argv expected;
        for (const std::string& a : c.argv) {
            expected.push_back(at(a));
        }
        EXPECT_EQ(starter.argvs[0], expected) << c.what;
    }
    // A slot past the items, or no open menu, starts nothing.
    Fixture f;
    f.Item(CATEGORY_APPLICATION, f.dir / "app");
    FakeStarter starter;
    FakeUi ui;
    EXPECT_EQ(ExecApp(f.data, 3, starter, ui, f.paths), -1);
    f.data.UserList[0].CurrentMenu = -1;
    EXPECT_EQ(ExecApp(f.data, 0, starter, ui, f.paths), -1);
    EXPECT_TRUE(starter.files.empty());
}

TEST(WmLaunch, BareNamesAreLookedUpInThePathNotTheCurrentDirectory) {
    Fixture f;
    LaunchPaths paths;
    paths.path = "/nonexistent:" + (f.dir / "bin");
    EXPECT_EQ(FindProgram("edit", paths), f.dir / "bin/edit");
    EXPECT_EQ(FindProgram("doc.txt", paths), "");  // not in PATH
    WriteFile(f.dir / "bin/plain", "x", 0644);
    EXPECT_EQ(FindProgram("plain", paths), "");  // not executable
    EXPECT_EQ(FindProgram(f.dir / "doc.txt", paths), f.dir / "doc.txt");
    EXPECT_EQ(FindProgram("", paths), "");
}

TEST(WmLaunch, FileManagerAndHelpButtons) {
    Fixture f;
    FakeStarter starter;
    FakeUi ui;
    EXPECT_EQ(StartFileManager(f.data, starter, f.paths), 4242);
    EXPECT_EQ(starter.directory, f.dir.path());
    EXPECT_EQ(starter.argvs.back(), Argv{"edit"});

    EXPECT_GT(OpenHelp(f.data, starter, ui, f.paths), 0);
    EXPECT_EQ(starter.argvs.back(),
              (Argv{f.data.WebAP, "file:/usr/local/share/Waymark/Waymark.htm"}));
    EXPECT_EQ(starter.lookedFor, "webproc");

    // No HOME, or no file manager: the button does nothing at all.
    FakeStarter idle;
    LaunchPaths noHome = f.paths;
    noHome.home = "";
    EXPECT_EQ(StartFileManager(f.data, idle, noHome), 0);
    f.data.FileManager = "not-installed";
    EXPECT_EQ(StartFileManager(f.data, idle, f.paths), 0);
    EXPECT_TRUE(idle.files.empty());
    EXPECT_TRUE(idle.directory.empty());
}

// Both children of the test below end by themselves; whatever fails, they
// are collected before it returns.
struct WaitOnExit {
    pid_t pid;
    ~WaitOnExit() {
        if (pid > 0) {
            ::waitpid(pid, nullptr, 0);
        }
    }
};

// Real children: fake programs write their argument vector, and the
// collector takes only what it started.
TEST(WmLaunch, RealStartPassesTheVectorWithoutAShellAndReapsOnlyItsOwnChildren) {
    TempDir dir;
    const std::string out = dir / "args";
    // A script's $0 is its path whatever argv[0] was, so only the
    // arguments are recorded here; argv[0] is checked with the fakes.
    WriteFile(dir / "record",
              "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > " + out + ".tmp\nmv " + out +
                  ".tmp " + out + "\n",
              0755);
    NaviData data;
    LaunchPaths paths;
    paths.path = dir.path();
    SystemStarter starter;
    FakeUi ui;

    const pid_t stranger = ::fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        ::_exit(7);
    }
    WaitOnExit strangerGuard{stranger};
    const pid_t pid =
        ExecProcess(data, "record", "a b; $(touch " + (dir / "owned") + ")", starter, ui, paths);
    ASSERT_GT(pid, 0);
    WaitOnExit childGuard{pid};
    EXPECT_EQ(starter.ChildCount(), 1u);
    ASSERT_TRUE(testutil::WaitFor([&] { return testutil::Exists(out); }));
    EXPECT_EQ(testutil::ReadFile(out), "[a b; $(touch " + (dir / "owned") + ")]\n");
    EXPECT_FALSE(testutil::Exists(dir / "owned"));
    ASSERT_TRUE(testutil::WaitFor([&] {
        starter.CheckExitChildProcess();
        return starter.ChildCount() == 0;
    }));
    // The child this test started itself is still there to be collected.
    int status = 0;
    EXPECT_EQ(::waitpid(stranger, &status, 0), stranger);
    strangerGuard.pid = -1;
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

// The bar ignores SIGPIPE (the toolkit does) and may block signals; a
// started program must not inherit either, or a pipeline in a started
// script never ends.
TEST(WmLaunch, StartedProgramBeginsWithDefaultSignalsAndNoneBlocked) {
    TempDir dir;
    const std::string out = dir / "signals";
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &before), 0);
    sigset_t usr1;
    sigset_t mask;
    ::sigemptyset(&usr1);
    ::sigaddset(&usr1, SIGUSR1);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &mask), 0);
    SystemStarter starter;
    // cp reads its own status: no shell in between to reset anything.
    const pid_t pid = starter.Start("/bin/cp", {"cp", "/proc/self/status", out});
    ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);
    ::sigaction(SIGPIPE, &before, nullptr);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    std::string lines;
    const std::string text = testutil::ReadFile(out);
    for (const char* key : {"SigBlk:", "SigIgn:"}) {
        const std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        lines += text.substr(at, text.find('\n', at) + 1 - at);
    }
    EXPECT_EQ(lines, "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
}

// A file found but not runnable must not leave a second Waymark behind: the
// child ends at once, with status 0, and the collector takes it.
TEST(WmLaunch, ChildWhoseExecFailsEndsWithStatusZero) {
    TempDir dir;
    WriteFile(dir / "plain", "not a program\n", 0644);
    SystemStarter starter;
    const pid_t pid = starter.Start(dir / "plain", {"plain"});
    ASSERT_GT(pid, 0);
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    starter.CheckExitChildProcess();
    EXPECT_EQ(starter.ChildCount(), 0u);
}

}  // namespace

// Rummage, the file manager: command line, settings, the main window and
// its loop, and saving the settings however the program is told to end.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtkmm.h>

#include "common/GlProbe.h"
#include "common/I18n.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"
#include "rummage/rmgwindowui.h"

namespace {

constexpr const char* kVersion = "1.01";

int gSignalPipe[2] = {-1, -1};

// Only hands the signal to the main loop; the settings are saved there,
// where the toolkit's state is consistent.
extern "C" void OnTerminateSignal(int signo) {
    const unsigned char byte = static_cast<unsigned char>(signo);
    const int saved = errno;
    if (::write(gSignalPipe[1], &byte, 1) < 0) {
        // Nothing to do in signal context; the pipe is only full when a
        // signal is already pending.
    }
    errno = saved;
}

bool OnSignalPipeReadable(Glib::IOCondition) {
    unsigned char byte = 0;
    while (::read(gSignalPipe[0], &byte, 1) > 0) {
    }
    if (g_main_depth() > 1) {
        // Inside a nested loop (a dialog, the drop pop-up, a running file
        // operation): unwinding it would touch the records released here.
        // Save, take away the half-written copy, and leave at once.
        rmg::RemovePartialFile();
        rmg::TerminateRummage();
        std::_Exit(0);
    }
    rmg::CloseRummage();
    return false;
}

bool InstallSignalHandlers() {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
        ::sigaction(signo, &action, nullptr);
    }
    Glib::signal_io().connect(sigc::ptr_fun(&OnSignalPipeReadable), gSignalPipe[0], Glib::IO_IN);
    return true;
}

// Start-up measurement (bench/rummage-startup.sh): the variable holds the
// launch time in nanoseconds since the epoch.  Reports how long the window
// took to appear and how long until the start directory was listed and
// drawn, then ends.
long long StartupLaunchTime() {
    const char* launched = std::getenv("RUMMAGE_STARTUP_BENCH");
    return launched != nullptr ? std::atoll(launched) : 0;
}

// Runs `then` once the window has drawn its next frame.
void AfterNextFrame(Gtk::Window& window, const std::function<void()>& then) {
    auto connection = std::make_shared<sigc::connection>();
    *connection = window.signal_draw().connect(
        [then, connection](const Cairo::RefPtr<Cairo::Context>&) {
            connection->disconnect();
            Glib::signal_idle().connect_once(then, Glib::PRIORITY_LOW);
            return false;
        },
        true);
}

void ReportStartup(const char* what) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long ns = now.tv_sec * 1000000000LL + now.tv_nsec;
    std::fprintf(stderr, "rummage: %s after %.1f ms\n", what, (ns - StartupLaunchTime()) / 1e6);
}

// The window appears first and the start directory is listed right after
// its first frame: a big directory must not keep the window from showing.
void OpenStartDirectoryAfterFirstFrame(Gtk::Window& window) {
    auto opened = std::make_shared<bool>(false);
    auto open = [opened, &window] {
        if (*opened) {
            return;
        }
        *opened = true;
        if (StartupLaunchTime() != 0) {
            ReportStartup("window drawn");
        }
        rmg::OpenStartDirectory();
        if (StartupLaunchTime() != 0) {
            window.queue_draw();
            AfterNextFrame(window, [] {
                ReportStartup("listed and drawn");
                rmg::QuitMainLoop();
            });
        }
    };
    AfterNextFrame(window, open);
    // A window that is never drawn (kept off screen) still gets its list.
    Glib::signal_timeout().connect_once(open, 1000);
}

// HOME, or the account's home directory when HOME is unset or empty.
std::string UserHome() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Rummage  Version %s\n", kVersion);
        std::printf("A two-pane file manager; free to use and to pass on, without warranty.\n");
        return 0;
    }
    std::vector<std::string> args(argv, argv + argc);
    const rmg::CommandLine command = rmg::ParseCommandLine(args);
    const std::string home = UserHome();

    suite::InitLocale("rummage", true);
    suite::SkipGlProbe skipGl;
    auto app =
        Gtk::Application::create(argc, argv, "org.waymark.rummage", Gio::APPLICATION_NON_UNIQUE);
    skipGl.Restore();

    if (rmg::InitGlobalTable(home) != 0) {
        rmg::TerminateGlobalTable();
        return 0;
    }
    rmg::pGTable->Argv.assign(argv, argv + argc);
    if (rmg::SetupStartDirectories(*rmg::pGTable, command, home.c_str()) != 0) {
        std::fprintf(stderr, "rummage: no usable home directory\n");
        return 0;
    }
    rmg::pMainW = new rmg::MainW();
    InstallSignalHandlers();

    Gtk::Window* window = rmg::CreateMainWindow();
    if (window == nullptr) {
        // Say what failed rather than end without a word; the home
        // directory that cannot be listed is the one cause a person can mend.
        std::string text = _("Rummage cannot start.");
        if (DIR* dir = ::opendir(rmg::pGTable->HomeDir.c_str())) {
            ::closedir(dir);
        } else {
            text = rmg::FillText(_("Cannot read directory %s\ncause:%s"),
                                 {rmg::DisplayName(rmg::pGTable->HomeDir), g_strerror(errno)});
        }
        std::fprintf(stderr, "rummage: %s\n", text.c_str());
        rmg::MessageBox(_("Error"), text, rmg::MB_OK | rmg::MB_ICON_STOP);
        return 0;
    }
    rmg::WindowUi ui(window);
    rmg::SetFileOpUi(&ui);
    window->show_all();
    OpenStartDirectoryAfterFirstFrame(*window);
    rmg::RunMainLoop();

    rmg::SetFileOpUi(nullptr);
    // Closing and the signals saved the settings already; this only
    // releases what is left.
    rmg::TerminateRummage();
    delete window;
    return 0;
}

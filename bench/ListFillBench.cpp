// Fills the file manager's list with a large directory and times it beside
// `ls -l` on the same directory, in the same run: the program started on
// that directory until its list is drawn (the rummage binary built beside
// this benchmark), and a refill in a running window.
//   bench_listfill [entries]     (needs a display; run under xvfb-run)
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#define BENCH_RUMMAGE_WINDOW
#include "BenchSupport.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"

using bench::Clock;
using bench::Median;
using bench::Ms;
using bench::Pump;

namespace {

// Milliseconds from starting the program on `dir` until it reports its list
// drawn, or a negative number when it does not.
double StartupMs(const std::string& program, const std::string& home, const std::string& dir) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long launched = now.tv_sec * 1000000000LL + now.tv_nsec;
    const std::string command =
        "HOME='" + home + "' RUMMAGE_STARTUP_BENCH=" + std::to_string(launched) + " timeout 120 '" +
        program + "' --home '" + dir + "' 2>&1 >/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) {
        return -1;
    }
    double ms = -1;
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) {
        double value = 0;
        if (std::sscanf(line, "rummage: listed and drawn after %lf ms", &value) == 1) {
            ms = value;
        }
    }
    pclose(out);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);

    const bench::RummageTree tree("listfill.");
    if (!tree.ok) {
        return 1;
    }
    const std::string& home = tree.home;
    const std::string& dir = tree.dir;
    for (int i = 0; i < entries; ++i) {
        char name[32];
        // Shuffled names, so neither side gets them presorted.
        std::snprintf(name, sizeof name, "f%07u.dat",
                      (static_cast<unsigned>(i) * 7919u) % 10000019u);
        bench::Touch(dir + name, i % 3 == 0 ? std::string(name, 10) : "");
    }
    const std::string program =
        (std::filesystem::canonical("/proc/self/exe").parent_path() / "rummage").string();
    std::vector<double> starts;
    std::vector<double> startLs;
    const std::string startHome = tree.base.path() + "/starthome";
    std::filesystem::create_directory(startHome);
    StartupMs(program, startHome, dir);  // writes the settings file; not counted
    for (int run = 0; run < 3; ++run) {
        starts.push_back(StartupMs(program, startHome, dir));
        startLs.push_back(bench::ShellMs("ls -l '" + dir + "' > /dev/null", "ls -l"));
    }

    Gtk::Window* window = bench::OpenRummageWindow(tree.base.path(), home);
    if (window == nullptr) {
        return 1;
    }
    Pump();

    std::vector<double> fills;
    std::vector<double> sorts;
    std::vector<double> lss;
    for (int run = 0; run < 3; ++run) {
        rmg::pGTable->CurrentDir = dir;
        const auto t0 = Clock::now();
        rmg::DisplayFileList(dir);
        Pump();  // drawn
        const auto t1 = Clock::now();
        rmg::on_FileList_click_column(1);  // reverse by name
        Pump();
        const auto t2 = Clock::now();
        rmg::on_FileList_click_column(1);
        Pump();
        rmg::pGTable->CurrentDir = home;
        rmg::DisplayFileList(home);
        Pump();
        fills.push_back(Ms(t0, t1));
        sorts.push_back(Ms(t1, t2));
        lss.push_back(bench::ShellMs("ls -l '" + dir + "' > /dev/null", "ls -l"));
    }
    const double fill = Median(fills);
    const double ls = Median(lss);
    std::printf("entries              %d\n", entries);
    std::printf("start, listed, drawn %.1f ms (median of 3; %s)\n", Median(starts),
                program.c_str());
    std::printf("ls -l                %.1f ms (median of 3)\n", Median(startLs));
    std::printf("ratio start / ls -l  %.2f (goal 1.5 or less)\n",
                bench::Ratio(Median(starts), Median(startLs)));
    std::printf("refill and draw      %.1f ms (median of 3)\n", fill);
    std::printf("re-sort (reverse)    %.1f ms\n", Median(sorts));
    std::printf("ls -l                %.1f ms (median of 3)\n", ls);
    std::printf("ratio refill / ls -l %.2f\n", bench::Ratio(fill, ls));

    rmg::TerminateRummage();
    delete window;
    return 0;
}

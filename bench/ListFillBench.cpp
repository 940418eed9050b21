// Fills the file manager's list with a large directory and times it beside
// `ls -l` on the same directory, in the same run.
//   bench_listfill [entries]     (needs a display; run under xvfb-run)
#include <fcntl.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void Pump() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);

    char base[] = "/tmp/listfill.XXXXXX";
    if (mkdtemp(base) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string home = std::string(base) + "/home/";
    const std::string dir = home + "big/";
    mkdir(home.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    for (int i = 0; i < entries; ++i) {
        char name[32];
        // Shuffled names, so neither side gets them presorted.
        std::snprintf(name, sizeof name, "f%07u.dat",
                      (static_cast<unsigned>(i) * 7919u) % 10000019u);
        const int fd = open((dir + name).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) {
            if (i % 3 == 0 && write(fd, name, 10) < 0) {
                std::perror("write");
            }
            close(fd);
        }
    }
    setenv("HOME", home.c_str(), 1);
    if (rmg::InitGlobalTable(base) != 0) {
        return 1;
    }
    std::vector<std::string> args = {"rummage"};
    rmg::SetupStartDirectories(*rmg::pGTable, rmg::ParseCommandLine(args), home.c_str());
    rmg::pMainW = new rmg::MainW();
    Gtk::Window* window = rmg::CreateMainWindow();
    if (window == nullptr) {
        return 1;
    }
    window->show_all();
    rmg::OpenStartDirectory();
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
        const auto t3 = Clock::now();
        const int rc = std::system(("ls -l '" + dir + "' > /dev/null").c_str());
        const auto t4 = Clock::now();
        if (rc != 0) {
            std::fprintf(stderr, "ls -l failed\n");
        }
        fills.push_back(Ms(t0, t1));
        sorts.push_back(Ms(t1, t2));
        lss.push_back(Ms(t3, t4));
    }
    const double fill = Median(fills);
    const double ls = Median(lss);
    std::printf("entries              %d\n", entries);
    std::printf("list fill and draw   %.1f ms (median of 3)\n", fill);
    std::printf("re-sort (reverse)    %.1f ms\n", Median(sorts));
    std::printf("ls -l                %.1f ms (median of 3)\n", ls);
    std::printf("ratio list / ls -l   %.2f\n", ls > 0 ? fill / ls : 0.0);

    rmg::TerminateRummage();
    delete window;
    std::system(("rm -rf '" + std::string(base) + "'").c_str());
    return 0;
}

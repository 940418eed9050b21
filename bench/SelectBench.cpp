// Select all and invert selection on a list of many rows, each timed from
// the command to the list drawn again.
//   bench_select [entries]     (needs a display; run under xvfb-run)
#include <fcntl.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "rummage/rmgeditmenu.h"
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

// This process's processor time: on a shared, loaded machine the wall
// clock mostly measures the other processes.
double CpuMs() {
    struct timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);
    char base[] = "/tmp/selectbench.XXXXXX";
    if (mkdtemp(base) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string home = std::string(base) + "/home/";
    const std::string dir = home + "big/";
    mkdir(home.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    for (int i = 0; i < entries; ++i) {
        const int fd = open((dir + "f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) {
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
    rmg::pGTable->CurrentDir = dir;
    rmg::DisplayFileList(dir);
    Pump();

    std::vector<double> all;
    std::vector<double> invert;
    std::vector<double> allCpu;
    std::vector<double> invertCpu;
    std::size_t selected = 0;
    for (int run = 0; run < 5; ++run) {
        // Both start from the same few selected rows.
        auto start = [] {
            rmg::UnselectAllListRows();
            for (int row = 1; row < 1000; row += 2) {
                rmg::SelectListRow(row);
            }
            Pump();
        };
        start();
        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        rmg::on_Menu_Invert_Selection_activate();
        Pump();
        const auto t1 = Clock::now();
        const double c1 = CpuMs();
        start();
        const auto t1b = Clock::now();
        const double c1b = CpuMs();
        rmg::on_Menu_SelectAll_activate();
        Pump();
        const auto t2 = Clock::now();
        const double c2 = CpuMs();
        invertCpu.push_back(c1 - c0);
        allCpu.push_back(c2 - c1b);
        selected = rmg::GetListSelectedRows().size();
        invert.push_back(Ms(t0, t1));
        all.push_back(Ms(t1b, t2));
    }
    std::printf("rows                 %d\n", rmg::GetListRowCount());
    std::printf("selected after all   %zu\n", selected);
    std::printf(
        "invert selection     %.1f ms wall, %.1f ms processor (medians of 5, target under 100)\n",
        Median(invert), Median(invertCpu));
    std::printf(
        "select all           %.1f ms wall, %.1f ms processor (medians of 5, target under 100)\n",
        Median(all), Median(allCpu));
    rmg::TerminateRummage();
    delete window;
    std::system(("rm -rf '" + std::string(base) + "'").c_str());
    return 0;
}

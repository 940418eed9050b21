// Select all and invert selection on a list of many rows, each timed from
// the command to the list drawn again.
//   bench_select [entries]     (needs a display; run under xvfb-run)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define BENCH_RUMMAGE_WINDOW
#include "BenchSupport.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfilelist.h"

using bench::Clock;
using bench::CpuMs;
using bench::Median;
using bench::Ms;
using bench::Pump;

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);
    const bench::RummageTree tree("selectbench.");
    if (!tree.ok) {
        std::perror("scratch tree");
        return 1;
    }
    const std::string& home = tree.home;
    const std::string& dir = tree.dir;
    for (int i = 0; i < entries; ++i) {
        const int fd = open((dir + "f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }
    Gtk::Window* window = bench::OpenRummageWindow(tree.base.path(), home);
    if (window == nullptr) {
        return 1;
    }
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
    return 0;
}

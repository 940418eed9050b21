// Fills the file manager's list with a large directory and times it beside
// `ls -l` on the same directory, in the same run.
//   bench_listfill [entries]     (needs a display; run under xvfb-run)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);

    const bench::RummageTree tree("listfill.");
    if (!tree.ok) {
        std::perror("scratch tree");
        return 1;
    }
    const std::string& home = tree.home;
    const std::string& dir = tree.dir;
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
    std::printf("list fill and draw   %.1f ms (median of 3)\n", fill);
    std::printf("re-sort (reverse)    %.1f ms\n", Median(sorts));
    std::printf("ls -l                %.1f ms (median of 3)\n", ls);
    std::printf("ratio list / ls -l   %.2f\n", bench::Ratio(fill, ls));

    rmg::TerminateRummage();
    delete window;
    return 0;
}

// Finds by pattern over a tree of many entries with the file manager's walk
// and with `find DIR -name PATTERN`, in the same run.
//   bench_find [entries]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "rummage/rmgfind.h"

using bench::Clock;
using bench::Median;
using bench::Ms;

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    bench::TempDir base("/tmp", "findbench.");
    if (base.path().empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = base.path() + "/";
    // 100 directories of 10 sub-directories, files spread among them.
    int made = 0;
    for (int d = 0; d < 100 && made < entries; ++d) {
        const std::string top = root + "d" + std::to_string(d) + "/";
        mkdir(top.c_str(), 0755);
        ++made;
        for (int s = 0; s < 10 && made < entries; ++s) {
            const std::string sub = top + "s" + std::to_string(s) + "/";
            mkdir(sub.c_str(), 0755);
            ++made;
        }
    }
    for (int i = 0; made < entries; ++i, ++made) {
        const std::string dir =
            root + "d" + std::to_string(i % 100) + "/s" + std::to_string((i / 100) % 10) + "/";
        const std::string name = dir + "file" + std::to_string(i) + (i % 7 == 0 ? ".txt" : ".dat");
        const int fd = open(name.c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }
    const std::string pattern = "*.txt";
    std::size_t found = 0;
    std::vector<double> ours;
    std::vector<double> finds;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        found = rmg::FindAll(root, pattern, true).size();
        ours.push_back(Ms(t0, Clock::now()));
        finds.push_back(
            bench::ShellMs("find '" + root + "' -name '" + pattern + "' > /dev/null", "find"));
    }
    const double walk = Median(ours);
    const double find = Median(finds);
    std::printf("entries              %d\n", entries);
    std::printf("matches              %zu\n", found);
    std::printf("find walk            %.1f ms (median of 5)\n", walk);
    std::printf("find -name           %.1f ms (median of 5)\n", find);
    std::printf("ratio walk / find    %.2f (target 1.5 or less)\n", bench::Ratio(walk, find));
    return 0;
}

// Finds by pattern over a tree of many entries with the file manager's walk
// and with `find DIR -name PATTERN`, in the same run.
//   bench_find [entries]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rummage/rmgfind.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    char base[] = "/tmp/findbench.XXXXXX";
    if (mkdtemp(base) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = std::string(base) + "/";
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
        const auto t1 = Clock::now();
        const int rc =
            std::system(("find '" + root + "' -name '" + pattern + "' > /dev/null").c_str());
        const auto t2 = Clock::now();
        if (rc != 0) {
            std::fprintf(stderr, "find failed\n");
        }
        ours.push_back(Ms(t0, t1));
        finds.push_back(Ms(t1, t2));
    }
    const double walk = Median(ours);
    const double find = Median(finds);
    std::printf("entries              %d\n", entries);
    std::printf("matches              %zu\n", found);
    std::printf("find walk            %.1f ms (median of 5)\n", walk);
    std::printf("find -name           %.1f ms (median of 5)\n", find);
    std::printf("ratio walk / find    %.2f (target 1.5 or less)\n", find > 0 ? walk / find : 0.0);
    std::system(("rm -rf '" + std::string(base) + "'").c_str());
    return 0;
}

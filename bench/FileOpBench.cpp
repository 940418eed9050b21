// The file operation engine against the standard tools on the same data in
// one run: one big file against `cp` + `sync` (goal: within 1.1 times), a
// tree of 10,000 small files against `cp -r` + `sync` (within 3 times), and
// deleting that tree against `rm -rf` (within 2 times), each with the peak
// memory of the process doing the engine's work (goal: under 64 MiB).
//   bench_fileop [work-directory] [big-file-MiB] [rounds]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "rummage/rmgfileop.h"
#include "rummage/rmgtable.h"

namespace {

constexpr int kDirs = 100;
constexpr int kFilesPerDir = 100;
constexpr std::size_t kSmallSize = 2000;

struct Timing {
    double seconds = 0;
    long peakKiB = 0;  // of the process that did the work
};

void WriteRandom(const std::string& path, std::size_t size, std::mt19937& rng) {
    // In chunks, so that making the data costs the bench no memory either.
    std::vector<char> chunk(std::size_t{1} << 20);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < size;) {
        for (auto& c : chunk) {
            c = static_cast<char>(rng());
        }
        const std::size_t n = std::min(chunk.size(), size - done);
        if (fd < 0 || ::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) {
            std::perror(path.c_str());
            std::exit(1);
        }
        done += n;
    }
    ::close(fd);
}

void MakeTree(const std::string& root) {
    std::mt19937 rng(42);
    for (int d = 0; d < kDirs; ++d) {
        const std::string dir = root + "/dir" + std::to_string(d);
        std::filesystem::create_directories(dir);
        for (int f = 0; f < kFilesPerDir; ++f) {
            WriteRandom(dir + "/file" + std::to_string(f), kSmallSize, rng);
        }
    }
}

// Runs `work` in a child process, so that its time and its peak memory are
// its own; the file system starts with nothing pending.
Timing Measure(const std::function<int()>& work) {
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        _exit(work());
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    Timing t;
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a measured step failed\n");
        std::exit(1);
    }
    return t;
}

Timing Tool(const std::string& command) {
    return Measure([&] { return std::system(command.c_str()) == 0 ? 0 : 1; });
}

int EngineCopy(const std::string& src, const std::string& dst) {
    int decided = 0;
    rmg::SetupProgress({src}, rmg::OP_COPY);
    const int r = rmg::CopyFile(dst, src, &decided);
    rmg::EndProgress();  // flushes what the operation wrote
    return r == 0 ? 0 : 2;
}

int EngineDelete(const std::string& path) {
    int answer = rmg::RESULT_YES_ALL;
    rmg::SetupProgress({path}, rmg::OP_DELETE);
    const int r = rmg::RemoveFile(path, &answer);
    rmg::EndProgress();
    return r == 0 ? 0 : 3;
}

Timing Median(std::vector<Timing> v) {
    std::sort(v.begin(), v.end(),
              [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    Timing m = v[v.size() / 2];
    for (const Timing& t : v) {
        m.peakKiB = std::max(m.peakKiB, t.peakKiB);
    }
    return m;
}

void Report(const char* what, const Timing& ours, const Timing& theirs, const char* tool,
            double goal) {
    const double ratio = ours.seconds / theirs.seconds;
    std::printf(
        "%-22s engine %7.3f s  %-14s %7.3f s  ratio %5.2f (goal <= %.1f) %s  "
        "engine peak %ld MiB (goal < 64) %s\n",
        what, ours.seconds, tool, theirs.seconds, ratio, goal, ratio <= goal ? "met" : "MISSED",
        ours.peakKiB / 1024, ours.peakKiB < 64 * 1024 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const std::size_t bigMiB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    std::string work = base + "/fileop-bench-XXXXXX";
    if (::mkdtemp(work.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string big = work + "/big";
    const std::string tree = work + "/tree/";
    std::mt19937 rng(7);
    WriteRandom(big, bigMiB << 20, rng);
    MakeTree(tree);

    rmg::GTable table;
    rmg::DefaultGTable(table);
    table.ShowProgress = 1;  // counting and steps as in the program, no window
    rmg::pGTable = &table;

    const std::string ours = work + "/ours";
    const std::string theirs = work + "/theirs";
    std::vector<Timing> bigOurs, bigCp, treeOurs, treeCp, delOurs, delRm;
    for (int r = 0; r < rounds; ++r) {
        bigOurs.push_back(Measure([&] { return EngineCopy(big, ours); }));
        bigCp.push_back(Tool("cp '" + big + "' '" + theirs + "' && sync"));
        std::filesystem::remove(ours);
        std::filesystem::remove(theirs);

        treeOurs.push_back(Measure([&] { return EngineCopy(tree, ours); }));
        treeCp.push_back(Tool("cp -r '" + tree + "' '" + theirs + "' && sync"));
        delOurs.push_back(Measure([&] { return EngineDelete(ours + "/"); }));
        delRm.push_back(Tool("rm -rf '" + theirs + "' && sync"));
    }
    std::filesystem::remove_all(work);
    rmg::pGTable = nullptr;

    std::printf("median of %d rounds; tools followed by sync, as the engine flushes at the end\n",
                rounds);
    const std::string bigName = "copy " + std::to_string(bigMiB) + " MiB file";
    Report(bigName.c_str(), Median(bigOurs), Median(bigCp), "cp + sync", 1.1);
    Report("copy 10,000 files", Median(treeOurs), Median(treeCp), "cp -r + sync", 3.0);
    Report("delete 10,000 files", Median(delOurs), Median(delRm), "rm -rf + sync", 2.0);
    return 0;
}

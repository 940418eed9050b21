// Copying and deleting a tree of many small files and a few big ones with
// the file operation engine, beside `cp -a` and `rm -rf` on the same data in
// the same run.  Usage: bench_fileop [work-directory] [rounds]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "rummage/rmgfileop.h"
#include "rummage/rmgtable.h"

namespace {

constexpr int kDirs = 40;
constexpr int kFilesPerDir = 100;
constexpr std::size_t kSmallSize = 2000;
constexpr int kBigFiles = 3;
constexpr std::size_t kBigSize = std::size_t{96} << 20;

void WriteBytes(const std::string& path, std::size_t size, std::mt19937& rng) {
    std::string data(size, '\0');
    for (auto& c : data)
        c = static_cast<char>(rng());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
}

void MakeTree(const std::string& root) {
    std::mt19937 rng(42);
    for (int d = 0; d < kDirs; ++d) {
        const std::string dir = root + "/dir" + std::to_string(d) + "/sub";
        std::filesystem::create_directories(dir);
        for (int f = 0; f < kFilesPerDir; ++f)
            WriteBytes(dir + "/file" + std::to_string(f), kSmallSize, rng);
    }
    for (int b = 0; b < kBigFiles; ++b)
        WriteBytes(root + "/big" + std::to_string(b), kBigSize, rng);
}

double Seconds(const std::function<void()>& work) {
    ::sync();  // start each timing with nothing pending from the last
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::string work = base + "/fileop-bench-XXXXXX";
    if (::mkdtemp(work.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string src = work + "/src";
    MakeTree(src);

    rmg::GTable table;
    rmg::DefaultGTable(table);
    table.ShowProgress = 1;  // counting and steps as in the program, no window
    rmg::pGTable = &table;

    // The engine flushes to disk at the end of each operation, so the tools
    // are timed both alone and followed by sync.
    std::vector<double> ourCopy, cpCopy, cpSyncCopy, ourDelete, rmDelete, rmSyncDelete;
    for (int r = 0; r < rounds; ++r) {
        const std::string ours = work + "/ours";
        const std::string theirs = work + "/theirs";
        ourCopy.push_back(Seconds([&] {
            int decided = 0;
            rmg::SetupProgress({src + "/"}, rmg::OP_COPY);
            if (rmg::CopyFile(ours, src + "/", &decided) != 0)
                std::exit(2);
            rmg::EndProgress();
        }));
        cpCopy.push_back(Seconds([&] { Shell("cp -a '" + src + "' '" + theirs + "'"); }));
        Shell("rm -rf '" + theirs + "'");
        cpSyncCopy.push_back(Seconds([&] { Shell("cp -a '" + src + "' '" + theirs + "'; sync"); }));
        ourDelete.push_back(Seconds([&] {
            int answer = rmg::RESULT_YES_ALL;
            rmg::SetupProgress({ours + "/"}, rmg::OP_DELETE);
            if (rmg::RemoveFile(ours + "/", &answer) != 0)
                std::exit(3);
            rmg::EndProgress();
        }));
        rmDelete.push_back(Seconds([&] { Shell("rm -rf '" + theirs + "'"); }));
        Shell("cp -a '" + src + "' '" + theirs + "'");
        rmSyncDelete.push_back(Seconds([&] { Shell("rm -rf '" + theirs + "'; sync"); }));
    }
    std::filesystem::remove_all(work);
    rmg::pGTable = nullptr;

    const double oc = Median(ourCopy), cc = Median(cpCopy), ccs = Median(cpSyncCopy);
    const double od = Median(ourDelete), rd = Median(rmDelete), rds = Median(rmSyncDelete);
    std::printf(
        "tree: %d small files of %zu bytes in %d directories, %d files of %zu MiB; "
        "median of %d rounds\n",
        kDirs * kFilesPerDir, kSmallSize, kDirs * 2, kBigFiles, kBigSize >> 20, rounds);
    std::printf(
        "copy:   engine %.3f s, cp -a %.3f s (ratio %.2f), cp -a; sync %.3f s (ratio %.2f)\n", oc,
        cc, oc / cc, ccs, oc / ccs);
    std::printf(
        "delete: engine %.3f s, rm -rf %.3f s (ratio %.2f), rm -rf; sync %.3f s (ratio %.2f)\n", od,
        rd, od / rd, rds, od / rds);
    return 0;
}

// The launcher's data files at their largest: 20 users, each with 20 menus
// of 100 items.  Loading them (what start-up waits for) against reading the
// same bytes whole, and the save a user switch makes against writing the
// same texts with one plain write, fsync and rename per file.
//   bench_wmcore [work-directory] [rounds]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "common/SafeFile.h"
#include "waymark/WmFile.h"

namespace {

using bench::Median;
using bench::Seconds;

wm::NaviData BigModel(const std::string& dir) {
    wm::NaviData data;
    data.DataDir = dir + "/";
    data.Version = "1.00";
    data.WebAP = "/usr/local/bin/WebStart";
    data.WebProcName = "firefox";
    data.HelpPath = "/usr/local/share/Waymark/";
    data.ButtonFont = wm::kDefaultButtonFont;
    data.ExtList = {{"htm", data.WebAP}, {"txt", "mousepad"}};
    for (int u = 0; u < wm::kMaxUsers; ++u) {
        wm::AddUser(data, "User " + std::to_string(u));
        for (int m = 0; m < wm::kMaxMenus; ++m) {
            wm::AddMenu(data.UserList.back(), "Menu " + std::to_string(m));
            for (int i = 0; i < wm::kMaxItems; ++i) {
                wm::AddItem(data.UserList.back().MenuList.back(), "Item " + std::to_string(i),
                            "http://www.example.org/section/page" + std::to_string(i) + ".html",
                            wm::CATEGORY_WEB);
            }
        }
    }
    data.CurrentUser = 0;
    return data;
}

// Plain write + fsync + rename, the least a crash-safe save can do.
void PlainReplace(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".plain";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || !suite::WriteAll(fd, text.data(), text.size()) || ::fsync(fd) != 0) {
        std::perror(tmp.c_str());
        std::exit(1);
    }
    ::close(fd);
    std::rename(tmp.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = argc > 1 ? argv[1] : "/var/tmp";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string dir = base + "/wmcore-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);

    wm::NaviData data = BigModel(dir);
    if (wm::WriteNaviInfo(data) != 0) {
        std::fprintf(stderr, "cannot write the model into %s\n", dir.c_str());
        return 1;
    }
    std::vector<std::string> files = {wm::NaviFilePath(data)};
    std::uintmax_t bytes = std::filesystem::file_size(files[0]);
    for (int i = 0; i < wm::kMaxUsers; ++i) {
        files.push_back(wm::UserFilePath(data, i));
        bytes += std::filesystem::file_size(files.back());
    }

    std::vector<double> load, rawRead, save, rawWrite;
    for (int r = 0; r < rounds; ++r) {
        load.push_back(Seconds([&] {
            wm::NaviData loaded;
            if (wm::ReadNaviInfo(loaded, dir.c_str()) != 0) {
                std::fprintf(stderr, "load failed\n");
                std::exit(1);
            }
        }));
        rawRead.push_back(Seconds([&] {
            std::string text;
            for (const std::string& f : files) {
                suite::ReadWholeFile(f, text);
            }
        }));
        save.push_back(Seconds([&] {
            data.CurrentUser = (data.CurrentUser + 1) % wm::kMaxUsers;
            if (wm::WriteNaviInfo(data) != 0) {
                std::fprintf(stderr, "save failed\n");
                std::exit(1);
            }
        }));
        std::vector<std::string> texts(files.size());
        wm::BuildNaviText(data, texts[0]);
        for (int i = 0; i < wm::kMaxUsers; ++i) {
            wm::BuildUserText(data, i, texts[static_cast<std::size_t>(i) + 1]);
        }
        rawWrite.push_back(Seconds([&] {
            for (std::size_t i = 0; i < files.size(); ++i) {
                PlainReplace(files[i], texts[i]);
            }
        }));
    }
    std::filesystem::remove_all(dir);

    const double l = Median(load), rr = Median(rawRead), s = Median(save), rw = Median(rawWrite);
    std::printf("model: 20 users x 20 menus x 100 items, %ju bytes in 21 files, %d rounds\n", bytes,
                rounds);
    std::printf("load (ReadNaviInfo)        %8.1f ms   raw read %8.1f ms   ratio %.1f\n", l * 1e3,
                rr * 1e3, l / rr);
    std::printf("user switch save           %8.1f ms   raw write %7.1f ms   ratio %.2f\n", s * 1e3,
                rw * 1e3, s / rw);
    return 0;
}

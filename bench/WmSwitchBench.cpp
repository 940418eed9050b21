// Switching users on the launcher bar when each user has 20 menus of 100
// items: the handler refreshes the strip and saves every data file.  Timed
// beside `cp` of the same files, the floor of writing those bytes.
//   bench_wm_switch [users]     (needs a display; run under xvfb-run)
#include <gtkmm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "waymark/WmFile.h"
#include "waymark/WmInterface.h"
#include "waymark/WmLaunch.h"

using bench::Clock;
using bench::Median;
using bench::Ms;
using bench::Pump;

int main(int argc, char** argv) {
    const int users = std::clamp(argc > 1 ? std::atoi(argv[1]) : 2, 2, 20);
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);
    bench::TempDir base("/tmp", "wmswitch.");
    if (base.path().empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = base.path() + "/";

    wm::NaviData seed;
    seed.Version = "1.00";
    seed.DataDir = dir;
    seed.HelpPath = dir;
    seed.WebAP = "/bin/true";
    seed.WebProcName = "true";
    seed.ToggleN = wm::kDefaultToggleN;
    seed.ToggleA = wm::kDefaultToggleA;
    seed.ButtonFont = wm::kDefaultButtonFont;
    for (int u = 0; u < users; ++u) {
        wm::AddUser(seed, "User " + std::to_string(u));
        for (int m = 0; m < wm::kMaxMenus; ++m) {
            wm::AddMenu(seed.UserList.back(), "Menu " + std::to_string(m));
            for (int i = 0; i < wm::kMaxItems; ++i) {
                wm::AddItem(seed.UserList.back().MenuList.back(), "Item " + std::to_string(i),
                            "http://www.example.org/" + std::to_string(u) + "/" +
                                std::to_string(m) + "/" + std::to_string(i),
                            wm::CATEGORY_WEB);
            }
        }
    }
    seed.CurrentUser = 0;
    if (wm::WriteNaviInfo(seed) != 0) {
        std::fprintf(stderr, "cannot write the data files\n");
        return 1;
    }
    wm::NaviData data;
    if (wm::ReadNaviInfo(data, dir.c_str()) != 0) {
        std::fprintf(stderr, "cannot read the data files\n");
        return 1;
    }
    wm::pNaviData = &data;
    Gtk::Window* bar = wm::CreatewyNaviWindow(1280);
    if (bar == nullptr) {
        return 1;
    }
    bar->show();
    Pump();

    const std::string copy = base.path() + "/copy";
    std::vector<double> switches;
    std::vector<double> copies;
    for (int run = 0; run < 9; ++run) {
        const auto t0 = Clock::now();
        wm::pNavi->combo->set_active((run + 1) % users);
        Pump();  // strip refreshed, files saved, drawn
        switches.push_back(Ms(t0, Clock::now()));
        copies.push_back(bench::ShellMs(
            "mkdir -p '" + copy + "' && cp '" + dir + "'*.dat '" + copy + "/' && sync", "cp"));
    }
    const double sw = Median(switches);
    const double cp = Median(copies);
    std::printf("users                     %d, each 20 menus of 100 items\n", users);
    std::printf("switch user (save, draw)  %.1f ms (median of 9)\n", sw);
    std::printf("cp of the files + sync    %.1f ms (median of 9)\n", cp);
    std::printf("ratio switch / cp         %.2f\n", bench::Ratio(sw, cp));

    wm::DestroyNaviWindow();
    Pump();
    wm::pNaviData = nullptr;
    return 0;
}

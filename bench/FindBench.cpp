// "Find file" over 100,000 entries, timed from opening the result window to
// the last match shown, beside `find DIR -name PATTERN` on the same tree in
// the same run: a flat folder and a nested one, each with a pattern that
// matches 10 names and one that matches 10,000.  For where the time goes:
// "cpu" is this process's processor time during the window's search, "walk"
// the search alone without the window; the ratio is the window's wall time.
//   bench_find [entries] [runs] [tree]  (needs a display; run under xvfb-run)
// `tree` limits the run to the trees whose name contains it ("nested").
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define BENCH_RUMMAGE_WINDOW
#include "BenchSupport.h"
#include "common/I18n.h"
#include "rummage/rmgdialog.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfind.h"

using bench::Clock;
using bench::Median;
using bench::Ms;

namespace {

// Names that match "*.txt" (few) and "*.log" (many); the rest end in .dat.
std::string NameOf(int i) {
    const char* ext = i % 10 == 5 ? ".log" : ".dat";
    if (i % 10000 == 7) {
        ext = ".txt";
    }
    return "file" + std::to_string(i) + ext;
}

void MakeFlat(const std::string& root, int entries) {
    for (int i = 0; i < entries; ++i) {
        bench::Touch(root + NameOf(i));
    }
}

// 100 directories of 10 sub-directories, the files spread among them.
void MakeNested(const std::string& root, int entries) {
    int made = 0;
    for (int d = 0; d < 100; ++d) {
        const std::string top = root + "d" + std::to_string(d) + "/";
        mkdir(top.c_str(), 0755);
        for (int s = 0; s < 10; ++s) {
            mkdir((top + "s" + std::to_string(s) + "/").c_str(), 0755);
        }
        made += 11;
    }
    for (int i = 0; made < entries; ++i, ++made) {
        bench::Touch(root + "d" + std::to_string(i % 100) + "/s" + std::to_string((i / 100) % 10) +
                     "/" + NameOf(i));
    }
}

Gtk::Label* FirstLabel(Gtk::Widget* widget) {
    if (auto* label = dynamic_cast<Gtk::Label*>(widget)) {
        return label;
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(widget)) {
        for (Gtk::Widget* child : container->get_children()) {
            if (Gtk::Label* found = FirstLabel(child)) {
                return found;
            }
        }
    }
    return nullptr;
}

// Opens the result window on `root` and closes it as soon as the search has
// ended and its last match is in the tree; returns the wall milliseconds
// and the number of rows shown.
double TimeWindowSearch(const std::string& root, const std::string& pattern, int& rows) {
    const Glib::ustring done = _("Match file list");
    rows = 0;
    sigc::connection watch = Glib::signal_idle().connect(
        [&] {
            for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
                if (w->get_title() != _("Result of find")) {
                    continue;
                }
                Gtk::Label* label = FirstLabel(w);
                if (label == nullptr || label->get_text() != done) {
                    return true;
                }
                w->get_display()->sync();  // what was drawn reached the server
                rows = 0;
                std::vector<Gtk::TreeView*> views;
                std::vector<Gtk::Widget*> todo = {w};
                while (!todo.empty()) {
                    Gtk::Widget* x = todo.back();
                    todo.pop_back();
                    if (auto* v = dynamic_cast<Gtk::TreeView*>(x)) {
                        v->get_model()->foreach_iter([&](const Gtk::TreeModel::iterator&) {
                            ++rows;
                            return false;
                        });
                    } else if (auto* c = dynamic_cast<Gtk::Container*>(x)) {
                        for (Gtk::Widget* child : c->get_children()) {
                            todo.push_back(child);
                        }
                    }
                }
                suite::EndModalLoop();
                return false;
            }
            return true;
        },
        Glib::PRIORITY_LOW + 10);
    rmg::DialogWindow* dialog = nullptr;
    const auto t0 = Clock::now();
    rmg::CreateFindResultDlg(&dialog, nullptr, root, root, pattern, true);
    const double ms = Ms(t0, Clock::now());
    watch.disconnect();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string only = argc > 3 ? argv[3] : "";
    auto app = Gtk::Application::create("org.waymark.suite.bench", Gio::APPLICATION_NON_UNIQUE);
    const bench::RummageTree tree("findbench.");
    if (!tree.ok) {
        return 1;
    }
    const std::string flat = tree.home + "flat/";
    const std::string nested = tree.home + "nested/";
    mkdir(flat.c_str(), 0755);
    mkdir(nested.c_str(), 0755);
    MakeFlat(flat, entries);
    MakeNested(nested, entries);
    Gtk::Window* window = bench::OpenRummageWindow(tree.base.path(), tree.home);
    if (window == nullptr) {
        return 1;
    }
    bench::Pump();

    struct Case {
        const char* name;
        std::string root;
        const char* pattern;
    };
    const std::vector<Case> cases = {{"flat, few matches", flat, "*.txt"},
                                     {"flat, many matches", flat, "*.log"},
                                     {"nested, few matches", nested, "*.txt"},
                                     {"nested, many matches", nested, "*.log"}};
    std::printf("%d entries per tree; medians of %d runs, wall clock\n", entries, runs);
    std::printf("%-22s %8s %8s %10s %10s %10s %10s %7s\n", "tree", "matches", "rows", "window ms",
                "cpu ms", "walk ms", "find ms", "ratio");
    for (const Case& c : cases) {
        if (std::string(c.name).find(only) == std::string::npos) {
            continue;
        }
        std::vector<double> ours;
        std::vector<double> walks;
        std::vector<double> cpus;
        std::vector<double> finds;
        int rows = 0;
        for (int run = 0; run < runs; ++run) {
            const double c0 = bench::CpuMs();
            ours.push_back(TimeWindowSearch(c.root, c.pattern, rows));
            cpus.push_back(bench::CpuMs() - c0);
            const auto w0 = Clock::now();
            rmg::FindAll(c.root, c.pattern, true);
            walks.push_back(Ms(w0, Clock::now()));
            finds.push_back(bench::ShellMs(
                "find '" + c.root + "' -name '" + c.pattern + "' > /dev/null", "find"));
        }
        const std::size_t matches = rmg::FindAll(c.root, c.pattern, true).size();
        const double a = Median(ours);
        const double b = Median(finds);
        std::printf("%-22s %8zu %8d %10.1f %10.1f %10.1f %10.1f %7.2f\n", c.name, matches, rows, a,
                    Median(cpus), Median(walks), b, bench::Ratio(a, b));
    }
    std::printf("goal: ratio 1.5 or less in every row\n");
    rmg::TerminateRummage();
    delete window;
    return 0;
}

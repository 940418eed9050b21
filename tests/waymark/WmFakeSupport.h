// A process starter that starts nothing: it records what would run, and
// tells the launcher whether the browser runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "waymark/WmLaunch.h"

namespace wmtest {

using Argv = std::vector<std::string>;

class FakeStarter : public wm::ProcessStarter {
  public:
    pid_t Start(const std::string& file, const Argv& argv) override {
        files.push_back(file);
        argvs.push_back(argv);
        return 4242;
    }
    bool BrowserRunning(const std::string& name) override {
        lookedFor = name;
        return browserRunning;
    }
    int ChangeDirectory(const std::string& dir) override {
        directory = dir;
        return 0;
    }
    bool browserRunning = false;
    std::string lookedFor;
    std::string directory;
    std::vector<std::string> files;
    std::vector<Argv> argvs;
};

}  // namespace wmtest

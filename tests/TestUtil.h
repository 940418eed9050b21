// Small helpers shared by the tests: temporary trees, files, waiting.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace testutil {

// A private directory removed with everything in it at scope end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& text, int mode = 0644);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);

// Polls `pred` until it holds or `timeout` passes.
bool WaitFor(const std::function<bool()>& pred,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs a shell command; its exit status, or -1.
int Shell(const std::string& command);

// Whether this machine lets the tests make private mount namespaces.
bool CanUnshareMounts();

// Directory of the built programs.
std::string BuildBinDir();

}  // namespace testutil

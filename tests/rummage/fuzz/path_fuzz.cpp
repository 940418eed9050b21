// The path checks: any bytes are taken apart consistently, and a path the
// check lets through lies inside home and within the length limit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace {

rmg::GTable& Table() {
    static rmg::GTable* table = [] {
        auto* t = new rmg::GTable();
        rmg::DefaultGTable(*t);
        t->HomeDir = "/tmp/";
        t->CurrentDir = "/tmp/";
        t->ExtensionInfo = {{"html", "/usr/bin/browser"}, {"TXT", "/usr/bin/editor"}};
        rmg::pGTable = t;
        return t;
    }();
    return *table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Table();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = bytes.substr(0, bytes.find('\0'));

    const std::string parent = rmg::GetParentDirectory(path);
    const std::string last = rmg::GetLastPath(path);
    if (path.compare(0, parent.size(), parent) != 0 || parent.size() + last.size() > path.size()) {
        std::abort();
    }
    for (const char* p = rmg::CharNext(path.c_str(), '/'); p != nullptr;
         p = rmg::CharNext(p + 1, '/')) {
        if (p < path.c_str() || p >= path.c_str() + path.size() || *p != '/') {
            std::abort();
        }
    }
    (void)rmg::CheckFileName(path.c_str(), 0, 0);
    (void)rmg::GetCompatibleAP(path.c_str());
    std::uint64_t n = 0;
    std::memcpy(&n, bytes.data(), std::min(sizeof n, bytes.size()));
    if (rmg::ConvertSize(n).empty()) {
        std::abort();
    }

    std::string checked = path;
    const int code = rmg::CheckFileExist(checked);
    if (code < rmg::PATH_TOO_SHORT || code > rmg::PATH_FILE_EXISTS) {
        std::abort();
    }
    // Codes from 4 on are given only to a resolved path inside home.
    if (code >= rmg::PATH_NO_PARENT &&
        (checked.size() > rmg::kPathMax || checked.empty() || checked[0] != '/' ||
         rmg::CheckChildDirectory(checked.c_str()) != 0)) {
        std::abort();
    }
    return 0;
}

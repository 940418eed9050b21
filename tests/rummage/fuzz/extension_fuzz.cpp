// The association file: any text gives entries that fit their fields, each
// one line, split at its first "=".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "rummage/rmgfiles.h"
#include "rummage/rmgtable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* section : {"[Extension]", "[Application]"}) {
        std::vector<rmg::AppInfo> list;
        rmg::ParseAppInfo(text, section, list);
        for (const rmg::AppInfo& info : list) {
            if (info.Key.size() > rmg::kAppKeyMax || info.Value.size() > rmg::kAppValueMax ||
                info.Key.find('\n') != std::string::npos ||
                info.Value.find('\n') != std::string::npos ||
                text.find(info.Key + "=" + info.Value) == std::string::npos) {
                std::abort();
            }
        }
    }
    return 0;
}

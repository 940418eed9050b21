// The settings file: any text loads without harm, and what is saved from
// the loaded table loads back to the very same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "rummage/rmgfiles.h"
#include "rummage/rmgtable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    rmg::GTable loaded;
    rmg::DefaultGTable(loaded);
    rmg::ParseSettingsText(loaded, text);
    if (loaded.ColumnCount < 0 || loaded.ColumnCount > rmg::kMaxColumns || loaded.SortColumn < 0 ||
        loaded.SortColumn > loaded.ColumnCount || loaded.DirHistory.size() > rmg::kHistoryMax) {
        std::abort();
    }
    const std::string saved = rmg::BuildSettingsText(loaded, nullptr);
    if (saved.empty()) {
        std::abort();
    }
    rmg::GTable again;
    rmg::DefaultGTable(again);
    rmg::ParseSettingsText(again, saved);
    if (rmg::BuildSettingsText(again, nullptr) != saved) {
        std::abort();
    }
    return 0;
}

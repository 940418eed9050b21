// The dialer's readers of text it does not control: the installed options
// file and the interface table.  Whatever the bytes, the device name is one
// of the known ones and nothing is read past the input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ringout/RoControl.h"

namespace {

// Held in plain storage: the clean-up runs after static strings are gone.
char gScratch[64];

void RemoveScratch() {
    const std::string dir = gScratch;
    ::unlink((dir + "/options").c_str());
    ::unlink((dir + "/chat_script").c_str());
    ::rmdir(dir.c_str());
}

const std::string& Dir() {
    static const std::string dir = [] {
        // Memory-backed when there is one: every input rewrites the file.
        std::snprintf(gScratch, sizeof gScratch, "/dev/shm/ringout-fuzz-XXXXXX");
        if (::mkdtemp(gScratch) == nullptr) {
            std::snprintf(gScratch, sizeof gScratch, "/tmp/ringout-fuzz-XXXXXX");
            if (::mkdtemp(gScratch) == nullptr) {
                std::abort();
            }
        }
        std::atexit(&RemoveScratch);
        const std::string d = gScratch;
        if (FILE* f = std::fopen((d + "/chat_script").c_str(), "w")) {
            std::fclose(f);
        }
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ro::PppLink link = ro::ReadPppLink(text);
    if (link != ro::PppLink::kMissing && text.find("ppp") == std::string::npos) {
        std::abort();
    }

    ro::RoPaths paths;
    paths.options = Dir() + "/options";
    paths.chatScript = Dir() + "/chat_script";
    if (FILE* f = std::fopen(paths.options.c_str(), "w")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    std::string name;
    const std::uint32_t code = ro::CheckDialupConfiguration(paths, name);
    if (code != 0 && code != 0x201000B0) {
        std::abort();
    }
    if (!name.empty() && name != "MODEM" && name != "PHS" && name != "PDC") {
        std::abort();
    }
    return 0;
}

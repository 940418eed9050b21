// Shell-variable reader and editor on arbitrary file contents.  First byte:
// which key; the rest: the file.  After a set, reading gives the value; after
// a delete, nothing; name servers read are always valid addresses.
#include <arpa/inet.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/SafeFile.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"

namespace {

// Scratch directory, removed when the run ends normally.
char scratchDir[64];

void RemoveScratch() {
    char file[80];
    std::snprintf(file, sizeof file, "%s/f", scratchDir);
    ::unlink(file);
    ::rmdir(scratchDir);
}

const std::string& FilePath() {
    static const std::string path = [] {
        // Memory-backed when there is one: every step syncs its file.
        std::snprintf(scratchDir, sizeof scratchDir, "/dev/shm/twshellvar-XXXXXX");
        if (::mkdtemp(scratchDir) == nullptr) {
            std::snprintf(scratchDir, sizeof scratchDir, "/tmp/twshellvar-XXXXXX");
            if (::mkdtemp(scratchDir) == nullptr) {
                std::abort();
            }
        }
        std::atexit(RemoveScratch);
        return std::string(scratchDir) + "/f";
    }();
    return path;
}

// Names the broken property before stopping, so a crash report says which.
void CheckAt(bool ok, int line) {
    if (!ok) {
        std::fprintf(stderr, "property broken at line %d\n", line);
        std::abort();
    }
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const char* const kKeys[] = {"NETWORK", "IPADDR", "nameserver", "\"ogin:", "DNS", "K"};
    const std::string key = kKeys[data[0] % 6];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string& path = FilePath();
    Check(suite::ReplaceFile(path, text) == 0);

    std::string value;
    const std::size_t capacity = 1 + data[0] % 64;
    if (tw::GetConfiguration(path, key, value, capacity, false) == 0) {
        Check(!value.empty() && value.size() < capacity);
        Check(value.find('\n') == std::string::npos);
    }
    tw::NetworkConf net;
    std::memset(&net, 0, sizeof net);
    tw::GetNameServer(&net, nullptr, path);
    Check(net.NameServerCount >= 0 && net.NameServerCount <= 3);
    for (int i = 0; i < net.NameServerCount; ++i) {
        in_addr a;
        Check(::inet_pton(AF_INET, net.NameServer[i], &a) == 1);
    }

    Check(tw::SetConfiguration(path, key, "v1", tw::SEP_EQUAL | tw::SEP_QUOTE, false) == 0);
    Check(tw::GetConfiguration(path, key, value, 2048, false) == 0 && value == "v1");
    Check(tw::DeleteConfiguration(path, key, false) == 0);
    Check(tw::GetConfiguration(path, key, value, 2048, false) != 0);
    Check(tw::SetConfigurationRow(path, "row", 1 + data[0] % 3) == 0);
    return 0;
}

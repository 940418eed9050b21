// Shell-variable reader and editor on arbitrary file contents.  First byte:
// which key; the rest: the file.  After a set, reading gives the value; after
// a delete, nothing; name servers read are always valid addresses.
#include <arpa/inet.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScratchFile.h"
#include "common/SafeFile.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const char* const kKeys[] = {"NETWORK", "IPADDR", "nameserver", "\"ogin:", "DNS", "K"};
    const std::string key = kKeys[data[0] % 6];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string& path = twfuzz::FilePath("twshellvar");
    Check(suite::ReplaceFile(path, text) == 0);

    std::string value;
    const std::size_t capacity = 1 + data[0] % 64;
    if (tw::GetConfiguration(path, key, value, capacity, false) == 0) {
        Check(!value.empty() && value.size() < capacity);
        Check(value.find('\n') == std::string::npos);
    }
    tw::NetworkConf net;
    tw::GetNameServer(&net, nullptr, path);
    Check(net.NameServerCount >= 0 && net.NameServerCount <= 3);
    for (int i = 0; i < net.NameServerCount; ++i) {
        in_addr a;
        Check(::inet_pton(AF_INET, net.NameServer[i].c_str(), &a) == 1);
    }

    Check(tw::SetConfiguration(path, key, "v1", tw::SEP_EQUAL | tw::SEP_QUOTE, false) == 0);
    Check(tw::GetConfiguration(path, key, value, 2048, false) == 0 && value == "v1");
    Check(tw::DeleteConfiguration(path, key, false) == 0);
    Check(tw::GetConfiguration(path, key, value, 2048, false) != 0);
    Check(tw::SetConfigurationRow(path, "row", 1 + data[0] % 3) == 0);
    return 0;
}

// Dial-up readers on arbitrary chat scripts and secrets lines.  First byte:
// device and authentication; the rest: the file.  Whatever is read, writing
// it, reading that back and writing again gives the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/SafeFile.h"
#include "tunewell/TwDialup.h"

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
        std::snprintf(scratchDir, sizeof scratchDir, "/dev/shm/twdialup-XXXXXX");
        if (::mkdtemp(scratchDir) == nullptr) {
            std::snprintf(scratchDir, sizeof scratchDir, "/tmp/twdialup-XXXXXX");
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

tw::DialupConf Read(int device, int auth, const std::string& text) {
    const std::string& path = FilePath();
    Check(suite::ReplaceFile(path, text) == 0);
    tw::DialupConf record;
    std::memset(&record, 0, sizeof record);
    record.AuthType = auth;
    tw::InitializeDialDevConf(device, record, path, path);
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const int device = data[0] % 3;
    const int auth = (data[0] / 3) % 3;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    tw::DialupConf first = Read(device, auth, text);
    Check(std::memchr(first.PhoneNumber, 0, sizeof first.PhoneNumber) != nullptr);
    Check(std::memchr(first.Account, 0, sizeof first.Account) != nullptr);
    Check(std::memchr(first.Password, 0, sizeof first.Password) != nullptr);
    Check(std::memchr(first.AtCommand, 0, sizeof first.AtCommand) != nullptr);

    tw::WYConfig config;
    std::memset(&config, 0, sizeof config);
    std::strcpy(config.ModemDevice, "/dev/ttyS14");
    tw::TwPaths paths;
    // The secrets line is what the account file holds for CHAP and PAP.
    auto write = [&](const tw::DialupConf& r) {
        std::string script = tw::MakeChatScript(config, device, r, paths);
        return auth == tw::AUTH_SCRIPT ? script : script + tw::MakeSecretsLine(r);
    };
    auto reread = [&](const tw::DialupConf& r) {
        tw::DialupConf script =
            Read(device, tw::AUTH_SCRIPT, tw::MakeChatScript(config, device, r, paths));
        if (auth != tw::AUTH_SCRIPT) {
            tw::DialupConf secrets = Read(device, auth, tw::MakeSecretsLine(r));
            std::memcpy(script.Account, secrets.Account, sizeof script.Account);
            std::memcpy(script.Password, secrets.Password, sizeof script.Password);
        }
        script.AuthType = auth;
        return script;
    };
    const std::string once = write(first);
    tw::DialupConf second = reread(first);
    const std::string twice = write(second);
    if (once != twice && std::getenv("TW_FUZZ_DEBUG")) {
        std::fprintf(stderr, "first:\n%s\nsecond:\n%s\n", once.c_str(), twice.c_str());
    }
    Check(once == twice);
    return 0;
}

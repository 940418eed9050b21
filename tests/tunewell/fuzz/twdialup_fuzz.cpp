// Dial-up readers on arbitrary chat scripts and secrets lines.  First byte:
// device and authentication; the rest: the file.  Whatever is read, writing
// it, reading that back and writing again gives the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScratchFile.h"
#include "common/SafeFile.h"
#include "tunewell/TwDialup.h"

namespace {

tw::DialupConf Read(int device, int auth, const std::string& text) {
    const std::string& path = twfuzz::FilePath("twdialup");
    Check(suite::ReplaceFile(path, text) == 0);
    tw::DialupConf record;
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
    // Whatever the file holds, each text read stays within its field's limit.
    Check(tw::FitsField(first.PhoneNumber, tw::kPhoneNumberMax));
    Check(tw::FitsField(first.Account, tw::kAccountMax));
    Check(tw::FitsField(first.Password, tw::kAccountMax));
    Check(tw::FitsField(first.AtCommand, tw::kAtCommandMax));

    tw::WYConfig config;
    config.ModemDevice = "/dev/ttyS14";
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
            script.Account = secrets.Account;
            script.Password = secrets.Password;
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

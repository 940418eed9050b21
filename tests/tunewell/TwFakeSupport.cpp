#include "TwFakeSupport.h"

#include <cstdlib>
#include <ctime>

#include "TestUtil.h"
#include "tunewell/TwFile.h"

namespace twtest {

MessageRecorder::MessageRecorder() {
    previous_ = tw::SetTwMessageHandler([this](int code, const std::string& text, int) {
        messages.emplace_back(code, text);
        return 0;
    });
}

MessageRecorder::~MessageRecorder() {
    tw::SetTwMessageHandler(previous_);
}

std::vector<int> MessageRecorder::Codes() const {
    std::vector<int> codes;
    for (const auto& m : messages) {
        codes.push_back(m.first);
    }
    return codes;
}

tw::WYConfig MakeConfig(const std::string& dir) {
    tw::WYConfig config;
    tw::TwSetup scratch;
    tw::SetConfigDir(config, dir, "C");
    tw::InitializeWYConfig(config, scratch);
    return config;
}

tw::TwPaths MakeSystem(const std::string& root) {
    tw::TwPaths paths;
    paths.zoneinfoDir = root + "/zoneinfo/";
    paths.zoneTable = paths.zoneinfoDir + "zone.tab";
    paths.clockFile = root + "/etc/sysconfig/clock";
    paths.localtime = root + "/etc/localtime";
    paths.hwclock = root + "/hwclock";
    paths.chat = "/usr/sbin/chat";
    testutil::MakeDirs(root + "/etc/sysconfig");
    for (const char* zone : {"Asia/Tokyo", "Europe/Berlin", "America/New_York", "Etc/UTC"}) {
        std::string name = zone;
        testutil::MakeDirs(paths.zoneinfoDir + name.substr(0, name.find('/')));
        testutil::WriteFile(paths.zoneinfoDir + name,
                            testutil::ReadFile(std::string("/usr/share/zoneinfo/") + zone));
    }
    testutil::WriteFile(paths.zoneTable,
                        "# comment\n#country-\n#code\tcoordinates\tTZ\tcomments\n"
                        "JP\t+353916+1394441\tAsia/Tokyo\n"
                        "DE\t+5230+01322\tEurope/Berlin\tmost of Germany\n"
                        "# a comment line in the body\n"
                        "US\t+404251-0740023\tAmerica/New_York\tEastern (most areas)\n");
    testutil::WriteFile(paths.clockFile, "ZONE=\"Etc/UTC\"\n");
    return paths;
}

TzGuard::TzGuard() {
    const char* tz = std::getenv("TZ");
    had_ = tz != nullptr;
    value_ = tz ? tz : "";
}

TzGuard::~TzGuard() {
    if (had_) {
        ::setenv("TZ", value_.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

}  // namespace twtest

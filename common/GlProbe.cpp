#include "common/GlProbe.h"

#include <cstdlib>

namespace suite {

namespace {
constexpr const char* kVariable = "GDK_GL";
}

SkipGlProbe::SkipGlProbe() {
    if (std::getenv(kVariable) == nullptr) {
        set_ = ::setenv(kVariable, "disable", 0) == 0;
    }
}

void SkipGlProbe::Restore() {
    if (set_) {
        ::unsetenv(kVariable);
        set_ = false;
    }
}

}  // namespace suite

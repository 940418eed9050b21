#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "common/GlProbe.h"

namespace {

std::optional<std::string> GdkGl() {
    const char* value = std::getenv("GDK_GL");
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// While GTK starts the probe is off unless the person chose otherwise; once
// it has started, the programs we launch must see the variable as we got it.
TEST(SkipGlProbe, OffWhileGtkStartsAndTheEnvironmentAsGivenAfterwards) {
    const struct {
        std::optional<std::string> given;
        std::string whileStarting;
    } cases[] = {{std::nullopt, "disable"}, {"always", "always"}, {"", ""}};
    for (const auto& c : cases) {
        if (c.given) {
            ::setenv("GDK_GL", c.given->c_str(), 1);
        } else {
            ::unsetenv("GDK_GL");
        }
        {
            suite::SkipGlProbe skip;
            EXPECT_EQ(c.whileStarting, GdkGl().value_or("(unset)"));
            skip.Restore();
            EXPECT_EQ(c.given, GdkGl());
        }
        EXPECT_EQ(c.given, GdkGl()) << "a second restore changed it";
    }
    ::unsetenv("GDK_GL");
}

}  // namespace

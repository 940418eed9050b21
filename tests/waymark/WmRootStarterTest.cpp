// The bar's starters for the programs that run as root, run as configured
// with stub programs mounted over the installed ones.
#include <unistd.h>

#include <gtest/gtest.h>

#include "PrivateMountScript.h"
#include "TestUtil.h"

namespace {

// Ringout starts Tunewell, which needs WYCFG: in a root session nothing
// else gives it one, so the starter hands on the installed tree unless the
// session named its own.
TEST(WmRootStarter, ProgramsGetTheInstalledTreeWhenTheSessionHasNone) {
    if (::geteuid() != 0 || !testutil::CanUnshareMounts()) {
        GTEST_SKIP() << "needs root and a private mount namespace";
    }
    testutil::ExpectScriptPassesInPrivateMounts(std::string(R"(set -e
mkdir "$1/bin"
for p in Ringout Tunewell; do
    printf '#!/bin/sh\nprintf "%%s" "${WYCFG-unset}" > "%s/seen"\n' "$1" > "$1/bin/$p"
    chmod +x "$1/bin/$p"
done
mount --bind "$1/bin" ')") + SUITE_BINDIR + R"('
starters=')" + WAYMARK_STARTER_DIR + R"('
check() { # check <program> <WYCFG or "unset"> <expected>
    rm -f "$dir/seen"
    if [ "$2" = unset ]; then env -u WYCFG sh "$starters/$1"; else WYCFG=$2 sh "$starters/$1"; fi
    seen=$(cat "$dir/seen")
    [ "$seen" = "$3" ] || { echo "$1 with WYCFG $2 saw '$seen', not '$3'"; exit 1; }
}
dir=$1
check Ringout unset ')" + TUNEWELL_CONFIGDIR + R"('
check Tunewell unset ')" + TUNEWELL_CONFIGDIR + R"('
check Ringout /srv/tree /srv/tree
)");
}

}  // namespace

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PrivateMountScript.h"
#include "TestUtil.h"
#include "rootgate/Rootgate.h"

using testutil::TempDir;

namespace {

bool Has(const std::vector<std::string>& env, const std::string& entry) {
    return std::find(env.begin(), env.end(), entry) != env.end();
}

bool HasName(const std::vector<std::string>& env, const std::string& name) {
    return std::any_of(env.begin(), env.end(),
                       [&](const std::string& e) { return e.rfind(name + "=", 0) == 0; });
}

TEST(Rootgate, EnvironmentIsRebuiltFromAnAllowlist) {
    const char* caller[] = {"PATH=/home/eve/bin:/usr/bin",
                            "LD_PRELOAD=/home/eve/evil.so",
                            "IFS=/",
                            "HOME=/home/eve",
                            "USER=eve",
                            "BASH_ENV=/home/eve/x",
                            "LANG=ja_JP.eucJP",
                            "LC_TIME=en_GB.UTF-8",
                            "LC_ALL=../../home/eve/locale",
                            "LC_CTYPE=.hidden",
                            "LC_MESSAGES=/home/eve/locale",
                            "TERM=xterm-256color",
                            "DISPLAY=:0.0",
                            "LANG=C",  // duplicates keep the first
                            "NOEQUALS",
                            nullptr};
    auto env = rootgate::BuildEnvironment(caller, {"/root", "/bin/bash"});
    EXPECT_TRUE(Has(env, "PATH=" + rootgate::TrustedPath()));
    EXPECT_TRUE(Has(env, "HOME=/root"));
    EXPECT_TRUE(Has(env, "USER=root"));
    EXPECT_TRUE(Has(env, "LOGNAME=root"));
    EXPECT_TRUE(Has(env, "SHELL=/bin/bash"));
    EXPECT_TRUE(Has(env, "LANG=ja_JP.eucJP"));
    EXPECT_FALSE(Has(env, "LANG=C"));
    EXPECT_TRUE(Has(env, "LC_TIME=en_GB.UTF-8"));
    EXPECT_TRUE(Has(env, "TERM=xterm-256color"));
    EXPECT_TRUE(Has(env, "DISPLAY=:0.0"));
    EXPECT_FALSE(HasName(env, "LD_PRELOAD"));
    EXPECT_FALSE(HasName(env, "IFS"));
    EXPECT_FALSE(HasName(env, "BASH_ENV"));
    EXPECT_FALSE(HasName(env, "LC_ALL"));
    EXPECT_FALSE(HasName(env, "LC_CTYPE"));
    EXPECT_FALSE(HasName(env, "LC_MESSAGES"));
    EXPECT_FALSE(Has(env, "HOME=/home/eve"));
    EXPECT_EQ(1, std::count_if(env.begin(), env.end(),
                               [](const std::string& e) { return e.rfind("PATH=", 0) == 0; }));
}

TEST(Rootgate, SaneValues) {
    EXPECT_TRUE(rootgate::SaneValue("DISPLAY", "localhost:10.0"));
    EXPECT_FALSE(rootgate::SaneValue("DISPLAY", ":0 ; rm"));
    EXPECT_FALSE(rootgate::SaneValue("TERM", "../../x"));
    EXPECT_FALSE(rootgate::SaneValue("LANG", ""));
    EXPECT_FALSE(rootgate::SaneValue("LANG", std::string(200, 'a')));
}

TEST(Rootgate, ScriptAndItsDirectoriesMustBeRootsAlone) {
    char real[PATH_MAX];
    ASSERT_NE(nullptr, ::realpath("/bin/sh", real));
    EXPECT_EQ("", rootgate::UnsafeReason(real));
    TempDir dir;  // below the world-writable /tmp
    testutil::WriteFile(dir / "Rootgate.sh", "#!/bin/sh\n", 0755);
    ASSERT_NE(nullptr, ::realpath(dir.path().c_str(), real));
    const std::string reason = rootgate::UnsafeReason(std::string(real) + "/Rootgate.sh");
    EXPECT_NE(std::string::npos, reason.find("writable by group or others")) << reason;
    EXPECT_NE("", rootgate::UnsafeReason("relative/Rootgate.sh"));
}

TEST(Rootgate, SearchesOnlyTrustedDirectories) {
    auto dirs = rootgate::TrustedDirectories();
    auto c = rootgate::ScriptCandidates(dirs);
    ASSERT_EQ(dirs.size(), c.size());
    EXPECT_EQ("/usr/local/sbin/Rootgate.sh", c[0]);
    EXPECT_TRUE(std::find(c.begin(), c.end(), "/usr/local/bin/Rootgate.sh") != c.end());
    for (const auto& p : c)
        EXPECT_EQ('/', p[0]);
}

TEST(Rootgate, EmptyArgumentVectorIsRefused) {
    const std::string prog = testutil::BuildBinDir() + "/Rootgate";
    pid_t pid = ::fork();
    if (pid == 0) {
        char* argv[] = {nullptr};
        char* envp[] = {nullptr};
        ::execve(prog.c_str(), argv, envp);
        ::_exit(99);
    }
    int status = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
}

// The real program in a private mount namespace, with the trusted script in
// /usr/local/bin and a decoy first in the caller's PATH.
TEST(Rootgate, RealProgramRunsTrustedScriptWithFirstArgument) {
    testutil::ExpectInstalledProgramPasses("Rootgate", R"SH(
mount -t tmpfs -o mode=755 none /usr/local/sbin 2>/dev/null || true
chmod 4755 /usr/local/bin/Rootgate
cat > /usr/local/bin/Rootgate.sh <<EOL
#!/bin/sh
{ echo "argc=\$#"; for a in "\$@"; do echo "arg=\$a"; done; echo "uid=\$(id -u)"; echo "path=\$PATH"; echo "preload=\${LD_PRELOAD:-}"; echo "umask=\$(umask)"; grep -E '^Sig(Blk|Ign):' /proc/self/status; [ -e /proc/\$\$/fd/7 ] && echo "fd7=open"; } > "$D/ran"
[ "\${1:-}" = seven ] && exit 7
exit 0
EOL
chmod 755 /usr/local/bin/Rootgate.sh
mkdir -p "$D/evil"
printf '#!/bin/sh\ntouch "%s/evil-ran"\n' "$D" > "$D/evil/Rootgate.sh"
chmod 755 "$D/evil/Rootgate.sh"
fail() { echo "$1"; cat "$D/ran" 2>/dev/null; exit 1; }

PATH="$D/evil:$PATH" /usr/local/bin/Rootgate first second; rc=$?
[ $rc -eq 0 ] || fail "status $rc"
[ ! -e "$D/evil-ran" ] || fail "script from caller's PATH was run"
grep -qx 'argc=1' "$D/ran" && grep -qx 'arg=first' "$D/ran" || fail "arguments wrong"
grep -q "^path=/usr/local/sbin:" "$D/ran" || fail "PATH not rebuilt"

/usr/local/bin/Rootgate; rc=$?
[ $rc -eq 0 ] && grep -qx 'argc=0' "$D/ran" || fail "no-argument run"

/usr/local/bin/Rootgate seven; rc=$?
[ $rc -eq 7 ] || fail "script status not handed back: $rc"

# The caller's umask, ignored signals and open descriptors stay behind.
(umask 077; trap '' USR1 HUP; exec 7</dev/null; /usr/local/bin/Rootgate state); rc=$?
[ $rc -eq 0 ] || fail "state run: status $rc"
grep -qx 'umask=0022' "$D/ran" || fail "umask kept"
grep -qx 'SigBlk:.0000000000000000' "$D/ran" || fail "signal mask kept"
grep -qx 'SigIgn:.0000000000000000' "$D/ran" || fail "ignored signals kept"
! grep -q 'fd7=open' "$D/ran" || fail "descriptor 7 passed on"

# A script (or directory) someone else may change is refused.
rm -f "$D/ran"
chmod 775 /usr/local/bin/Rootgate.sh
/usr/local/bin/Rootgate x 2>"$D/err"; rc=$?
[ $rc -eq 1 ] && [ ! -e "$D/ran" ] || fail "group-writable script run (status $rc)"
grep -q 'writable by group or others' "$D/err" || fail "no reason given: $(cat "$D/err")"
chmod 755 /usr/local/bin/Rootgate.sh; chown nobody /usr/local/bin/Rootgate.sh
/usr/local/bin/Rootgate x 2>"$D/err"; rc=$?
[ $rc -eq 1 ] && [ ! -e "$D/ran" ] || fail "script of another owner run (status $rc)"
chown root /usr/local/bin/Rootgate.sh

# An ordinary user gets root through the set-user-ID bit.
if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
  chmod 777 "$D"; rm -f "$D/ran"
  setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/local/bin/Rootgate x; rc=$?
  [ $rc -eq 0 ] && grep -qx 'uid=0' "$D/ran" || fail "not root for an ordinary user (status $rc)"
fi

rm /usr/local/bin/Rootgate.sh
/usr/local/bin/Rootgate x; rc=$?
[ $rc -eq 1 ] || fail "missing script: status $rc"
[ ! -e "$D/evil-ran" ] || fail "decoy run when the trusted script is missing"
exit 0
)SH");
}

}  // namespace

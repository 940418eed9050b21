#!/usr/bin/env bash
# Installs a build into a scratch root and checks that it writes nothing
# outside the prefix but the two system files a person's desktop reads
# (the login-screen session and the polkit actions), that every program and
# catalogue is there, and that Rootgate alone is set-user-ID.
#   check-install.sh <build dir> <prefix>
set -euo pipefail
build=$1
prefix=$2
root=$(mktemp -d /tmp/suite-install.XXXXXX)
trap 'rm -rf "$root"' EXIT

DESTDIR=$root cmake --install "$build" >"$root.log" 2>&1 || { cat "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"

failed=0
fail() { echo "FAILED: $*"; failed=1; }

allowed='^(/usr/share/xsessions/waymark\.desktop|/usr/share/polkit-1/actions/org\.waymark\.suite\.tunewell\.policy)$'
while IFS= read -r path; do
  case "$path" in
    "$prefix"/*) ;;
    *) [[ "$path" =~ $allowed ]] || fail "installed outside $prefix: $path" ;;
  esac
done < <(cd "$root" && find . ! -type d | sed 's|^\.||')

for p in bin/Waymark bin/rummage bin/Tunewell bin/Ringout bin/Waywatch bin/Rootgate bin/waymark-session \
         share/Waymark/default/Waymark.dat share/Waymark/Help/Waymark.htm share/rummage/Help/rummage.htm \
         share/applications/rummage.desktop share/applications/Tunewell.desktop \
         share/applications/Ringout.desktop share/icons/hicolor/48x48/apps/rummage.png \
         share/man/man1/{Waymark,rummage,Tunewell,Ringout,Waywatch,Rootgate}.1; do
  [ -e "$root$prefix/$p" ] || fail "missing $prefix/$p"
done
for domain in rummage Waymark Tunewell Ringout Waywatch Rootgate; do
  [ -f "$root$prefix/share/locale/ja/LC_MESSAGES/$domain.mo" ] || fail "missing the Japanese catalogue of $domain"
done
setid=$(cd "$root" && find . -type f -perm /6000 | sed 's|^\.||')
[ "$setid" = "$prefix/bin/Rootgate" ] || fail "set-ID files: '$setid'"
writable=$(cd "$root" && find . ! -type l -perm /022 | sed 's|^\.||')
[ -z "$writable" ] || fail "writable by group or others: $writable"

[ $failed = 0 ] && echo "install: $(cd "$root" && find . ! -type d | wc -l) files, all under $prefix or documented"
exit $failed

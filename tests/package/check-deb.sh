#!/usr/bin/env bash
# Checks a Debian package of the suite: its dependencies, that Rootgate alone
# is set-user-ID root, that the installed paths are there, and, unpacked into
# a clean root shown at the prefix in a private mount and pid namespace, that
# the programs run from it (Rootgate as an ordinary user gets root).
#   check-deb.sh <package.deb>
#   check-deb.sh --build <build dir>   packs that build first (cpack -G DEB)
# Exits 0 when every check holds; prints each failed check.
set -euo pipefail

work=$(mktemp -d /tmp/suite-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = --build ]; then
  cpack -G DEB --config "$2/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
  deb=$(ls "$work"/pack/*.deb)
else
  deb=$1
fi
[ -f "$deb" ] || { echo "no package: $deb"; exit 1; }

failed=0
fail() { echo "FAILED: $*"; failed=1; }

depends=$(dpkg-deb --field "$deb" Depends)
for need in libgtkmm-3.0 libc6 pkexec; do
  case "$depends" in *"$need"*) ;; *) fail "Depends lacks $need: $depends" ;; esac
done

# Modes and owners as the package carries them.
listing=$(dpkg-deb --contents "$deb")
setuid=$(echo "$listing" | awk '$1 ~ /^-..[sS]/ || $1 ~ /^-.....[sS]/ { print $2, $6 }')
[ "$setuid" = "root/root ./usr/local/bin/Rootgate" ] || fail "set-ID files: '$setuid'"
echo "$listing" | awk '$2 != "root/root" { bad = 1; print "not root-owned:", $6 } END { exit bad }' ||
  fail "files not owned by root"

prefix=/usr/local
paths=(
  bin/Waymark bin/rummage bin/Tunewell bin/Ringout bin/Waywatch bin/Rootgate bin/waymark-session
  share/Waymark/pixmaps share/Waymark/default/Waymark.dat share/Waymark/Help/Waymark.htm
  share/rummage/Help/rummage.htm
)
for domain in rummage Waymark Tunewell Ringout Waywatch Rootgate; do
  paths+=("share/locale/ja/LC_MESSAGES/$domain.mo")
done
for p in "${paths[@]}"; do
  echo "$listing" | grep -q " \./usr/local/$p/\?\$" || fail "missing $prefix/$p"
done
echo "$listing" | grep -q ' \./usr/share/polkit-1/actions/org\.waymark\.suite\.tunewell\.policy$' ||
  fail "missing polkit action"

root=$work/root
dpkg-deb -x "$deb" "$root"
mkdir -p "$root$prefix/sbin"
printf '#!/bin/sh\necho "$(id -u) $1"\n' >"$root$prefix/sbin/Rootgate.sh"
chmod 0755 "$root$prefix/sbin/Rootgate.sh"

# The clean root's prefix replaces the machine's; nothing may set the clock.
inner='set -u
mount --bind "$1/usr/local" /usr/local
for p in Waymark rummage Tunewell Ringout Waywatch; do
  out=$(env -u DISPLAY LANG=C "/usr/local/bin/$p" --version 2>&1) || { echo "FAILED: $p --version: $out"; exit 1; }
  [ -n "$out" ] || { echo "FAILED: $p --version printed nothing"; exit 1; }
  echo "$p: $(echo "$out" | head -n 1)"
done
out=$(setpriv --reuid=65534 --regid=65534 --clear-groups /usr/local/bin/Rootgate --version 2>&1)
[ "$out" = "0 --version" ] || { echo "FAILED: Rootgate as nobody: $out"; exit 1; }
echo "Rootgate: runs Rootgate.sh as uid 0 for an ordinary user"'
unshare -m -p --fork --mount-proc --propagation private \
  capsh --drop=cap_sys_time -- -c "$inner" check "$root" || fail "programs from the package"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "package checks passed: $deb"

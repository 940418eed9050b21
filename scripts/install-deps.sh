#!/usr/bin/env bash
# Installs every Debian 12 package the suite needs to build, run and test.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  libgtkmm-3.0-dev libx11-dev
  gettext
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-utils x11-apps imagemagick libxtst6 xdotool
  util-linux util-linux-extra procps libcap2-bin ppp tzdata
  clang-14 libclang-rt-14-dev
  dpkg-dev
  fonts-dejavu-core fonts-ipafont-gothic locales
  # The accessibility session test: its bus, the bridge's services and a
  # listening client.
  dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "All build and test packages are installed."
fi

# Japanese locales: the catalogues are shown under ja_JP.UTF-8, and the
# launcher and the settings tool lay out differently under ja_JP.eucJP.
for entry in "ja_JP.UTF-8 UTF-8:ja_JP.utf8" "ja_JP.EUC-JP EUC-JP:ja_JP.eucjp"; do
  line=${entry%%:*}
  name=${entry##*:}
  if [ -f /etc/locale.gen ] && ! grep -qx "$line" /etc/locale.gen; then
    $SUDO sed -i "s/^# *${line}\$/${line}/" /etc/locale.gen
  fi
  if ! locale -a | grep -qx "$name"; then
    echo "Generating locale ${line%% *}"
    $SUDO localedef -i ja_JP -f "${line##* }" "${line%% *}"
  fi
done

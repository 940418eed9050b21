#!/usr/bin/env bash
# Fills a directory with a small tree of sample files to browse.
set -euo pipefail
root=${1:?usage: make-demo-tree.sh DIR}
mkdir -p "$root"/{Documents/Letters,Pictures,Music,Projects/suite/src,.config}
printf 'Dear reader,\n' > "$root/Documents/Letters/hello.txt"
printf '<html><body>Index</body></html>\n' > "$root/Documents/index.html"
head -c 120000 /dev/zero > "$root/Pictures/holiday.bmp"
head -c 4200 /dev/zero > "$root/Music/song.wav"
printf 'int main() { return 0; }\n' > "$root/Projects/suite/src/main.cpp"
printf '#!/bin/sh\necho hi\n' > "$root/Projects/run.sh"; chmod 755 "$root/Projects/run.sh"
printf 'hidden\n' > "$root/.config/settings"
ln -sf Documents/index.html "$root/index-link.html"
printf 'notes\n' > "$root/README"

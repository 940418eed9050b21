#!/usr/bin/env bash
# Writes a sample Tunewell tree: a WYCFG directory with LAN, wireless and
# dial-up settings and fake site scripts, and a system root with a clock
# file and a zone table of N zones (default 500).
#   bench/TwGuiSampleTree.sh <dir> [zones]
set -euo pipefail
dir=$1
zones=${2:-500}
cfg=$dir/wycfg
root=$dir/sysroot
mkdir -p "$cfg/lan" "$cfg/wirelesslan/melco" "$cfg/dialup/modem" "$cfg/dialup/phs" "$cfg/dialup/pdc" \
  "$root/etc/sysconfig" "$root/usr/share/zoneinfo/Asia" "$root/usr/sbin" "$dir/scripts"
for s in network dialup; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/ran"\n' "$s" "$dir" > "$dir/scripts/$s.sh"
  chmod 755 "$dir/scripts/$s.sh"
done
printf '#!/bin/sh\necho "hwclock $*" >> "%s/ran"\n' "$dir" > "$root/usr/sbin/hwclock"
chmod 755 "$root/usr/sbin/hwclock"
cat > "$cfg/wycfg.dat" <<END
NETWORK=enable
NETWORK_DEVICE=lan
DIALUP=modem
NETWORK_SCRIPT=$dir/scripts/network.sh
DIALUP_SCRIPT=$dir/scripts/dialup.sh
END
printf 'BOOTPROTO="none"\nIPADDR="192.168.1.10"\nNETMASK="255.255.255.0"\n' > "$cfg/lan/ifcfg-eth0"
printf 'HOSTNAME="appliance"\nGATEWAY="192.168.1.1"\n' > "$cfg/lan/network"
printf 'nameserver 192.168.1.1\nnameserver 8.8.8.8\ndomain example.com\nsearch example.com\n' > "$cfg/lan/resolv.conf"
printf 'ESSID="office"\nKEY="s:abcde"\n' > "$cfg/wirelesslan/melco/wireless.opts"
printf 'DHCP="y"\n' > "$cfg/wirelesslan/melco/network.opts"
printf '/dev/ttyS14\n115200\nname user1\n' > "$cfg/dialup/modem/options"
printf 'user1 * secret1\n' > "$cfg/dialup/modem/pap-secrets"
cat > "$cfg/dialup/modem/chat_script" <<'END'
#!/bin/sh

exec /usr/sbin/chat -v \
ABORT 'REDIAL ERROR' ABORT BUSY ABORT 'NO CARRIER' ABORT VOICE ABORT ERROR \
ABORT 'NO DIALTONE' ABORT 'NO DIAL TONE' ABORT 'NO ANSWER' TIMEOUT 90 \
'' 'AT+GCI=B5&F' OK-AT-OK 'ATX3' OK-AT-OK \
'ATDT0312345678' \
CONNECT '\d\c'
END
printf 'nameserver 10.0.0.53\n' > "$cfg/dialup/modem/resolv.conf"
printf 'ZONE="Asia/Tokyo"\n' > "$root/etc/sysconfig/clock"
{
  printf '# zone table\n#code\tcoordinates\tTZ\tcomments\n'
  printf 'JP\t+353916+1394441\tAsia/Tokyo\n'
  for i in $(seq 1 $((zones - 1))); do
    printf 'XX\t+0000+00000\tZone/Area%04d\n' "$i"
  done
} > "$root/usr/share/zoneinfo/zone.tab"
cp /usr/share/zoneinfo/Asia/Tokyo "$root/usr/share/zoneinfo/Asia/Tokyo" 2>/dev/null || : > "$root/usr/share/zoneinfo/Asia/Tokyo"
mkdir -p "$root/usr/share/zoneinfo/Zone"
for i in $(seq 1 $((zones - 1))); do : > "$root/usr/share/zoneinfo/Zone/Area$(printf %04d "$i")"; done
ln -sf ../usr/share/zoneinfo/Asia/Tokyo "$root/etc/localtime"

#!/usr/bin/env bash
# The Windows updater through a real kernel: boots Debian's kernel under QEMU
# (TCG) with the simulated recorder as a real USB disk (as
# run_usb_guest_test.sh does) and QEMU's own disk as a foreign drive 0, shares
# this machine's root with the guest over 9p, and runs the unmodified Windows
# vokari-update.exe under wine64 there, one scenario after another
# (tests/kernel/guest/wine_scenarios, one group per guest; GROUP may also name
# a single scenario). Meanwhile the same scenarios run on vokari-update-sim
# here, the Linux updater's code on the same recorder; each passes when the
# Windows run exits the same, prints the same bytes, leaves the recorder in
# the same state and sent it the same commands.
#
# Usage: run_wine_guest_test.sh GROUP CACHE UPDATER_EXE VOKARI_USB_RECORDER
#          PTY_KEYS VOKARI_UPDATE_SIM GUEST_CHECKS [NATIVE_UPDATER]
# NATIVE_UPDATER (the static Linux vokari-update) runs the scenarios whose
# name ends in -native (the benchmark's).
# Exit status: 0 passed, 77 skipped (no Windows build, no wine64, or QEMU
# cannot be installed), else failed.
set -euo pipefail
group=$1 cache=$2 exe=$3 recorder=$4 pty_keys=$5 update_sim=$6 guest_checks=$7
native=${8:-}
here=$(cd "$(dirname "$0")" && pwd)
scenarios=$here/guest/wine_scenarios

if [ ! -f "$exe" ]; then
  echo "SKIP: no Windows build of the updater at $exe (build it first:" \
       "cmake --preset windows-x64 && cmake --build --preset windows-x64 --target vokari-update" \
       "vkr_wine_drive_checks," \
       "or point VKR_WINDOWS_UPDATER at one)"
  exit 77
fi
if [ ! -x /usr/lib/wine/wine64 ] || ! command -v wine >/dev/null; then
  echo "SKIP: wine64 is not installed (apt-get install wine wine64)"
  exit 77
fi
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
# Built by the same Windows build, beside the updater.
drive_checks=$(dirname "$exe")/vkr_wine_drive_checks.exe
if [ ! -f "$drive_checks" ] &&
   grep -v '^#' "$scenarios" | awk -v g="$group" '($1 == g || $2 == g) && $2 == "drive"' | grep -q .; then
  echo "FAIL: no $drive_checks beside the updater: build the windows-x64 target vkr_wine_drive_checks"
  exit 1
fi
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
exec 9>"$cache/.lock"

started=$(date +%s.%N)
elapsed() { awk -v start="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - start }'; }
sha() { sha256sum <"$1" | cut -c1-64; }

flock 9
status=0
"$here/prepare_guest.sh" "$cache" || status=$?
[ $status -eq 0 ] || exit $status

# The prefix, made once per build folder; the guest lays a writable layer
# over it. Made again when Wine has changed since.
prefix=$cache/wine-prefix
if [ ! -f "$prefix/system.reg" ] || [ /usr/lib/wine/wine64 -nt "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  HOME=$cache WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    wine wineboot -i >"$cache/wineboot.log" 2>&1 || { tail -5 "$cache/wineboot.log"; exit 1; }
  WINEPREFIX=$prefix wineserver -w
fi

initramfs=$cache/initramfs-wine.cpio.gz
inputs=("$here/guest/wine_init" "$scenarios" /bin/busybox "$cache/kernel/vmlinuz")
config="PREFIX=$prefix UPDATER_EXE=$exe DRIVE_CHECKS=$drive_checks NATIVE_UPDATER=$native RECORDER=$recorder PTY_KEYS=$pty_keys GUEST_CHECKS=$guest_checks"
stale=false
[ -f "$initramfs" ] && [ "$(cat "$initramfs.config" 2>/dev/null)" = "$config" ] || stale=true
for input in "${inputs[@]}"; do [ "$input" -nt "$initramfs" ] && stale=true; done
if $stale; then
  root=$(mktemp -d "$cache/root.XXXXXX")
  chmod 755 "$root"
  mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/modules}
  cp /bin/busybox "$root/bin/busybox"
  cp "$here/guest/wine_init" "$root/init"
  chmod 755 "$root/init"
  cp "$scenarios" "$root/wine_scenarios"
  tr ' ' '\n' <<<"$config" >"$root/config"
  cp "$cache"/kernel/modules/*.ko "$root/lib/modules/"
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs.new"
  mv "$initramfs.new" "$initramfs"
  echo "$config" >"$initramfs.config"
  rm -rf "$root"
fi
flock -u 9
prepared=$(elapsed "$started")

# The same scenarios at the seam, alongside the guest.
seam=$(mktemp -d "$cache/wine-seam-$group.XXXXXX")
trap 'rm -rf "$seam"' EXIT
names=()
while read -r g name keys options; do
  [ "$g" = "$group" ] || [ "$name" = "$group" ] || continue
  names+=("$name")
  [ "$name" = drive ] && continue  # nothing to compare with
  (
    set +e
    lock=vokari-wine-test-$$-$name
    if [ "$name" = second ]; then
      # The first copy holds the lock at its first question; the second
      # copy's output and exit are compared, the first's commands and state.
      # shellcheck disable=SC2086
      "$pty_keys" --ahead-when "$seam/second.done" "$seam/first.out" "$keys" 400 "$update_sim" \
        --state "$seam/$name.state" --trace "$seam/$name.trace" --lock "$lock" $options \
        </dev/null &
      # The lock is a name in the abstract socket namespace.
      until grep -q "@$lock\$" /proc/net/unix; do sleep 0.1; done
      "$pty_keys" "$seam/$name.out" x 60 "$update_sim" --state "$seam/second-copy.state" \
        --lock "$lock" </dev/null
      echo $? >"$seam/$name.exit"
      touch "$seam/second.done"
      wait
    else
      # shellcheck disable=SC2086
      "$pty_keys" "$seam/$name.out" "$keys" 400 "$update_sim" --state "$seam/$name.state" \
        --trace "$seam/$name.trace" --lock "$lock" $options </dev/null
      echo $? >"$seam/$name.exit"
    fi
  ) &
done < <(grep -v '^#' "$scenarios")

log=$cache/console-wine-$group.log
booted=$(date +%s.%N)
qemu_status=0
timeout 1200 qemu-system-x86_64 -accel tcg -m 1536 -smp 2 \
  -display none -monitor none -serial stdio -no-reboot -net none \
  -kernel "$cache/kernel/vmlinuz" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 loglevel=4 vkr.group=$group" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -device virtio-scsi-pci,id=vs \
  -blockdev driver=null-co,node-name=foreign,size=67108864,read-zeroes=on \
  -device scsi-hd,bus=vs.0,drive=foreign \
  -device isa-debug-exit,iobase=0xf4,iosize=0x04 </dev/null >"$log" 2>&1 || qemu_status=$?
ran=$(elapsed "$booted")
wait

grep -aE '^(init:|result |timing )' "$log" | tr -d '\r' || true
echo "kernel: $(cat "$cache/kernel/package"); preparation ${prepared} s; QEMU ${ran} s (exit $qemu_status)"

failures=0
check() {  # DESCRIPTION CONDITION...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
field() { awk -v key="$2" '{ for (i = 1; i < NF; i++) if ($i == key) print $(i + 1) }' <<<"$1"; }

for name in "${names[@]}"; do
  result=$(grep -a "^result $name " "$log" | tr -d '\r' || true)
  if [ "$name" = drive ]; then
    grep -a "^output $name: " "$log" | sed "s/^output $name: //" | tr -d '\r'
    check "drive: every check of the Windows drive layer passed in the guest" \
      [ "$(field "$result" exit)" = 0 ]
    continue
  fi
  sed -n '/"open":false/!s/^{"t":[0-9]*,//p' "$seam/$name.trace" >"$seam/$name.commands" || true
  if [ -z "$result" ]; then
    check "$name: the guest ran it" false
    continue
  fi
  check "$name: exit $(field "$result" exit), as at the seam" \
    [ "$(field "$result" exit)" = "$(cat "$seam/$name.exit")" ]
  # Wine's console hands a pipe the program's bytes in blocks: what the
  # person sees is the bytes themselves, compared whole.
  if ! check "$name: the same output as at the seam" \
      [ "$(field "$result" output)" = "$(sha "$seam/$name.out")" ]; then
    grep -a "^output $name: " "$log" | sed "s/^output $name: //" | tr -d '\r' |
      diff <(tr -d '\r' <"$seam/$name.out") - || true
  fi
  check "$name: the recorder's state as at the seam" \
    [ "$(field "$result" state)" = "$(sha "$seam/$name.state")" ]
  counts="$(field "$result" updater_commands) in the guest, $(wc -l <"$seam/$name.commands") at the seam"
  check "$name: the updater's commands as at the seam ($counts)" \
    [ "$(field "$result" commands)" = "$(sha "$seam/$name.commands")" ]
  case "$name" in
    whole) check "whole: four restarts, four disconnects" [ "$(field "$result" disconnects)" = 4 ] ;;
    # Timed from the restart: Wine's start before it is no part of the bound.
    noreturn)
      after=$(field "$result" after_restart)
      check "noreturn: ends within the 60 s bound and a margin of the restart ($after ms)" \
        [ "$after" -ge 0 -a "$after" -lt 70000 ] ;;
  esac
done

if [ $qemu_status -eq 1 ] && [ $failures -eq 0 ] && [ ${#names[@]} -gt 0 ]; then
  exit 0
fi
echo "FAILED: QEMU exit status $qemu_status, $failures failed checks; console log: $log"
tail -20 "$log" | tr -d '\r'
exit 1

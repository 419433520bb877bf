#!/usr/bin/env bash
# The simulated recorder as a real USB disk: boots Debian's kernel under QEMU
# (TCG) with the dummy USB host controller, serves the recorder there with
# vokari-usb-recorder and runs the real vokari-update against it, one
# scenario after another (tests/kernel/guest/usb_scenarios, one group per
# guest; GROUP may also name a single scenario). Meanwhile the same scenarios run on vokari-update-sim here; each
# passes when the guest's run exits the same, prints the same bytes, leaves
# the recorder in the same state and sent it the same commands.
#
# Usage: run_usb_guest_test.sh GROUP CACHE GUEST_CHECKS VOKARI_UPDATE
#          VOKARI_USB_RECORDER PTY_KEYS VOKARI_UPDATE_SIM USB_TRANSPORT_CHECKS
#          [VOKARI_TOOL]
# VOKARI_TOOL (static) goes into the guest with sg_dd for the "tool" scenario.
# Exit status: 0 passed, 77 skipped (QEMU cannot be installed), else failed.
set -euo pipefail
group=$1 cache=$2 guest_checks=$3 updater=$4 recorder=$5 pty_keys=$6 update_sim=$7
transport_checks=$8 tool=${9:-}
here=$(cd "$(dirname "$0")" && pwd)
scenarios=$here/guest/usb_scenarios
mkdir -p "$cache"
exec 9>"$cache/.lock"

started=$(date +%s.%N)
elapsed() { awk -v start="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - start }'; }
sha() { sha256sum <"$1" | cut -c1-64; }

flock 9
status=0
"$here/prepare_guest.sh" "$cache" || status=$?
[ $status -eq 0 ] || exit $status

# One per updater build: the benchmark's timed one lives beside the test's.
initramfs=$cache/initramfs-usb-$(basename "$updater").cpio.gz
inputs=("$guest_checks" "$updater" "$recorder" "$pty_keys" "$transport_checks" "$here/guest/usb_init" "$scenarios"
        /bin/busybox "$cache/kernel/vmlinuz" $tool "$here/guest/tool_checks")
stale=false
[ -f "$initramfs" ] || stale=true
for input in "${inputs[@]}"; do [ "$input" -nt "$initramfs" ] && stale=true; done
if $stale; then
  root=$(mktemp -d "$cache/root.XXXXXX")
  chmod 755 "$root"  # a normal user runs programs in the guest too
  mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/modules}
  chmod 1777 "$root/tmp"
  cp /bin/busybox "$root/bin/busybox"
  cp "$guest_checks" "$root/bin/guest_checks"
  cp "$updater" "$root/bin/vokari-update"
  cp "$recorder" "$root/bin/vokari-usb-recorder"
  cp "$pty_keys" "$root/bin/pty_keys"
  cp "$transport_checks" "$root/bin/usb_transport_checks"
  cp "$here/guest/usb_init" "$root/init"
  cp "$scenarios" "$root/usb_scenarios"
  cp "$cache"/kernel/modules/*.ko "$root/lib/modules/"
  if [ -n "$tool" ]; then
    cp "$tool" "$root/bin/vokari-tool"
    cp "$here/guest/tool_checks" "$root/bin/tool_checks"
    # sg_dd as the system has it, with the libraries it loads.
    cp "$(command -v sg_dd)" "$root/bin/sg_dd"
    for library in $(ldd "$(command -v sg_dd)" | grep -o '/[^ ]*'); do
      mkdir -p "$root$(dirname "$library")"
      cp -L "$library" "$root$library"
    done
  fi
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs.new"
  mv "$initramfs.new" "$initramfs"
  rm -rf "$root"
fi
flock -u 9
prepared=$(elapsed "$started")

# The same scenarios at the seam, alongside the guest. A normal user's run
# is the declined one, with the permission line in front.
seam=$(mktemp -d "$cache/seam-$group.XXXXXX")
trap 'rm -rf "$seam"' EXIT
names=()
while read -r g name keys options; do
  [ "$g" = "$group" ] || [ "$name" = "$group" ] || continue
  names+=("$name")
  [ "$name" = transport ] || [ "$name" = tool ] && continue  # nothing to compare with
  (
    set +e
    # shellcheck disable=SC2086
    # A lock of its own: the scenarios run at once.
    "$pty_keys" "$seam/$name.out" "$keys" 400 "$update_sim" --state "$seam/$name.state" \
      --trace "$seam/$name.trace" --lock "vokari-usb-test-$$-$name" $options </dev/null
    echo $? >"$seam/$name.exit"
  ) &
done < <(grep -v '^#' "$scenarios")

log=$cache/console-usb-$group-$(basename "$updater").log
booted=$(date +%s.%N)
qemu_status=0
timeout 900 qemu-system-x86_64 -accel tcg -m 256 -smp 1 \
  -display none -monitor none -serial stdio -no-reboot -net none \
  -kernel "$cache/kernel/vmlinuz" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 loglevel=4 vkr.group=$group" \
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
  if [ "$name" = transport ] || [ "$name" = tool ]; then
    grep -a "^output $name: " "$log" | sed "s/^output $name: //" | tr -d '\r'
    check "$name: every check passed in the guest" [ "$(field "$result" exit)" = 0 ]
    continue
  fi
  expected=$seam/$name.out
  if [ "$name" = nonroot ]; then
    expected=$seam/nonroot.expected
    { head -n 2 "$seam/$name.out"
      printf 'Device is not connected.\nConnect device to continue or press Esc to exit.\n'
      printf 'No permission to open /dev/sg0: run as root, or install the udev rule (see README).\n'
      tail -n +3 "$seam/$name.out"; } >"$expected"
  fi
  sed -n '/"open":false/!s/^{"t":[0-9]*,//p' "$seam/$name.trace" >"$seam/$name.commands" || true
  if [ -z "$result" ]; then
    check "$name: the guest ran it" false
    continue
  fi
  check "$name: exit $(field "$result" exit), as at the seam" \
    [ "$(field "$result" exit)" = "$(cat "$seam/$name.exit")" ]
  if ! check "$name: the same output as at the seam" \
      [ "$(field "$result" output)" = "$(sha "$expected")" ]; then
    grep -a "^output $name: " "$log" | sed "s/^output $name: //" | tr -d '\r' |
      diff <(tr -d '\r' <"$expected") - || true
  fi
  check "$name: the recorder's state as at the seam" \
    [ "$(field "$result" state)" = "$(sha "$seam/$name.state")" ]
  counts="$(field "$result" updater_commands) in the guest, $(wc -l <"$seam/$name.commands") at the seam"
  check "$name: the updater's commands as at the seam ($counts)" \
    [ "$(field "$result" commands)" = "$(sha "$seam/$name.commands")" ]
  case "$name" in
    whole) check "whole: four restarts, four disconnects" [ "$(field "$result" disconnects)" = 4 ] ;;
    noreturn) check "noreturn: ends within the 60 s bound and a margin ($(field "$result" ms) ms)" \
                [ "$(field "$result" ms)" -lt 70000 ] ;;
  esac
done

if [ $qemu_status -eq 1 ] && [ $failures -eq 0 ] && [ ${#names[@]} -gt 0 ]; then
  exit 0
fi
echo "FAILED: QEMU exit status $qemu_status, $failures failed checks; console log: $log"
tail -20 "$log" | tr -d '\r'
exit 1

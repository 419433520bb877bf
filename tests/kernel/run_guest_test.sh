#!/usr/bin/env bash
# Boots Debian's kernel under QEMU (TCG, never KVM) with one emulated disk on
# the given transport and runs the guest checks there; passes when the guest
# reports success through the debug exit port.
#
# Usage: run_guest_test.sh usb|virtio|permission CACHE GUEST_CHECKS VOKARI_UPDATE
# Exit status: 0 passed, 77 skipped (QEMU cannot be installed), else failed.
set -euo pipefail
transport=$1
cache=$2
guest_checks=$3
updater=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$cache"
exec 9>"$cache/.lock"

started=$(date +%s.%N)
elapsed() { awk -v start="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - start }'; }

# One preparation at a time; the other transport's test may run alongside.
flock 9
status=0
"$here/prepare_guest.sh" "$cache" || status=$?
if [ $status -ne 0 ]; then
  exit $status
fi

initramfs=$cache/initramfs.cpio.gz
inputs=("$guest_checks" "$updater" "$here/guest/init" /bin/busybox "$cache/kernel/vmlinuz")
stale=false
[ -f "$initramfs" ] || stale=true
for input in "${inputs[@]}"; do [ "$input" -nt "$initramfs" ] && stale=true; done
if $stale; then
  root=$(mktemp -d "$cache/root.XXXXXX")
  chmod 755 "$root"  # a normal user runs programs in the guest too
  mkdir -p "$root"/{bin,dev,proc,sys,lib/modules}
  cp /bin/busybox "$root/bin/busybox"
  cp "$guest_checks" "$root/bin/guest_checks"
  cp "$updater" "$root/bin/vokari-update"
  cp "$here/guest/init" "$root/init"
  cp "$cache"/kernel/modules/*.ko "$root/lib/modules/"
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs.new"
  mv "$initramfs.new" "$initramfs"
  rm -rf "$root"
fi

disk=$cache/disk.img
if [ ! -f "$disk" ] || [ "$guest_checks" -nt "$disk" ]; then
  "$guest_checks" image "$disk.new"
  mv "$disk.new" "$disk"
fi
flock -u 9
prepared=$(elapsed "$started")

case "$transport" in
  usb) attach=(-device qemu-xhci,id=xhci -device usb-storage,bus=xhci.0,drive=d0) ;;
  virtio) attach=(-device virtio-scsi-pci,id=vs -device scsi-hd,bus=vs.0,drive=d0) ;;
  # A second disk that shows the recorder's INQUIRY vendor and product.
  permission) attach=(-device virtio-scsi-pci,id=vs -device scsi-hd,bus=vs.0,drive=d0,scsi-id=0
                      -drive if=none,id=d1,file="$disk",format=raw,snapshot=on
                      -device "scsi-hd,bus=vs.0,drive=d1,scsi-id=1,vendor=Vexo,product=Mass Storage") ;;
  *) echo "unknown transport $transport"; exit 2 ;;
esac

log=$cache/console-$transport.log
booted=$(date +%s.%N)
qemu_status=0
# snapshot=on: the guest's writes never reach the image.
timeout 600 qemu-system-x86_64 -accel tcg -m 256 -smp 1 \
  -display none -monitor none -serial stdio -no-reboot -net none \
  -kernel "$cache/kernel/vmlinuz" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 loglevel=4 vkr.transport=$transport" \
  -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
  -drive if=none,id=d0,file="$disk",format=raw,snapshot=on \
  "${attach[@]}" </dev/null >"$log" 2>&1 || qemu_status=$?
ran=$(elapsed "$booted")

# The guest's own lines: init's progress, the checks and the kernel's answers.
grep -aE '^(init:|ok  |FAIL|kernel:|guest checks|vokari-update printed)' "$log" | tr -d '\r' || true
echo "kernel: $(cat "$cache/kernel/package"); preparation ${prepared} s; QEMU ${ran} s (exit $qemu_status)"

# The guest writes 0 on success, which QEMU reports as (0 << 1) | 1.
if [ $qemu_status -eq 1 ] && grep -aq 'guest checks: [0-9]* passed, 0 failed' "$log"; then
  exit 0
fi
echo "FAILED: QEMU exit status $qemu_status; the end of the console log ($log):"
tail -40 "$log" | tr -d '\r'
exit 1

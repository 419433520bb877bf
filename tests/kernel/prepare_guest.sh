#!/usr/bin/env bash
# Makes what the kernel test guest needs, under CACHE (a folder in the build
# directory), once: QEMU, a static busybox and cpio on this machine, and the
# Debian kernel with the handful of modules the guest loads. Reruns find them
# and return at once.
#
# Exit status: 0 ready, 77 QEMU cannot be installed here (the test is then
# skipped), anything else a failure.
set -euo pipefail
cache=$1
mkdir -p "$cache"

# Every module that guest/init loads, for either transport.
modules=(scsi_common scsi_mod crc64 crc64-rocksoft crc64_rocksoft_generic crct10dif_common
         crct10dif_generic crc-t10dif t10-pi sd_mod sg
         usb-common usbcore xhci-hcd xhci-pci usb-storage
         virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci virtio_scsi)
# The USB gadget side, for the simulated recorder served as a USB disk.
modules+=(configfs udc-core libcomposite usb_f_fs dummy_hcd)

static_busybox() {
  [ -x /bin/busybox ] && ! ldd /bin/busybox >/dev/null 2>&1
}

missing_tools() {
  command -v qemu-system-x86_64 >/dev/null || echo -n "qemu-system-x86_64 "
  static_busybox || echo -n "static-busybox "
  command -v cpio >/dev/null || echo -n "cpio "
}

tools_present() {
  [ -z "$(missing_tools)" ]
}

install_tools() {
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP: missing $(missing_tools)and they cannot be installed here (needs root" \
         "and apt-get): apt-get install --no-install-recommends qemu-system-x86" \
         "busybox-static cpio"
    exit 77
  fi
  export DEBIAN_FRONTEND=noninteractive
  local packages=(qemu-system-x86 busybox-static cpio)
  if ! apt-get install -y -qq --no-install-recommends "${packages[@]}" >"$cache/apt.log" 2>&1; then
    apt-get update -qq >>"$cache/apt.log" 2>&1 || true
    if ! apt-get install -y -qq --no-install-recommends "${packages[@]}" >>"$cache/apt.log" 2>&1; then
      tail -5 "$cache/apt.log"
      echo "SKIP: QEMU cannot be installed here (apt-get install failed, see $cache/apt.log)"
      exit 77
    fi
  fi
}

# The newest 6.1 kernel image package of the distribution (the default
# kernel's, where the meta-package names one).
kernel_package() {
  local name
  name=$(apt-cache depends linux-image-amd64 2>/dev/null |
         sed -n 's/^ *Depends: \(linux-image-6\.1\.[0-9]*-[0-9]*-amd64\)$/\1/p' | head -1)
  if [ -z "$name" ]; then
    name=$(apt-cache search --names-only '^linux-image-6\.1\.[0-9]+-[0-9]+-amd64$' 2>/dev/null |
           cut -d' ' -f1 | sort -V | tail -1)
  fi
  echo "$name"
}

fetch_kernel() {
  local package deb
  package=$(kernel_package)
  if [ -z "$package" ]; then
    apt-get update -qq >/dev/null 2>&1 || true
    package=$(kernel_package)
  fi
  [ -n "$package" ] || { echo "no linux-image-6.1 package is known to apt"; exit 1; }
  work=$(mktemp -d "$cache/fetch.XXXXXX")
  trap 'rm -rf "${work:-}"' EXIT
  (cd "$work" && apt-get download "$package" >/dev/null 2>"$work/download.log") ||
    { cat "$work/download.log"; echo "could not download $package"; exit 1; }
  deb=$(ls "$work"/*.deb)
  dpkg-deb -x "$deb" "$work/root"
  mkdir -p "$work/kernel/modules"
  cp "$work"/root/boot/vmlinuz-* "$work/kernel/vmlinuz"
  local module file
  for module in "${modules[@]}"; do
    file=$(find "$work/root/lib/modules" -name "$module.ko*" | head -1)
    # Built into this kernel: the guest skips it.
    [ -n "$file" ] || continue
    case "$file" in
      *.ko.xz) xz -dc "$file" >"$work/kernel/modules/$module.ko" ;;
      *.ko.zst) zstd -qdc "$file" >"$work/kernel/modules/$module.ko" ;;
      *) cp "$file" "$work/kernel/modules/$module.ko" ;;
    esac
  done
  echo "$package" >"$work/kernel/package"
  rm -rf "$cache/kernel"
  mv "$work/kernel" "$cache/kernel"
}

tools_present || install_tools
tools_present || { echo "SKIP: QEMU is still missing after installing it"; exit 77; }
# A kernel fetched before the gadget modules were asked for lacks them.
[ -f "$cache/kernel/vmlinuz" ] && [ -f "$cache/kernel/modules/dummy_hcd.ko" ] || fetch_kernel

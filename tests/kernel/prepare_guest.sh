#!/usr/bin/env bash
# Makes what the kernel test guest needs, under CACHE (a folder in the build
# directory), once: QEMU, a static busybox and cpio on this machine, and the
# Debian kernel with the handful of modules the guest loads. Reruns find them
# and return at once.
#
# The kernel package itself is downloaded once per machine, into
# $VKR_KERNEL_CACHE (default ${XDG_CACHE_HOME:-~/.cache}/vokari/kernel), and
# checked against the SHA256 that apt knows for it when downloaded and again
# whenever a build folder takes it from there.
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
# The host's root over 9p, and a writable layer on it, for the Windows
# programs under Wine in the guest.
modules+=(netfs fscache 9pnet 9pnet_virtio 9p overlay)

static_busybox() {
  [ -x /bin/busybox ] && ! ldd /bin/busybox >/dev/null 2>&1
}

missing_tools() {
  command -v qemu-system-x86_64 >/dev/null || echo -n "qemu-system-x86_64 "
  static_busybox || echo -n "static-busybox "
  command -v cpio >/dev/null || echo -n "cpio "
  command -v sg_dd >/dev/null || echo -n "sg_dd "
}

tools_present() {
  [ -z "$(missing_tools)" ]
}

install_tools() {
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP: missing $(missing_tools)and they cannot be installed here (needs root" \
         "and apt-get): apt-get install --no-install-recommends qemu-system-x86" \
         "busybox-static cpio sg3-utils"
    exit 77
  fi
  export DEBIAN_FRONTEND=noninteractive
  local packages=(qemu-system-x86 busybox-static cpio sg3-utils)
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

machine_cache=${VKR_KERNEL_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/vokari/kernel}

# Passes when FILE has the SHA256 recorded beside it.
verified() {
  [ -f "$1" ] && [ -f "$1.sha256" ] &&
    [ "$(sha256sum "$1" | cut -d' ' -f1)" = "$(cat "$1.sha256")" ]
}

# The path of a verified kernel package in the machine's cache: the one there
# (any version will do), or the newest downloaded now and checked against the
# SHA256 that apt has for it.
cached_kernel_deb() {
  local package deb expected
  mkdir -p "$machine_cache"
  exec 8>"$machine_cache/.lock"
  flock 8  # build folders of this machine share it
  for deb in "$machine_cache"/linux-image-*.deb; do
    if verified "$deb"; then echo "$deb"; return; fi
    if [ -f "$deb" ]; then
      echo "discarding $deb: its SHA256 does not match" >&2
      rm -f "$deb"
    fi
  done
  package=$(kernel_package)
  if [ -z "$package" ]; then
    apt-get update -qq >/dev/null 2>&1 || true
    package=$(kernel_package)
  fi
  [ -n "$package" ] || { echo "no linux-image-6.1 package is known to apt" >&2; exit 1; }
  expected=$(apt-cache show --no-all-versions "$package" 2>/dev/null | sed -n 's/^SHA256: //p' | head -1)
  [ -n "$expected" ] || { echo "apt knows no SHA256 for $package" >&2; exit 1; }
  (cd "$work" && apt-get download "$package" >/dev/null 2>"$work/download.log") ||
    { cat "$work/download.log" >&2; echo "could not download $package" >&2; exit 1; }
  deb=$(ls "$work"/*.deb)
  [ "$(sha256sum "$deb" | cut -d' ' -f1)" = "$expected" ] ||
    { echo "$deb: SHA256 differs from apt's $expected" >&2; exit 1; }
  echo "downloaded $(basename "$deb") into $machine_cache" >&2
  echo "$expected" >"$machine_cache/$(basename "$deb").sha256"
  mv "$deb" "$machine_cache/"
  echo "$machine_cache/$(basename "$deb")"
}

fetch_kernel() {
  local deb
  work=$(mktemp -d "$cache/fetch.XXXXXX")
  trap 'rm -rf "${work:-}"' EXIT
  deb=$(cached_kernel_deb)
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
  echo "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)" >"$work/kernel/package"
  rm -rf "$cache/kernel"
  mv "$work/kernel" "$cache/kernel"
}

tools_present || install_tools
tools_present || { echo "SKIP: QEMU is still missing after installing it"; exit 77; }
# A kernel fetched before the gadget modules were asked for lacks them.
[ -f "$cache/kernel/vmlinuz" ] && [ -f "$cache/kernel/modules/dummy_hcd.ko" ] &&
  [ -f "$cache/kernel/modules/9p.ko" ] || fetch_kernel

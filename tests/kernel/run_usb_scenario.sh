#!/usr/bin/env bash
# One scenario (or group) of the USB recorder guest test by hand, with the
# programs of a default build: prints the checks, the updater's output as it
# appeared in the guest, the recorder's plug log and the kernel's messages.
#
#   tests/kernel/run_usb_scenario.sh NAME [BUILD_DIR]
#
# NAME is a scenario or a group of tests/kernel/guest/usb_scenarios. With
# VKR_GUEST_UPDATER set, the guest runs that build of the updater instead
# (the benchmark's timed one).
set -euo pipefail
name=${1:?usage: run_usb_scenario.sh NAME [BUILD_DIR]}
build=$(cd "${2:-build/default}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
updater=${VKR_GUEST_UPDATER:-$build/tests/kernel/vokari-update-static}
status=0
"$here/run_usb_guest_test.sh" "$name" "$build/kernel-guest" \
  "$build/tests/kernel/vkr_guest_checks" "$updater" \
  "$build/sim/usb/vokari-usb-recorder" "$build/tests/kernel/vkr_pty_keys" \
  "$build/sim/vokari-update-sim" "$build/tests/kernel/vkr_usb_transport_checks" \
  "$build/tests/kernel/vokari-tool-static" | sed 's/ output [0-9a-f]\{64\} state .* updater_commands/ updater_commands/' ||
  status=$?
log=$build/kernel-guest/console-usb-$name-$(basename "$updater").log
grep -aE '^(output|recorder|host|dmesg) ' "$log" | tr -d '\r' || true
exit $status

#!/usr/bin/env bash
# The whole update through a real kernel's USB stack, timed: runs the guest
# test's "whole" scenario with vokari-update-timed (the updater with its
# SG_IO calls and pauses timed) in place of the updater, and prints what it
# measured: the run against its floor of pauses, the SCSI commands and their
# latency as the updater sees them, and each restart frame to the recorder
# answering again. Takes about 4 minutes; run by hand, from the top of the
# repository, after a default build:
#
#   bench/usb/run_usb_bench.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
"$top/tests/kernel/run_usb_guest_test.sh" update "$build/kernel-guest" \
  "$build/tests/kernel/vkr_guest_checks" "$build/bench/vokari-update-timed" \
  "$build/sim/usb/vokari-usb-recorder" "$build/tests/kernel/vkr_pty_keys" \
  "$build/sim/vokari-update-sim" >"$log" 2>&1 || status=$?
grep -E '^(timing|result|kernel:|ok|FAIL)' "$log" | sed 's/ output [0-9a-f]* state.*commands [0-9a-f]*//'
exit $status

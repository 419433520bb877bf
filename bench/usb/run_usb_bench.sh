#!/usr/bin/env bash
# The whole update through a real kernel's USB stack, timed: the guest test's
# "whole" scenario with vokari-update-timed (the updater with its SG_IO calls
# and pauses timed) in place of the updater. Prints the run against its floor
# of pauses, the SCSI commands and their latency as the updater sees them,
# and each restart frame to the recorder answering again. About 4 minutes;
# run by hand from the top of the repository after a default build:
#
#   bench/usb/run_usb_bench.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
VKR_GUEST_UPDATER=$build/bench/vokari-update-timed \
  "$top/tests/kernel/run_usb_scenario.sh" whole "$build" | grep -E '^(timing|result|kernel:|ok|FAIL)'

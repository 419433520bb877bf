#!/usr/bin/env bash
# One scenario (or group) of the Windows updater's guest test by hand, with
# the programs of a default build and the windows-x64 build beside it: prints
# the checks, the updater's output as it came through Wine in the guest, the
# recorder's plug log and the kernel's messages.
#
#   tests/kernel/run_wine_scenario.sh NAME [BUILD_DIR [UPDATER_EXE]]
#
# NAME is a scenario or a group of tests/kernel/guest/wine_scenarios.
set -euo pipefail
name=${1:?usage: run_wine_scenario.sh NAME [BUILD_DIR [UPDATER_EXE]]}
build=$(cd "${2:-build/default}" && pwd)
exe=${3:-$build/../windows-x64/bin/vokari-update.exe}
here=$(cd "$(dirname "$0")" && pwd)
status=0
"$here/run_wine_guest_test.sh" "$name" "$build/kernel-guest" "$exe" \
  "$build/sim/usb/vokari-usb-recorder" "$build/tests/kernel/vkr_pty_keys" \
  "$build/sim/vokari-update-sim" "$build/tests/kernel/vkr_guest_checks" \
  "$build/tests/kernel/vokari-update-static" |
  sed 's/ output [0-9a-f]\{64\} state .* updater_commands/ updater_commands/' || status=$?
log=$build/kernel-guest/console-wine-$name.log
grep -aE '^(output|recorder|dmesg) ' "$log" | tr -d '\r' || true
exit $status

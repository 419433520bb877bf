#!/usr/bin/env bash
# The whole update through Wine against the Linux updater, side by side in
# one guest: the Windows guest test's "bench" group (the Linux vokari-update,
# then the Windows vokari-update.exe under wine64, each against a fresh
# vokari-usb-recorder, each also checked against the seam). Prints each
# run's time, its start to the first command, the commands and the time they
# took, and the restarts, then the ratio and how the difference splits.
# About 10 minutes; run by hand from the top of the repository after a
# default and a windows-x64 build:
#
#   bench/usb/run_wine_bench.sh [BUILD_DIR [UPDATER_EXE]]
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
exe=${2:-$build/../windows-x64/bin/vokari-update.exe}
top=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$top/tests/kernel/run_wine_scenario.sh" bench "$build" "$exe" >"$out" || status=$?
grep -E '^(timing|result|kernel:|ok|FAIL)' "$out" | grep -v 'restart [0-9]*: frame' || true
awk '
  /^result / { ms[$2] = $6 }
  /^timing .*start to the first command/ {
    name = $2; sub(":", "", name)
    start[name] = $8; commands[name] = $11; rest[name] = $14
  }
  END {
    n = "whole-native"; w = "whole-wine"
    if (!(n in ms) || !(w in ms) || !(n in start) || !(w in start)) exit
    printf "whole update: Wine %.1f s, native %.1f s, ratio %.3f\n", ms[w] / 1000, ms[n] / 1000, ms[w] / ms[n]
    printf "difference %.1f s: program start to the first command %.1f s (Wine %.1f, native %.1f);\n",
           (ms[w] - ms[n]) / 1000, (start[w] - start[n]) / 1000, start[w] / 1000, start[n] / 1000
    printf "  the %d commands and their pauses %.1f s, %.2f ms a command\n", commands[w],
           (rest[w] - rest[n]) / 1000, (rest[w] - rest[n]) / commands[w]
  }' "$out"
exit $status

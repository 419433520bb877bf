// A person who double-clicks the updater in Explorer gets the system's
// elevation prompt instead of a program that cannot open the recorder.
#pragma once

#include "platform/elevation.h"

// Whether this start should hand itself to an elevated copy: only in a
// console of its own (from an existing console nothing changes, so that
// output and exit code stay there), not yet elevated, and not itself the
// copy an earlier start asked for.
bool ShouldStartElevated(const ElevationFacts& facts);

// Before anything is printed or locked: runs the elevated copy when it
// should, and then gives its exit code. False when this process is to go on
// as it is (no need, declined, impossible).
bool RanElevatedCopy(int* exitCode);

// The version check and update sequence, run once the recorder is attached
// (its path in RecorderPath): versions, two confirmations, the boot loader
// when it must be replaced, the firmware, the erase of the data area.
#pragma once

// Exit codes: a script can tell a finished update from one that failed.
enum : int {
    ExitDone = 0,      // updated, or nothing to do, or declined by the person
    ExitRefused = 1,   // another recorder application holds the lock
    ExitFailed = 2,    // the update could not be done, or not completely
};

// Runs to one of its ends and returns the process exit code.
int RunUpdateSequence();

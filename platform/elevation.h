// Starting the program again with an administrator's rights, for a person
// who started it from Explorer: opening a physical drive needs them, and a
// double-click gives a console of the program's own and no elevation. The
// decision is portable (app/elevated_start.cpp); the facts and the new start
// are the system's.
//
// Native implementations: windows/elevation_windows.cpp (the system's
// elevation prompt), linux/elevation_linux.cpp (none: root or the udev rule,
// see the permission line).
#pragma once

struct ElevationFacts {
    bool ownConsole;  // no other process shares this program's console
    bool elevated;    // already an administrator's, elevated, process
    bool startedAgain;  // this is the elevated copy an earlier start asked for
};

void ElevationReadFacts(ElevationFacts* facts);

enum ElevationResult : int {
    ElevationRan = 0,         // the elevated copy ran; its exit code is given
    ElevationDeclined = 1,    // the person said no at the prompt
    ElevationImpossible = 2,  // no prompt could be shown, or the copy did not start
};

// Starts this program again, elevated, with the same arguments as the
// system holds them, and waits for it to end. *exitCode is -1 when the copy
// ran but its exit code could not be read.
ElevationResult ElevationStartAgain(int* exitCode);

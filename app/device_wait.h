// Waiting for the recorder at start-up.
#pragma once

#include "platform/drive_notice.h"

enum WaitResult : int {
    RecorderAttached = 0,
    WaitAbandoned = 1,  // Esc was pressed
};

// The recorder's drive last named for refusing us ("" when none is): its
// path, the name the person knows it by (the sg node on Linux, the path on
// Windows) and the fix this system has.
struct PermissionWatch {
    char path[32];
    char node[64];
    DriveAccessFix fix;
};

// True when the recorder is there but its node refuses us, and that node is
// not the one named last (first time, re-plugged, or another node): it is
// then in watch->node, to be named. Other drives that refuse us are not the
// person's concern.
bool PermissionLineDue(PermissionWatch* watch);

// The permission line for the drive PermissionLineDue found.
void PrintPermissionLine(const PermissionWatch& watch);

// Returns once Vkr_IsConnected finds a recorder (it is then in RecorderPath)
// or the person presses Esc. Prints the wait text once if the recorder is not
// there at first, and names the recorder's node whenever PermissionLineDue
// says so (checked once a second). No time limit.
WaitResult WaitForRecorder();

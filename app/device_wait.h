// Waiting for the recorder at start-up.
#pragma once

enum WaitResult : int {
    RecorderAttached = 0,
    WaitAbandoned = 1,  // Esc was pressed
};

// The recorder's node last named for refusing us, "" when none is.
struct PermissionWatch {
    char node[64];
};

// True when the recorder is there but its node refuses us, and that node is
// not the one named last (first time, re-plugged, or another node): it is
// then in watch->node, to be named. Other drives that refuse us are not the
// person's concern.
bool PermissionLineDue(PermissionWatch* watch);

// Returns once Vkr_IsConnected finds a recorder (it is then in RecorderPath)
// or the person presses Esc. Prints the wait text once if the recorder is not
// there at first, and names the recorder's node whenever PermissionLineDue
// says so (checked once a second). No time limit.
WaitResult WaitForRecorder();

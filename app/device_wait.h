// Waiting for the recorder at start-up.
#pragma once

enum WaitResult : int {
    RecorderAttached = 0,
    WaitAbandoned = 1,  // Esc was pressed
};

// Returns once Vkr_IsConnected finds a recorder (it is then in RecorderPath)
// or the person presses Esc. Prints the wait text once if the recorder is not
// there at first. No time limit.
WaitResult WaitForRecorder();

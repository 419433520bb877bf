// The version check and update sequence, run once the recorder is attached.
#pragma once

// Returns the process exit code.
int RunUpdateSequence();

// Internal to the simulator: the few file calls the state file's writer
// makes, one file per system (sim_state_file_posix.cpp,
// sim_state_file_windows.cpp), chosen in CMakeLists.txt. All of them are
// safe where the writer runs: in a signal handler on POSIX systems, in the
// console's control thread on Windows. Nothing allocates or takes a lock.
#pragma once

#include <cstddef>
#include <cstdint>

// A file open for writing; -1 when none.
using SimFile = intptr_t;

// Creates `path`, or empties it, for writing bytes exactly as given. Not
// handed down to programs started later.
SimFile SimFileCreate(const char* path);

// Opens an existing `path` for writing at its end, whatever else writes it.
SimFile SimFileAppend(const char* path);

// Writes all of `bytes`. False when any could not be written.
bool SimFileWrite(SimFile file, const char* bytes, size_t count);

// False when what was written may not all have arrived.
bool SimFileClose(SimFile file);

// Puts `from` in place of `to`, replacing a file already there in one step.
bool SimFileReplace(const char* from, const char* to);

void SimFileRemove(const char* path);

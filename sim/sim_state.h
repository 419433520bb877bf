// Internal to the simulator: the state file, which carries a recorder from
// one run to the next (controller memory and mode, flash geometry, written
// pages and erase counts).
//
// Text, one record a line, so that a person can read and diff it:
//   vokari-sim-state 1
//   flash UNITS:BLOCKS:PAGES:PAGESIZE
//   sector-size N
//   mode running|programming
//   armed 0|1                 held only while powered, as is the next line
//   open-block ADDRESS|none
//   memory ADDRESS HEX        64 bytes; lines that are all 0xFF are left out
//   erased BLOCK COUNT
//   page PAGE HEX             a written page
// Lines apply in order, later ones over earlier ones (an erase takes away the
// block's pages read before it), so that changes can be appended as they
// happen.
#pragma once

#include <cstddef>

struct SimOptions;

// Reads `path` when it exists. The geometry and sector size it holds go into
// `options` unless the command line gave them. False, with a message, when
// the file exists but cannot be read or is malformed.
bool SimStateLoad(const char* path, SimOptions* options, char* error, size_t errorSize);

// Puts what SimStateLoad read into the freshly started simulator, then the
// version records the command line gave on top of it.
bool SimStateApply(const SimOptions& options, char* error, size_t errorSize);

// Writes the recorder as it stands now to `path` (through a temporary file,
// so that a failed write leaves the previous state whole).
bool SimStateSave(const char* path, char* error, size_t errorSize);

// The same without a message, and safe in a signal handler: it allocates
// nothing and takes no lock. The recorder must not be in the middle of a
// command (sim_signals.cpp sees to that).
bool SimStateSaveNow(const char* path);

// Saves the recorder to `path`, then appends every change of controller
// memory, mode or powered state and every flash change as it happens, one
// write each, so that the file holds the recorder whatever ends the process.
bool SimStateKeepWritten(const char* path, char* error, size_t errorSize);

// Stops appending; false when some change could not be written.
bool SimStateStopWriting();

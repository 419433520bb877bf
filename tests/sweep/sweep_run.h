// One run of the fault sweep: a whole update on a fresh simulated recorder
// with some commands failing, watched as it goes and judged at its end.
#pragma once

#include <cstdint>
#include <string>

struct SimOptions;

// Loads the firmware image that a successful run must leave in the recorder.
bool SweepPrepare();

// Sets how long a run may take on the virtual clock (after the clean run).
void SweepSetTimeLimit(uint64_t limitMs);

// From `ms` on the virtual clock, a wait for the recorder ends with Esc, as
// a person gives up on a recorder that does not come (0, the default: never).
void SweepEscapeFrom(uint64_t ms);

// Runs the update with `failCount` commands failing from number `failFirst`
// on (none for 0), answering y, l, y. Returns the first rule the run broke,
// or "" when it held; *exitCode is the update's exit code.
std::string SweepRun(uint64_t failFirst, uint32_t failCount, int* exitCode);

// The same on a simulator started with `options`; `setUpRecorder`, when
// given, then puts the recorder as it should be before the updater starts.
std::string SweepRunFrom(const SimOptions& options, void (*setUpRecorder)(), int* exitCode);

// What the recorder lacks of a finished update, "" for nothing: the firmware
// image with its status record and the boot-loader section, running, and
// with `dataArea` every block of the data area erased at least once.
std::string SweepRecorderLacks(bool dataArea);

// What the last run printed (the console's output, captured).
const std::string& SweepOutput();

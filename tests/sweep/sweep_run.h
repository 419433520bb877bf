// One run of the fault sweep: a whole update on a fresh simulated recorder
// with some commands failing, watched as it goes and judged at its end.
#pragma once

#include <cstdint>
#include <string>

// Loads the firmware image that a successful run must leave in the recorder.
bool SweepPrepare();

// Sets how long a run may take on the virtual clock (after the clean run).
void SweepSetTimeLimit(uint64_t limitMs);

// Runs the update with `failCount` commands failing from number `failFirst`
// on (none for 0), answering y, l, y. Returns the first rule the run broke,
// or "" when it held; *exitCode is the update's exit code.
std::string SweepRun(uint64_t failFirst, uint32_t failCount, int* exitCode);

// What the last run printed (the console's output, captured).
const std::string& SweepOutput();

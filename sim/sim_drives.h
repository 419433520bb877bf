// Internal to the simulator: the drive table.
#pragma once

#include <cstdint>

void SimDrivesReset();
void SimClockReset();

// True when no recorder is present and none is due to appear: the simulator
// will not change by itself any more.
bool SimDrivesSettled();

// True when `slot` answers opens at the current time.
bool SimSlotPresent(int slot);

struct SimOptions;
void SimDrivesConfigure(const SimOptions& options);

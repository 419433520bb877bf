#include "sim/sim_mcu.h"

#include "sim/sim.h"

// The microcontroller model is not there yet: the bridge refuses everything.
void SimMcuReset(const SimOptions&) {}

bool SimMcuWrite(const uint8_t*, uint32_t) { return false; }

bool SimMcuRead(uint8_t*, uint32_t) { return false; }

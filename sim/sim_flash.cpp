#include "sim/sim_flash.h"

#include "sim/sim.h"

// The flash model is not there yet: every flash command is refused.
void SimFlashReset(const SimOptions&) {}

bool SimFlashRead10(const uint8_t*, uint8_t*, uint32_t, uint32_t*) { return false; }
bool SimFlashWritePages(const uint8_t*, const uint8_t*, uint32_t) { return false; }
bool SimFlashReadParts(const uint8_t*, uint8_t*, uint32_t, uint32_t*) { return false; }
bool SimFlashErase(const uint8_t*) { return false; }

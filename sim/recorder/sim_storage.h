// Internal to the simulator: the storage controller behind each drive slot.
#pragma once

#include <cstdint>

#include "platform/drive.h"

// Carries out one command on the device in `slot`; `bytesIn` receives how
// many bytes a data-in command supplied.
void SimStorageCommand(int slot, const ScsiRequest& request, ScsiOutcome* outcome,
                       uint32_t* bytesIn);

// CHECK CONDITION, ILLEGAL REQUEST (the answer to anything refused).
void SimCheckCondition(ScsiOutcome* outcome);

// Forgets any sense kept for REQUEST SENSE.
void SimStorageReset();

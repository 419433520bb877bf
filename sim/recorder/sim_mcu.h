// Internal to the simulator: the recorder's microcontroller behind the I2C
// bridge (vendor sub-commands 0x02 and 0x03).
#pragma once

#include <cstdint>

struct SimOptions;

// Fresh memory built from the options (version records and marker).
void SimMcuReset(const SimOptions& options);

// Writes the version records into memory as the options say; with
// `onlyGiven`, only those the command line named (they override a loaded
// state file).
void SimMcuWriteRecords(const SimOptions& options, bool onlyGiven);

// An I2C write: the bytes of one frame. False ends the command in CHECK
// CONDITION (a fault, or a frame the controller does not take).
bool SimMcuWrite(const uint8_t* data, uint32_t length);

// An I2C read: `length` bytes of the reply to the last frame.
bool SimMcuRead(uint8_t* data, uint32_t length);

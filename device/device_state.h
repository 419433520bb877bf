// The module-wide state of the current device, shared by every device
// operation: which drive the transport opens, the flash geometry and the
// sector size that discovery fetched. Lives for the whole process.
#pragma once

#include <cstdint>

#include "device/flash_params.h"

enum : uint32_t {
    DevicePathLength = 18,      // characters, without the terminator
    DevicePathDigitIndex = 17,  // where the scans write the drive digit
    DefaultSectorSize = 512,
};

extern char DevicePath[DevicePathLength + 1];
extern FlashParams DeviceFlashParams;
extern uint32_t SectorSize;

// Back to the state of a fresh process (tests start from it).
void DeviceResetState();

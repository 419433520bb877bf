#include "device/device_state.h"

#include <cstring>

// Constant-initialised, so the state is right before any code runs. The
// placeholder 'x' at the digit index names no drive: a command sent before
// any discovery fails at the open.
#define VKR_INITIAL_DEVICE_PATH "\\\\.\\PHYSICALDRIVEx"
static_assert(sizeof(VKR_INITIAL_DEVICE_PATH) == DevicePathLength + 1);

char DevicePath[DevicePathLength + 1] = VKR_INITIAL_DEVICE_PATH;
FlashParams DeviceFlashParams = {};
uint32_t SectorSize = DefaultSectorSize;

void DeviceResetState() {
    std::memcpy(DevicePath, VKR_INITIAL_DEVICE_PATH, sizeof DevicePath);
    std::memset(&DeviceFlashParams, 0, sizeof DeviceFlashParams);
    SectorSize = DefaultSectorSize;
}

// Vkr_GetFlashParams: the geometry record as discovery fetched it.
#include <cstring>

#include "device/device_state.h"
#include "vokari/vkr.h"

extern "C" VKR_API void VKR_CALL Vkr_GetFlashParams(void* destination) {
    if (destination == nullptr) return;
    std::memcpy(destination, &DeviceFlashParams, sizeof DeviceFlashParams);
}

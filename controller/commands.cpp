// Placeholder: the frames are not implemented yet; every command fails.
#include "controller/commands.h"

BootLoaderInfo DeviceBootLoaderInfo;
FirmwareStatus DeviceFirmwareStatus;

bool ReadMemory(uint16_t, uint8_t, void*) { return false; }
bool WriteMemory(uint16_t, uint8_t, const void*) { return false; }
bool BeginBlock(uint16_t) { return false; }
bool RestartController() { return false; }
bool ReadBootLoaderInfo(BootLoaderInfo*) { return false; }
bool ReadFirmwareStatus(FirmwareStatus*) { return false; }
void ControllerResetState() {
    DeviceBootLoaderInfo = {};
    DeviceFirmwareStatus = {};
}

// The device's two version records, as read from controller memory.
#include <cstddef>
#include <cstring>

#include "controller/commands.h"

BootLoaderInfo DeviceBootLoaderInfo;
FirmwareStatus DeviceFirmwareStatus;

namespace {

const uint8_t ValidFirmwareMarker[4] = {'F', 'W', 'O', 'K'};

}  // namespace

bool ReadBootLoaderInfo(BootLoaderInfo* record) {
    if (record == nullptr) return false;
    // Read straight into the record: ReadMemory touches it only on success,
    // so a failed read leaves the previous version, still in host order.
    if (!ReadMemory(BootLoaderInfoAddress, sizeof *record, record)) return false;
    // Stored major byte first; held as major * 256 + minor, so that versions
    // compare as numbers.
    record->version = SwapBytes16(record->version);
    return true;
}

bool ReadFirmwareStatus(FirmwareStatus* record) {
    if (record == nullptr) return false;
    if (!ReadMemory(FirmwareStatusAddress, sizeof *record, record)) return false;
    // The version is stored minor byte first and used as read. A wrong marker
    // leaves the bytes in the record.
    return FirmwareStatusValid(*record);
}

bool FirmwareStatusValid(const FirmwareStatus& record) {
    // Exactly, even in the case of a letter.
    return std::memcmp(record.marker, ValidFirmwareMarker, sizeof ValidFirmwareMarker) == 0;
}

bool FirmwareStatusErased(const FirmwareStatus& record) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        if (bytes[i] != 0xFF) return false;
    return true;
}

bool ControllerInBootLoader() {
    // Above the boot-loader section: the firmware takes writes there, the
    // boot loader takes a write only inside the block it has open, and every
    // block it can open lies below. A write of no bytes changes nothing for
    // either. The read after a refusal tells it from a link that fails.
    enum : uint16_t { ProbeAddress = 0xF800 };
    if (WriteMemory(ProbeAddress, 0, nullptr)) return false;
    uint8_t byte = 0;
    return ReadMemory(BootLoaderInfoAddress, 1, &byte);
}

void ControllerResetState() {
    DeviceBootLoaderInfo = {};
    DeviceFirmwareStatus = {};
}

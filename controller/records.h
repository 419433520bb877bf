// The two version records the microcontroller keeps in its memory, laid out
// byte for byte as they are stored there.
#pragma once

#include <cstdint>

enum : uint16_t {
    FirmwareStatusAddress = 0xD3F5,  // last 11 bytes of the programmable area
    BootLoaderInfoAddress = 0xD800,  // first bytes of the boot-loader section
};

#pragma pack(push, 1)

// At 0xD800. In memory `version` is major byte first; once read it is held in
// host order, major * 256 + minor.
struct BootLoaderInfo {
    uint16_t version;
    uint8_t signature[7];  // compared byte for byte, zero bytes included
};

// At 0xD3F5. `version` is minor byte first in memory, which is the host order
// of a little-endian machine: it is used as read, without conversion.
struct FirmwareStatus {
    uint16_t version;
    uint8_t reserved[5];  // carried along, read by nobody
    uint8_t marker[4];    // "FWOK" when the firmware is valid
};

#pragma pack(pop)

static_assert(sizeof(BootLoaderInfo) == 9, "BootLoaderInfo is 9 bytes in controller memory");
static_assert(sizeof(FirmwareStatus) == 11, "FirmwareStatus is 11 bytes in controller memory");

constexpr uint16_t SwapBytes16(uint16_t value) {
    return static_cast<uint16_t>(value << 8 | value >> 8);
}

constexpr uint32_t SwapBytes32(uint32_t value) {
    return value << 24 | (value & 0xFF00u) << 8 | (value >> 8 & 0xFF00u) | value >> 24;
}

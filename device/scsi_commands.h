// Opcodes and vendor sub-commands the recorder's storage controller answers.
// Every command block is 16 bytes, built in a zeroed array; multi-byte fields
// inside it are big-endian.
#pragma once

#include <cstdint>

enum : uint32_t { ScsiCdbBytes = 16 };

enum : uint8_t {
    ScsiOpInquiry = 0x12,
    ScsiOpReadCapacity10 = 0x25,
    ScsiOpRead10 = 0x28,
    ScsiOpVendor = 0xC8,  // byte 1 holds the sub-command
};

enum : uint8_t {
    VendorReadGeometry = 0x00,
    VendorWritePages = 0x01,
    VendorI2CSend = 0x02,
    VendorI2CReceive = 0x03,
    VendorReadPartsOfPages = 0x04,
    VendorEraseBlocks = 0x0A,
};

// Stores `value` big-endian into the `width` bytes at `field`.
inline void PutBigEndian(uint8_t* field, uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i, value >>= 8) field[i] = static_cast<uint8_t>(value);
}

// The 12-byte flash geometry record, exactly as the recorder delivers it.
#pragma once

#include <cstdint>

// Packed: pageSize starts at the odd offset 9. The 16-bit fields are stored
// least significant byte first, so they are read through the accessors below
// rather than as host integers.
struct FlashParams {
    uint8_t unitCount;
    uint8_t reserved1[5];
    uint8_t blocksPerUnitLe[2];
    uint8_t pagesPerBlock;
    uint8_t pageSizeLe[2];
    uint8_t reserved11;
};
static_assert(sizeof(FlashParams) == 12, "FlashParams is the device's 12-byte record");

inline uint16_t FlashBlocksPerUnit(const FlashParams& p) {
    return static_cast<uint16_t>(p.blocksPerUnitLe[0] | p.blocksPerUnitLe[1] << 8);
}

inline uint16_t FlashPageSize(const FlashParams& p) {
    return static_cast<uint16_t>(p.pageSizeLe[0] | p.pageSizeLe[1] << 8);
}

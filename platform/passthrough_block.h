// The request block that Windows' SCSI pass-through reads and writes back:
// the SCSI_PASS_THROUGH_DIRECT structure, 4 zero filler bytes, then a 32-byte
// sense area. Built byte by byte with explicit little-endian offsets, so that
// both layouts of the structure (32-bit and 64-bit programs) can be built and
// checked on any host. The Windows drive layer only hands it to the OS.
#pragma once

#include <cstdint>

#include "platform/drive.h"

// Where the fields that move between the two layouts sit. The fields up to
// TimeOutValue (offset 16) are at the same offsets in both.
struct PassThroughLayout {
    uint32_t structSize;            // Length: the structure alone
    uint32_t dataBufferOffset;      // DataBuffer, a pointer
    uint32_t pointerSize;           // 4 or 8 bytes
    uint32_t senseInfoOffsetField;  // SenseInfoOffset, 32 bits
    uint32_t cdbOffset;             // Cdb[16]
};

extern const PassThroughLayout PassThroughLayout32;  // 44 bytes
extern const PassThroughLayout PassThroughLayout64;  // 56 bytes

// The layout of the program being built.
const PassThroughLayout& NativePassThroughLayout();

enum : uint32_t {
    PassThroughFillerSize = 4,
    PassThroughSenseAreaSize = 32,
    PassThroughMaxBlockSize = 56 + PassThroughFillerSize + PassThroughSenseAreaSize,
    PassThroughStatusOffset = 2,  // ScsiStatus, written back by the OS
};

struct PassThroughBlock {
    uint8_t bytes[PassThroughMaxBlockSize];
    uint32_t size;         // 80 for the 32-bit layout, 92 for the 64-bit one
    uint32_t senseOffset;  // where the sense area begins
};

// Clears the whole block, then sets every field from `request`. The data
// pointer is stored as it is: the OS moves the data to or from the caller's
// buffer directly.
void BuildPassThroughBlock(const PassThroughLayout& layout, const ScsiRequest& request,
                           PassThroughBlock* block);

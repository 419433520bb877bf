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

inline constexpr PassThroughLayout PassThroughLayout32 = {44, 20, 4, 24, 28};
inline constexpr PassThroughLayout PassThroughLayout64 = {56, 24, 8, 32, 36};

// The layout of the program being built. The Windows build checks it against
// the SDK's own structure at compile time (windows/passthrough_check.cpp).
constexpr const PassThroughLayout& NativePassThroughLayout() {
    return sizeof(void*) == 8 ? PassThroughLayout64 : PassThroughLayout32;
}

// The fields at the same offsets in both layouts.
enum PassThroughFieldOffset : uint32_t {
    PassThroughLengthOffset = 0,
    PassThroughStatusOffset = 2,  // ScsiStatus, written back by the OS
    PassThroughPathIdOffset = 3,
    PassThroughTargetIdOffset = 4,
    PassThroughLunOffset = 5,
    PassThroughCdbLengthOffset = 6,
    PassThroughSenseInfoLengthOffset = 7,  // written back: sense bytes returned
    PassThroughDataInOffset = 8,
    PassThroughDataTransferLengthOffset = 12,  // written back: bytes moved
    PassThroughTimeOutValueOffset = 16,
};

enum : uint32_t {
    PassThroughFillerSize = 4,
    PassThroughSenseAreaSize = 32,
    PassThroughMaxBlockSize = 56 + PassThroughFillerSize + PassThroughSenseAreaSize,
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

// What the OS made of the request, read from the block it wrote back:
// `ioctlSucceeded` and `osError` are DeviceIoControl's result and
// GetLastError. The command counts as carried out when the request
// succeeded; the status byte, the sense data and the bytes moved are then
// taken from the block.
void ReadPassThroughOutcome(const PassThroughBlock& block, bool ioctlSucceeded, uint32_t osError,
                            uint32_t requestedLength, ScsiOutcome* outcome);

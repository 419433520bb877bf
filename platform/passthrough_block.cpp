#include "platform/passthrough_block.h"

#include <cstring>

namespace {

// Offsets shared by both layouts.
enum : uint32_t {
    LengthOffset = 0,
    TargetIdOffset = 4,
    CdbLengthOffset = 6,
    SenseInfoLengthOffset = 7,
    DataInOffset = 8,
    DataTransferLengthOffset = 12,
    TimeOutValueOffset = 16,
};

// Windows addresses the drive through the handle; the id is set for
// drivers that look at it all the same.
constexpr uint8_t RecorderTargetId = 1;

void PutLittleEndian(uint8_t* field, uint64_t value, uint32_t width) {
    for (uint32_t i = 0; i < width; ++i, value >>= 8) field[i] = static_cast<uint8_t>(value);
}

}  // namespace

const PassThroughLayout PassThroughLayout32 = {44, 20, 4, 24, 28};
const PassThroughLayout PassThroughLayout64 = {56, 24, 8, 32, 36};

const PassThroughLayout& NativePassThroughLayout() {
    return sizeof(void*) == 8 ? PassThroughLayout64 : PassThroughLayout32;
}

void BuildPassThroughBlock(const PassThroughLayout& layout, const ScsiRequest& request,
                           PassThroughBlock* block) {
    std::memset(block, 0, sizeof *block);
    uint8_t* b = block->bytes;
    block->senseOffset = layout.structSize + PassThroughFillerSize;
    block->size = block->senseOffset + PassThroughSenseAreaSize;

    PutLittleEndian(b + LengthOffset, layout.structSize, 2);
    b[TargetIdOffset] = RecorderTargetId;
    // Always 16, whatever the command's own length: the callers build every
    // command in a zeroed 16-byte array.
    b[CdbLengthOffset] = ScsiCdbLength;
    b[SenseInfoLengthOffset] = ScsiSenseLength;
    b[DataInOffset] = request.direction;
    PutLittleEndian(b + DataTransferLengthOffset, request.length, 4);
    PutLittleEndian(b + TimeOutValueOffset, ScsiTimeoutSeconds, 4);
    PutLittleEndian(b + layout.dataBufferOffset, reinterpret_cast<uintptr_t>(request.data),
                    layout.pointerSize);
    PutLittleEndian(b + layout.senseInfoOffsetField, block->senseOffset, 4);
    std::memcpy(b + layout.cdbOffset, request.cdb, ScsiCdbLength);
}

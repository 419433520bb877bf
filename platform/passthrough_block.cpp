#include "platform/passthrough_block.h"

#include <cstring>

namespace {

// Windows addresses the drive through the handle; the id is set for
// drivers that look at it all the same.
constexpr uint8_t RecorderTargetId = 1;

void PutLittleEndian(uint8_t* field, uint64_t value, uint32_t width) {
    for (uint32_t i = 0; i < width; ++i, value >>= 8) field[i] = static_cast<uint8_t>(value);
}

uint32_t GetLittleEndian32(const uint8_t* field) {
    return field[0] | field[1] << 8 | field[2] << 16 | static_cast<uint32_t>(field[3]) << 24;
}

}  // namespace

void BuildPassThroughBlock(const PassThroughLayout& layout, const ScsiRequest& request,
                           PassThroughBlock* block) {
    std::memset(block, 0, sizeof *block);
    uint8_t* b = block->bytes;
    block->senseOffset = layout.structSize + PassThroughFillerSize;
    block->size = block->senseOffset + PassThroughSenseAreaSize;

    PutLittleEndian(b + PassThroughLengthOffset, layout.structSize, 2);
    b[PassThroughTargetIdOffset] = RecorderTargetId;
    // Always 16, whatever the command's own length: the callers build every
    // command in a zeroed 16-byte array.
    b[PassThroughCdbLengthOffset] = ScsiCdbLength;
    b[PassThroughSenseInfoLengthOffset] = ScsiSenseLength;
    b[PassThroughDataInOffset] = request.direction;
    PutLittleEndian(b + PassThroughDataTransferLengthOffset, request.length, 4);
    PutLittleEndian(b + PassThroughTimeOutValueOffset, ScsiTimeoutSeconds, 4);
    PutLittleEndian(b + layout.dataBufferOffset, reinterpret_cast<uintptr_t>(request.data),
                    layout.pointerSize);
    PutLittleEndian(b + layout.senseInfoOffsetField, block->senseOffset, 4);
    std::memcpy(b + layout.cdbOffset, request.cdb, ScsiCdbLength);
}

void ReadPassThroughOutcome(const PassThroughBlock& block, bool ioctlSucceeded, uint32_t osError,
                            uint32_t requestedLength, ScsiOutcome* outcome) {
    *outcome = ScsiOutcome{};
    outcome->osError = static_cast<int32_t>(osError);
    if (!ioctlSucceeded) return;
    const uint8_t* b = block.bytes;
    outcome->carriedOut = true;
    outcome->status = b[PassThroughStatusOffset];
    uint32_t senseLength = b[PassThroughSenseInfoLengthOffset];
    if (senseLength > ScsiSenseLength) senseLength = ScsiSenseLength;
    outcome->senseLength = static_cast<uint8_t>(senseLength);
    std::memcpy(outcome->sense, b + block.senseOffset, senseLength);
    uint32_t moved = GetLittleEndian32(b + PassThroughDataTransferLengthOffset);
    outcome->residual = moved < requestedLength ? requestedLength - moved : 0;
}

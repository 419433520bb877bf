// The Windows pass-through request block, in both layouts of the structure,
// checked against the structure as the compiler lays it out.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/passthrough_block.h"

namespace {

// SCSI_PASS_THROUGH_DIRECT with natural alignment; the pointer as a 32- or
// 64-bit integer, so that both layouts can be laid out on this host.
template <typename Pointer>
struct Mirror {
    uint16_t Length;
    uint8_t ScsiStatus, PathId, TargetId, Lun, CdbLength, SenseInfoLength, DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    alignas(sizeof(Pointer)) Pointer DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};
using Mirror32 = Mirror<uint32_t>;
using Mirror64 = Mirror<uint64_t>;
static_assert(sizeof(Mirror32) == 44 && sizeof(Mirror64) == 56);

template <typename M>
void ExpectLayoutMatchesCompiler(const PassThroughLayout& layout) {
    EXPECT_EQ(layout.structSize, sizeof(M));
    EXPECT_EQ(layout.dataBufferOffset, offsetof(M, DataBuffer));
    EXPECT_EQ(layout.pointerSize, sizeof(M::DataBuffer));
    EXPECT_EQ(layout.senseInfoOffsetField, offsetof(M, SenseInfoOffset));
    EXPECT_EQ(layout.cdbOffset, offsetof(M, Cdb));
}

TEST(PassThroughBlock, LayoutsMatchTheStructureAsCompiled) {
    ExpectLayoutMatchesCompiler<Mirror32>(PassThroughLayout32);
    ExpectLayoutMatchesCompiler<Mirror64>(PassThroughLayout64);
    EXPECT_EQ(NativePassThroughLayout().pointerSize, sizeof(void*));
}

// Offsets of the block that no field of the structure covers: alignment
// gaps, the filler and the sense area.
template <typename M>
std::vector<size_t> UnnamedOffsets(uint32_t blockSize) {
    std::vector<bool> named(blockSize, false);
    auto mark = [&](size_t offset, size_t size) {
        for (size_t i = offset; i < offset + size; ++i) named[i] = true;
    };
#define VKR_MARK(field) mark(offsetof(M, field), sizeof(M::field))
    VKR_MARK(Length); VKR_MARK(ScsiStatus); VKR_MARK(PathId); VKR_MARK(TargetId);
    VKR_MARK(Lun); VKR_MARK(CdbLength); VKR_MARK(SenseInfoLength); VKR_MARK(DataIn);
    VKR_MARK(DataTransferLength); VKR_MARK(TimeOutValue); VKR_MARK(DataBuffer);
    VKR_MARK(SenseInfoOffset); VKR_MARK(Cdb);
#undef VKR_MARK
    std::vector<size_t> unnamed;
    for (size_t i = 0; i < blockSize; ++i)
        if (!named[i]) unnamed.push_back(i);
    return unnamed;
}

// Built over stale bytes, which would show wherever the builder forgot to clear.
PassThroughBlock Build(const PassThroughLayout& layout, const ScsiRequest& request) {
    PassThroughBlock block;
    std::memset(&block, 0xEE, sizeof block);
    BuildPassThroughBlock(layout, request, &block);
    return block;
}

template <typename M>
void ExpectEveryField(const PassThroughLayout& layout, uint64_t pointer) {
    ScsiRequest request{};
    for (int i = 0; i < 16; ++i) request.cdb[i] = static_cast<uint8_t>(0xA0 + i);
    request.direction = ScsiDataIn;
    request.data = reinterpret_cast<void*>(static_cast<uintptr_t>(pointer));
    request.length = 0x00012345;
    PassThroughBlock block = Build(layout, request);

    const uint32_t senseOffset = sizeof(M) + 4;
    EXPECT_EQ(block.senseOffset, senseOffset);
    EXPECT_EQ(block.size, senseOffset + 32);

    M s;
    std::memcpy(&s, block.bytes, sizeof s);
    EXPECT_EQ(s.Length, sizeof(M));
    EXPECT_EQ(s.ScsiStatus, 0);
    EXPECT_EQ(s.PathId, 0);
    EXPECT_EQ(s.TargetId, 1);
    EXPECT_EQ(s.Lun, 0);
    EXPECT_EQ(s.CdbLength, 16);
    EXPECT_EQ(s.SenseInfoLength, 24);
    EXPECT_EQ(s.DataIn, 1);
    EXPECT_EQ(s.DataTransferLength, 0x00012345u);
    EXPECT_EQ(s.TimeOutValue, 2u);
    EXPECT_EQ(s.DataBuffer, pointer);
    EXPECT_EQ(s.SenseInfoOffset, senseOffset);
    EXPECT_EQ(0, std::memcmp(s.Cdb, request.cdb, 16));

    for (size_t i : UnnamedOffsets<M>(block.size)) EXPECT_EQ(block.bytes[i], 0) << "byte " << i;
}

TEST(PassThroughBlock, ThirtyTwoBitLayoutCarriesEveryFieldAndNothingElse) {
    ExpectEveryField<Mirror32>(PassThroughLayout32, 0x12345678u);
    // The fixed offsets, as the 80-byte block is known on a 32-bit program.
    ScsiRequest request{};
    PassThroughBlock block = Build(PassThroughLayout32, request);
    EXPECT_EQ(block.size, 80u);
    EXPECT_EQ(block.bytes[0], 44);
    EXPECT_EQ(block.bytes[24], 48);
}

TEST(PassThroughBlock, SixtyFourBitLayoutCarriesEveryFieldAndNothingElse) {
    // A 32-bit program has no 64-bit pointers to give.
    ExpectEveryField<Mirror64>(PassThroughLayout64,
                               sizeof(void*) == 8 ? 0x00007FFF12345678u : 0x12345678u);
}

// The fields that follow the caller's arguments, on both layouts.
TEST(PassThroughBlock, FieldsFollowTheCommand) {
    static uint8_t buffer[36];
    struct Case {
        const char* name;
        uint8_t opcode;
        uint8_t direction;
        void* data;
        uint32_t length;
    } cases[] = {
        // A 6-byte command still goes out as 16 bytes.
        {"inquiry", 0x12, 1, buffer, sizeof buffer},
        // Erase: no data phase at all.
        {"erase", 0xC8, 0, nullptr, 0},
        // What reaches the seam of an outside caller's 2 (or 0x102) stays 2.
        {"unspecified", 0xC8, 2, buffer, 8},
        {"any byte", 0xC8, 0xFF, buffer, 8},
    };
    for (const PassThroughLayout* layout : {&PassThroughLayout32, &PassThroughLayout64}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ScsiRequest request{{c.opcode}, c.direction, c.data, c.length};
            PassThroughBlock block = Build(*layout, request);
            const uint8_t* b = block.bytes;
            EXPECT_EQ(b[6], 16);
            EXPECT_EQ(b[8], c.direction);
            EXPECT_EQ(b[9] | b[10] | b[11], 0);
            uint32_t length;
            std::memcpy(&length, b + 12, 4);
            EXPECT_EQ(length, c.length);
            uint64_t pointer = 0;
            std::memcpy(&pointer, b + layout->dataBufferOffset, layout->pointerSize);
            EXPECT_EQ(pointer, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(c.data)) &
                                   (layout->pointerSize == 8 ? ~uint64_t{0} : 0xFFFFFFFFu));
            EXPECT_EQ(b[layout->cdbOffset], c.opcode);
            for (uint32_t i = 1; i < 16; ++i) EXPECT_EQ(b[layout->cdbOffset + i], 0);
        }
    }
}

// The block as the OS writes it back: status, sense and bytes moved.
TEST(PassThroughBlock, OutcomeIsReadFromTheBlockWrittenBack) {
    for (const PassThroughLayout* layout : {&PassThroughLayout32, &PassThroughLayout64}) {
        SCOPED_TRACE(layout->structSize);
        static uint8_t buffer[36];
        ScsiRequest request{{0x12}, ScsiDataIn, buffer, sizeof buffer};
        PassThroughBlock block = Build(*layout, request);
        block.bytes[PassThroughStatusOffset] = 0x02;           // CHECK CONDITION
        block.bytes[PassThroughSenseInfoLengthOffset] = 18;    // sense bytes returned
        for (int i = 0; i < 32; ++i) block.bytes[block.senseOffset + i] = static_cast<uint8_t>(0x70 + i);
        block.bytes[PassThroughDataTransferLengthOffset] = 30;  // bytes moved

        ScsiOutcome outcome;
        ReadPassThroughOutcome(block, true, 0, sizeof buffer, &outcome);
        EXPECT_TRUE(outcome.carriedOut);
        EXPECT_EQ(outcome.status, 0x02);
        EXPECT_EQ(outcome.senseLength, 18);
        EXPECT_EQ(outcome.sense[0], 0x70);
        EXPECT_EQ(outcome.sense[17], 0x70 + 17);
        EXPECT_EQ(outcome.sense[18], 0);  // only what came back
        EXPECT_EQ(outcome.residual, 6u);
        EXPECT_EQ(outcome.osError, 0);

        // More sense than asked for is cut to the 24 bytes of room.
        block.bytes[PassThroughSenseInfoLengthOffset] = 32;
        ReadPassThroughOutcome(block, true, 0, sizeof buffer, &outcome);
        EXPECT_EQ(outcome.senseLength, 24);
        EXPECT_EQ(outcome.sense[23], 0x70 + 23);

        // A request the OS refused: nothing of the block counts.
        ReadPassThroughOutcome(block, false, 50 /* ERROR_NOT_SUPPORTED */, sizeof buffer, &outcome);
        EXPECT_FALSE(outcome.carriedOut);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.senseLength, 0);
        EXPECT_EQ(outcome.osError, 50);
    }
}

}  // namespace

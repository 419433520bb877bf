// The flash page and block commands on the simulated recorder: the command
// blocks they send, byte by byte, how a transfer is cut into commands, and
// what they refuse to send.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

// 1 GiB: room for a part read that strides past page 262,144.
const SimFlashGeometry LargeFlash = {1, 8192, 64, 2048};

// Hex with the spaces that separate the fields dropped.
std::string Cdb(const char* spaced) {
    std::string hex;
    for (const char* p = spaced; *p != '\0'; ++p)
        if (*p != ' ') hex += *p;
    return hex;
}

uint8_t PatternByte(uint32_t page, uint32_t offset) {
    uint32_t x = page * 2654435761u + offset * 40503u;
    return static_cast<uint8_t>(x >> 13 ^ x >> 24);
}

// Gives `count` pages from `first`, `stride` apart, contents that differ from
// page to page and from byte to byte, so that data landing at the wrong
// place shows.
void FillFlash(uint32_t first, uint32_t count, uint32_t stride, uint32_t pageSize) {
    std::vector<uint8_t> page(pageSize);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t address = first + i * stride;
        for (uint32_t b = 0; b < pageSize; ++b) page[b] = PatternByte(address, b);
        ASSERT_TRUE(SimFlashRestorePage(address, page.data(), page.size()));
    }
}

class FlashCommandsTest : public SimTest {
protected:
    // A fresh recorder with this flash and sector size, found by discovery;
    // the trace then starts empty.
    void StartRecorder(const SimFlashGeometry& flash, uint32_t sectorSize,
                       uint64_t failCommand = 0) {
        SimOptions options;
        SimDefaultOptions(&options);
        options.flash = flash;
        options.sectorSize = sectorSize;
        options.failCommand = failCommand;
        Start(options);
        char* path = nullptr;
        ASSERT_EQ(Vkr_IsConnected(&path), 1);
        std::free(path);
        SimTraceClear();
    }
};

// Discovery costs three commands, so the fifth is a transfer's second.
constexpr uint64_t SecondTransferCommand = 5;

struct Sent {
    const char* cdb;  // all 16 bytes, fields separated by spaces
    uint32_t length;
    uint32_t bufferOffset;  // where its data left or landed in the caller's buffer
    int result;
};

struct ChunkCase {
    const char* name;
    SimFlashGeometry flash;
    uint64_t failCommand;
    std::function<int(uint8_t* buffer)> call;
    int result;
    std::vector<Sent> sent;
};

TEST_F(FlashCommandsTest, TransfersAreCutIntoCommandsOfAtMost64KiB) {
    const SimFlashGeometry longPages = {1, 8192, 64, 2050};
    const ChunkCase cases[] = {
        {"40 pages from page 10 as sectors",
         LargeFlash,
         0,
         [](uint8_t* b) { return Vkr_ReadPages(10, b, 40); },
         1,
         {{"28 00 00000028 00 0080 00000000000000", 65536, 0, 1},
          {"28 00 000000a8 00 0020 00000000000000", 16384, 65536, 1}}},
        {"33 pages written from page 100",
         LargeFlash,
         0,
         [](uint8_t* b) { return Vkr_WritePages(100, b, 33); },
         1,
         {{"c8 01 00000064 00 0020 00000000000000", 65536, 0, 1},
          {"c8 01 00000084 00 0001 00000000000000", 2048, 65536, 1}}},
        {"pages a little longer than 2048 go 31 to a command",
         longPages,
         0,
         [](uint8_t* b) { return Vkr_WritePages(7, b, 33); },
         1,
         {{"c8 01 00000007 00 001f 00000000000000", 31 * 2050, 0, 1},
          {"c8 01 00000026 00 0002 00000000000000", 2 * 2050, 31 * 2050, 1}}},
        {"4,096 + 100 parts of 16 bytes, stride 64, offset 0x123",
         LargeFlash,
         0,
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0, 4096 + 100, 0x123, 16, 64, b); },
         1,
         {{"c8 04 00000000 00 1000 0010 0040 0123 00", 65536, 0, 1},
          {"c8 04 00040000 00 0064 0010 0040 0123 00", 1600, 65536, 1}}},
        {"a count of 0 sends nothing, whatever the buffer",
         LargeFlash,
         0,
         [](uint8_t*) {
             return Vkr_ReadPages(10, nullptr, 0) && Vkr_WritePages(10, nullptr, 0) &&
                    Vkr_ReadPartsOfPages(10, 0, 0, 16, 1, nullptr);
         },
         1,
         {}},
        {"a failed second read keeps the first one's data",
         LargeFlash,
         SecondTransferCommand,
         [](uint8_t* b) { return Vkr_ReadPages(10, b, 40); },
         0,
         {{"28 00 00000028 00 0080 00000000000000", 65536, 0, 1},
          {"28 00 000000a8 00 0020 00000000000000", 16384, 65536, 0}}},
        {"a failed second part read ends the transfer",
         LargeFlash,
         SecondTransferCommand,
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0, 3 * 4096, 0, 16, 1, b); },
         0,
         {{"c8 04 00000000 00 1000 0010 0001 0000 00", 65536, 0, 1},
          {"c8 04 00001000 00 1000 0010 0001 0000 00", 65536, 65536, 0}}},
        {"erase: page address and count",
         LargeFlash,
         0,
         [](uint8_t*) { return Vkr_EraseBlocks(0x00012340, 64); },
         1,
         {{"c8 0a 00012340 00 0040 00000000000000", 0, 0, 1}}},
        {"erase: a count of 255 fills byte 8 alone",
         LargeFlash,
         0,
         [](uint8_t*) { return Vkr_EraseBlocks(0x00012340, 255); },
         1,
         {{"c8 0a 00012340 00 00ff 00000000000000", 0, 0, 1}}},
        {"erase: a count of 0 still goes out",
         LargeFlash,
         0,
         [](uint8_t*) { return Vkr_EraseBlocks(64, 0); },
         1,
         {{"c8 0a 00000040 00 0000 00000000000000", 0, 0, 1}}},
    };
    for (const ChunkCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartRecorder(c.flash, 512, c.failCommand);
        FillFlash(0, 5000, 1, c.flash.pageSize);
        FillFlash(0, 4196, 64, c.flash.pageSize);
        std::vector<uint8_t> buffer(2 * 65536);
        for (size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<uint8_t>(i * 7 + i / 251);

        EXPECT_EQ(c.call(buffer.data()) != 0, c.result != 0);

        auto commands = Commands();
        ASSERT_EQ(commands.size(), c.sent.size());
        for (size_t i = 0; i < commands.size(); ++i) {
            const SimTraceRecord& r = *commands[i];
            const Sent& want = c.sent[i];
            SCOPED_TRACE(i);
            EXPECT_EQ(Hex(r.cdb, 16), Cdb(want.cdb));
            EXPECT_EQ(r.direction, r.cdb[0] == 0x28 || r.cdb[1] == 0x04 ? 1 : 0);
            EXPECT_EQ(r.length, want.length);
            EXPECT_EQ(r.result, want.result);
            // What moved is what the caller's buffer holds at that offset.
            const std::vector<uint8_t>& moved = r.direction == 1 ? r.in : r.out;
            EXPECT_EQ(moved.size(), want.result ? want.length : 0);
            ASSERT_LE(want.bufferOffset + moved.size(), buffer.size());
            EXPECT_EQ(Hex(moved), Hex(buffer.data() + want.bufferOffset, moved.size()));
        }
    }
}

TEST_F(FlashCommandsTest, DataLandInPageOrder) {
    StartRecorder(LargeFlash, 512);
    FillFlash(0, 4196, 64, 2048);
    std::vector<uint8_t> parts(4196 * 16);
    ASSERT_EQ(Vkr_ReadPartsOfPages(0, 4196, 0x123, 16, 64, parts.data()), 1);
    for (uint32_t i : {0u, 4095u, 4096u, 4195u})
        for (uint32_t b = 0; b < 16; ++b)
            ASSERT_EQ(parts[i * 16 + b], PatternByte(i * 64, 0x123 + b)) << "part " << i;

    FillFlash(10, 40, 1, 2048);
    std::vector<uint8_t> pages(40 * 2048);
    ASSERT_EQ(Vkr_ReadPages(10, pages.data(), 40), 1);
    for (uint32_t p = 0; p < 40; ++p)
        ASSERT_EQ(pages[p * 2048 + 5], PatternByte(10 + p, 5)) << "page " << 10 + p;
}

TEST_F(FlashCommandsTest, AFailedSecondWriteKeepsTheFirstOnesPages) {
    StartRecorder(LargeFlash, 512, SecondTransferCommand);
    std::vector<uint8_t> data(33 * 2048, 0x5A);
    EXPECT_EQ(Vkr_WritePages(100, data.data(), 33), 0);
    std::vector<uint32_t> expected;
    for (uint32_t p = 100; p < 132; ++p) expected.push_back(p);
    EXPECT_EQ(SimFlashWrittenPages(), expected);
}

TEST_F(FlashCommandsTest, APageReadsSectorCountIsNotCutTo16Bits) {
    // 64-byte sectors: 2,049 pages of 2048 bytes are 65,568 sectors.
    StartRecorder(LargeFlash, 64);
    std::vector<uint8_t> buffer(2049 * 2048);
    ASSERT_EQ(Vkr_ReadPages(0, buffer.data(), 2049), 1);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 65u);
    uint32_t sectors = 0;
    for (const SimTraceRecord* r : commands) sectors += r->cdb[7] << 8 | r->cdb[8];
    EXPECT_EQ(sectors, 65568u);
    EXPECT_EQ(Hex(commands.back()->cdb, 16), Cdb("28 00 00010000 00 0020 00000000000000"));
}

struct Refusal {
    const char* name;
    SimFlashGeometry flash;
    uint32_t sectorSize;
    std::function<int(uint8_t* buffer)> call;
    size_t commands;  // sent before the result came back 0
};

TEST_F(FlashCommandsTest, TransfersThatCannotBeSentWholeSendNothing) {
    const SimFlashGeometry noPageSize = {1, 8192, 64, 0};
    const Refusal refusals[] = {
        {"read into no buffer", LargeFlash, 512,
         [](uint8_t*) { return Vkr_ReadPages(0, nullptr, 1); }, 0},
        {"write from no buffer", LargeFlash, 512,
         [](uint8_t*) { return Vkr_WritePages(0, nullptr, 1); }, 0},
        {"part read into no buffer", LargeFlash, 512,
         [](uint8_t*) { return Vkr_ReadPartsOfPages(0, 1, 0, 16, 1, nullptr); }, 0},
        {"read with a page size of 0", noPageSize, 512,
         [](uint8_t* b) { return Vkr_ReadPages(0, b, 1); }, 0},
        {"write with a page size of 0", noPageSize, 512,
         [](uint8_t* b) { return Vkr_WritePages(0, b, 1); }, 0},
        {"part length 0", LargeFlash, 512,
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0, 1, 0, 0, 1, b); }, 0},
        {"sector size 0", LargeFlash, 0, [](uint8_t* b) { return Vkr_ReadPages(0, b, 1); }, 0},
        {"page smaller than a sector", LargeFlash, 4096,
         [](uint8_t* b) { return Vkr_ReadPages(0, b, 1); }, 0},
        {"sector size beyond 16 bits", LargeFlash, 0x10200,
         [](uint8_t* b) { return Vkr_ReadPages(0, b, 1); }, 0},
        {"start sector beyond 32 bits", LargeFlash, 512,
         [](uint8_t* b) { return Vkr_ReadPages(0x40000000, b, 1); }, 0},
        {"a later read command's sector would wrap", LargeFlash, 512,
         [](uint8_t* b) { return Vkr_ReadPages(0x3FFFFFFF, b, 33); }, 0},
        {"a later part read's page would wrap", LargeFlash, 512,
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0xFFFF0000, 4097, 0, 16, 0xFFFF, b); }, 0},
        // Control: one command at the top of the address space does go out
        // (and the recorder refuses it, being far smaller).
        {"one part read at the top of the address space", LargeFlash, 512,
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0xFFFF0000, 4096, 0, 16, 0xFFFF, b); }, 1},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        StartRecorder(r.flash, r.sectorSize);
        std::vector<uint8_t> buffer(33 * 2048 * 2);
        EXPECT_EQ(r.call(buffer.data()), 0);
        EXPECT_EQ(Commands().size(), r.commands);
    }
}

}  // namespace

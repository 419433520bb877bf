// The simulated recorder's flash through the whole stack: what is written
// reads back the same way by pages, by sectors and by parts; erases clear
// whole blocks and are counted; nothing reaches past the end of the flash.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

// The default recorder: 2048 blocks of 64 pages of 2048 bytes.
constexpr uint32_t PageSize = 2048;
constexpr uint32_t PagesPerBlock = 64;
constexpr uint32_t TotalPages = 2048 * PagesPerBlock;

class SimFlashTest : public SimTest {
protected:
    void StartRecorder(uint32_t sectorSize, const SimFaultRule* fault = nullptr) {
        SimOptions options;
        SimDefaultOptions(&options);
        options.sectorSize = sectorSize;
        if (fault != nullptr) options.faults[options.faultCount++] = *fault;
        Start(options);
        char* path = nullptr;
        ASSERT_EQ(Vkr_IsConnected(&path), 1);
        std::free(path);
        SimTraceClear();
    }
};

TEST_F(SimFlashTest, WrittenPagesReadBackByPagesAndPartsUntilTheirBlockIsErased) {
    for (uint32_t sectorSize : {512u, 1024u, 2048u}) {
        SCOPED_TRACE(sectorSize);
        StartRecorder(sectorSize);
        std::mt19937 random(sectorSize);
        std::vector<uint8_t> written(40 * PageSize);
        for (uint8_t& b : written) b = static_cast<uint8_t>(random());

        ASSERT_EQ(Vkr_WritePages(1000, written.data(), 40), 1);
        std::vector<uint8_t> read(written.size());
        ASSERT_EQ(Vkr_ReadPages(1000, read.data(), 40), 1);
        EXPECT_EQ(read, written);

        // 32 bytes at offset 100 of every fourth page, then past the written
        // ones into pages that were never written.
        std::vector<uint8_t> parts(12 * 32);
        ASSERT_EQ(Vkr_ReadPartsOfPages(1000, 12, 100, 32, 4, parts.data()), 1);
        for (uint32_t i = 0; i < 12; ++i) {
            uint32_t page = 4 * i;
            for (uint32_t b = 0; b < 32; ++b) {
                uint8_t expected = page < 40 ? written[page * PageSize + 100 + b] : 0xFF;
                ASSERT_EQ(parts[i * 32 + b], expected) << "part " << i;
            }
        }

        // Block 15 holds pages 960 to 1023: an erase there keeps 1024 on.
        ASSERT_EQ(Vkr_EraseBlocks(15 * PagesPerBlock, 1), 1);
        ASSERT_EQ(Vkr_ReadPages(1000, read.data(), 40), 1);
        const size_t erasedBytes = 24 * PageSize;
        EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.begin() + erasedBytes),
                  std::vector<uint8_t>(erasedBytes, 0xFF));
        EXPECT_TRUE(std::equal(read.begin() + erasedBytes, read.end(),
                               written.begin() + erasedBytes));
        EXPECT_EQ(SimFlashEraseCount(15), 1u);
        EXPECT_EQ(SimFlashErasedBlocks(), std::vector<uint32_t>{15});
        EXPECT_EQ(SimFlashWrittenPages().size(), 16u);
        EXPECT_EQ(SimFlashWrittenPages().front(), 1024u);
    }
}

struct Bound {
    const char* name;
    std::function<int(uint8_t* buffer)> call;
    int result;
    size_t writtenPages;
    std::vector<uint32_t> erasedBlocks;
};

TEST_F(SimFlashTest, CommandsReachingPastTheFlashAreRefusedWhole) {
    const uint32_t lastBlock = TotalPages / PagesPerBlock - 1;
    const Bound bounds[] = {
        {"read the last page", [](uint8_t* b) { return Vkr_ReadPages(TotalPages - 1, b, 1); }, 1,
         0, {}},
        {"read one page beyond", [](uint8_t* b) { return Vkr_ReadPages(TotalPages - 1, b, 2); }, 0,
         0, {}},
        {"write the last page", [](uint8_t* b) { return Vkr_WritePages(TotalPages - 1, b, 1); }, 1,
         1, {}},
        {"write one page beyond", [](uint8_t* b) { return Vkr_WritePages(TotalPages - 1, b, 2); },
         0, 0, {}},
        {"part at the end of the last page",
         [](uint8_t* b) {
             return Vkr_ReadPartsOfPages(TotalPages - 1, 1, PageSize - 16, 16, 1, b);
         },
         1, 0, {}},
        {"part reaching past its page",
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(0, 1, PageSize - 15, 16, 1, b); }, 0, 0, {}},
        {"last part beyond the last page",
         [](uint8_t* b) { return Vkr_ReadPartsOfPages(TotalPages - 100, 2, 0, 16, 100, b); }, 0, 0,
         {}},
        {"erase the last block",
         [=](uint8_t*) { return Vkr_EraseBlocks(lastBlock * PagesPerBlock, 1); }, 1, 0,
         {lastBlock}},
        {"erase one block beyond",
         [=](uint8_t*) { return Vkr_EraseBlocks(lastBlock * PagesPerBlock, 2); }, 0, 0, {}},
    };
    for (const Bound& b : bounds) {
        SCOPED_TRACE(b.name);
        StartRecorder(512);
        std::vector<uint8_t> buffer(2 * PageSize, 0x11);
        EXPECT_EQ(b.call(buffer.data()), b.result);
        EXPECT_EQ(SimFlashWrittenPages().size(), b.writtenPages);
        EXPECT_EQ(SimFlashErasedBlocks(), b.erasedBlocks);
        // A refused read hands back nothing.
        if (b.result == 0) {
            ASSERT_EQ(Commands().size(), 1u);
            EXPECT_TRUE(Commands()[0]->in.empty());
        }
    }
}

TEST_F(SimFlashTest, AnEraseFaultFiresAtItsPageAddressOnlyAndAsOftenAsAsked) {
    const SimFaultRule once = {FaultErase, false, 0x8000, 1};
    StartRecorder(512, &once);
    EXPECT_EQ(Vkr_EraseBlocks(0x8040, 1), 1);
    EXPECT_EQ(Vkr_EraseBlocks(0x8000, 1), 0);
    EXPECT_EQ(SimFlashEraseCount(0x200), 0u) << "a failed erase erases nothing";
    EXPECT_EQ(Vkr_EraseBlocks(0x8000, 1), 1);
    EXPECT_EQ(SimFlashErasedBlocks(), (std::vector<uint32_t>{0x200, 0x201}));
}

TEST_F(SimFlashTest, ASavedFlashCanBeRestored) {
    StartRecorder(512);
    std::vector<uint8_t> page(PageSize, 0x3C);
    EXPECT_FALSE(SimFlashRestorePage(TotalPages, page.data(), page.size()));
    EXPECT_FALSE(SimFlashRestorePage(7, page.data(), page.size() - 1));
    EXPECT_FALSE(SimFlashRestoreEraseCount(TotalPages / PagesPerBlock, 1));
    EXPECT_TRUE(SimFlashWrittenPages().empty());

    ASSERT_TRUE(SimFlashRestorePage(7, page.data(), page.size()));
    ASSERT_TRUE(SimFlashRestoreEraseCount(3, 2));
    std::vector<uint8_t> read(PageSize);
    ASSERT_EQ(Vkr_ReadPages(7, read.data(), 1), 1);
    EXPECT_EQ(read, page);
    ASSERT_NE(SimFlashPageData(7), nullptr);
    EXPECT_EQ(SimFlashPageData(7)[0], 0x3C);
    EXPECT_EQ(SimFlashPageData(8), nullptr);
    EXPECT_EQ(SimFlashEraseCount(3), 2u);
    EXPECT_EQ(SimFlashErasedBlocks(), std::vector<uint32_t>{3});
}

}  // namespace

// The user-data erase: which erase commands go out for a geometry, what the
// console line says, and which blocks of the simulated flash end up erased.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/erase_user_data.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

// What `action` writes to standard output, caught at the descriptor so that
// nothing the code under test does with stdio can slip past.
std::string CaptureStdout(const std::function<void()>& action) {
    std::fflush(stdout);
    FILE* sink = std::tmpfile();
    if (sink == nullptr) return "<no temporary file>";
    int saved = dup(STDOUT_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);
    action();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);

    std::string text;
    std::rewind(sink);
    for (int c; (c = std::fgetc(sink)) != EOF;) text += static_cast<char>(c);
    std::fclose(sink);
    return text;
}

using Erase = std::pair<uint32_t, uint8_t>;  // page address, block count

struct EraseCase {
    const char* name;
    SimFlashGeometry flash;  // units, blocks per unit, pages per block, page size
    std::vector<SimFaultRule> faults;
    bool result;
    const char* output;
    std::vector<Erase> commands;
    std::vector<std::pair<uint32_t, uint32_t>> erasedRanges;  // [first, end) blocks, once each
};

class EraseUserDataTest : public SimTest {};

TEST_F(EraseUserDataTest, ErasesFromThe64MiBMarkToTheEndInBatchesOf64) {
    // 2048-byte pages, 64 to a block: the 64 MiB mark is page 32,768, block 512.
    const EraseCase cases[] = {
        {"130 blocks past the protected area, on two units",
         {2, 321, 64, 2048},
         {},
         true,
         "...OK\n",
         {{32768, 64}, {32768 + 64 * 64, 64}, {32768 + 128 * 64, 2}},
         {{512, 642}}},
        {"exactly 64 blocks past it", {1, 576, 64, 2048}, {}, true, ".OK\n", {{32768, 64}},
         {{512, 576}}},
        {"a flash of exactly 64 MiB", {1, 512, 64, 2048}, {}, true, "OK\n", {}, {}},
        // 67,108,864 / 2000 = 33,554 (page), / 32 = 1,048 whole blocks below
        // it: the first command starts inside block 1,048, the second inside
        // block 1,112.
        {"a page size that does not divide 64 MiB",
         {1, 1048 + 70, 32, 2000},
         {},
         true,
         "..OK\n",
         {{33554, 64}, {33554 + 64 * 32, 6}},
         {{1048, 1118}}},
        // Nothing to locate the blocks by: the line still says how it ended.
        {"no units", {0, 2048, 64, 2048}, {}, false, "Failed\n", {}, {}},
        {"page size 0", {1, 2048, 64, 0}, {}, false, "Failed\n", {}, {}},
        {"pages per block 0", {1, 2048, 0, 2048}, {}, false, "Failed\n", {}, {}},
        {"fewer blocks than the protected area", {1, 100, 64, 2048}, {}, true, "OK\n", {}, {}},
        {"the second batch fails: the third still goes out",
         {2, 321, 64, 2048},
         {{FaultErase, false, 32768 + 64 * 64, 1}},
         false,
         "...Failed\n",
         {{32768, 64}, {32768 + 64 * 64, 64}, {32768 + 128 * 64, 2}},
         {{512, 576}, {640, 642}}},
        {"every batch fails",
         {2, 321, 64, 2048},
         {{FaultErase, true, 0, 3}},
         false,
         "...Failed\n",
         {{32768, 64}, {32768 + 64 * 64, 64}, {32768 + 128 * 64, 2}},
         {}},
    };
    for (const EraseCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions options;
        SimDefaultOptions(&options);
        options.flash = c.flash;
        for (const SimFaultRule& f : c.faults) options.faults[options.faultCount++] = f;
        Start(options);
        char* path = nullptr;
        ASSERT_EQ(Vkr_IsConnected(&path), 1);
        std::free(path);
        SimTraceClear();

        bool result = false;
        EXPECT_EQ(CaptureStdout([&] { result = EraseUserData(); }), c.output);
        EXPECT_EQ(result, c.result);

        std::vector<Erase> sent;
        for (const SimTraceRecord* r : Commands()) {
            ASSERT_EQ(r->cdb[0], 0xC8);
            ASSERT_EQ(r->cdb[1], 0x0A);
            sent.emplace_back(r->cdb[2] << 24 | r->cdb[3] << 16 | r->cdb[4] << 8 | r->cdb[5],
                              r->cdb[8]);
        }
        EXPECT_EQ(sent, c.commands);

        std::vector<uint32_t> expectedBlocks;
        for (auto [first, end] : c.erasedRanges)
            for (uint32_t block = first; block < end; ++block) expectedBlocks.push_back(block);
        EXPECT_EQ(SimFlashErasedBlocks(), expectedBlocks);
        for (uint32_t block : SimFlashErasedBlocks())
            EXPECT_EQ(SimFlashEraseCount(block), 1u) << "block " << block;
    }
}

TEST_F(EraseUserDataTest, BeforeDiscoveryThereIsNoGeometryAndNothingHappens) {
    bool result = true;
    EXPECT_EQ(CaptureStdout([&] { result = EraseUserData(); }), "Failed\n");
    EXPECT_FALSE(result);
    EXPECT_TRUE(SimTrace().empty());
}

}  // namespace

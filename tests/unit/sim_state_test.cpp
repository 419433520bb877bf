// The simulator's state file: a recorder saved at the end of one run is the
// recorder the next run starts with, unless the command line says otherwise.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "controller/commands.h"
#include "device/device_state.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

class SimStateTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // A name of our own, held until the end of the test, and the state
        // file beside it, which the first run does not find.
        std::string pattern = (std::filesystem::temp_directory_path() / "vkr-state-XXXXXX").string();
        int fd = mkstemp(pattern.data());
        ASSERT_GE(fd, 0);
        close(fd);
        reserved = pattern;
        path = reserved + ".state";
    }
    void TearDown() override {
        // The recorder first lets go of its file: Windows removes no file
        // that is still open, and the next test would find this one.
        SimTest::TearDown();
        std::remove(path.c_str());
        std::remove(reserved.c_str());
    }

    bool StartOn(std::vector<const char*> extra, std::string* error = nullptr) {
        SimOptions options;
        SimDefaultOptions(&options);
        std::vector<const char*> args = {"sim", "--state", path.c_str()};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<int> rest(args.size());
        int restCount = 0;
        char message[256] = "";
        bool ok = SimParseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()),
                                  &options, rest.data(), &restCount, message, sizeof message) &&
                  SimStart(options, message, sizeof message);
        if (error != nullptr) *error = message;
        return ok;
    }

    void Finish() {
        char message[256] = "";
        ASSERT_TRUE(SimFinish(message, sizeof message)) << message;
    }

    void WriteFile(const char* text) {
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
    }

    std::string reserved;
    std::string path;
};

TEST_F(SimStateTest, MemoryPagesAndErasuresSurviveToTheNextRun) {
    ASSERT_TRUE(StartOn({"--flash", "1:1024:64:2048", "--bootloader", "2.3"}));
    char* found = nullptr;
    ASSERT_TRUE(Vkr_IsConnected(&found));
    std::vector<uint8_t> page(2048);
    for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(Vkr_WritePages(40000, page.data(), 1));
    ASSERT_TRUE(Vkr_EraseBlocks(512 * 64, 3));
    std::vector<uint8_t> memory(SimMcuMemory(), SimMcuMemory() + SimMcuMemorySize);
    Finish();

    // Nothing on the command line but the file: geometry, memory and flash
    // come back as they were.
    ASSERT_TRUE(StartOn({}));
    EXPECT_EQ(std::memcmp(SimMcuMemory(), memory.data(), SimMcuMemorySize), 0);
    EXPECT_EQ(SimFlashEraseCount(512), 1u);
    EXPECT_EQ(SimFlashEraseCount(514), 1u);
    EXPECT_EQ(SimFlashEraseCount(515), 0u);
    ASSERT_NE(SimFlashPageData(40000), nullptr);
    EXPECT_EQ(std::memcmp(SimFlashPageData(40000), page.data(), page.size()), 0);
    EXPECT_EQ(SimSlotAt(1)->geometry[7], 1024 >> 8);
    std::free(found);
}

// A process killed mid-run never reaches SimFinish: the file must already
// hold every change, in an order that loads to the recorder as it stood.
TEST_F(SimStateTest, TheFileHoldsEveryChangeBeforeTheRunEnds) {
    ASSERT_TRUE(StartOn({"--flash", "1:1024:64:2048"}));
    char* found = nullptr;
    ASSERT_TRUE(Vkr_IsConnected(&found));
    std::vector<uint8_t> page(2048, 0x5A);
    ASSERT_TRUE(Vkr_WritePages(512 * 64 + 3, page.data(), 1));
    ASSERT_TRUE(Vkr_WritePages(600 * 64, page.data(), 1));
    ASSERT_TRUE(Vkr_EraseBlocks(512 * 64, 1));  // takes the first page away again
    const uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_TRUE(WriteMemory(0xD400, 4, data));
    ASSERT_TRUE(BeginBlock(0xD3F5));  // armed, the status record erased
    std::vector<uint8_t> memory(SimMcuMemory(), SimMcuMemory() + SimMcuMemorySize);
    std::free(found);

    // As the next process finds it, with no SimFinish in between.
    ASSERT_TRUE(StartOn({}));
    EXPECT_EQ(std::memcmp(SimMcuMemory(), memory.data(), SimMcuMemorySize), 0);
    EXPECT_EQ(SimMcuMemory()[0xD3F5 + 7], 0xFF);
    EXPECT_TRUE(SimMcuArmed());
    EXPECT_EQ(SimFlashPageData(512 * 64 + 3), nullptr);
    ASSERT_NE(SimFlashPageData(600 * 64), nullptr);
    EXPECT_EQ(SimFlashEraseCount(512), 1u);
    EXPECT_EQ(SimFlashEraseCount(600), 0u);
}

// What the controller holds only while powered is carried to the next run,
// unless the recorder was unplugged in between.
TEST_F(SimStateTest, APowerCycleBetweenRunsDropsWhatIsHeldWhilePowered) {
    for (bool powerCycled : {false, true}) {
        SCOPED_TRACE(powerCycled);
        std::remove(path.c_str());
        ASSERT_TRUE(StartOn({}));
        char* found = nullptr;
        ASSERT_TRUE(Vkr_IsConnected(&found));
        std::free(found);
        SimMcuRestore(SimMcuMemory(), SimMcuProgramming);
        ASSERT_TRUE(BeginBlock(0xD3F5));
        ASSERT_TRUE(BeginBlock(0x0400));
        Finish();
        ASSERT_TRUE(StartOn(powerCycled ? std::vector<const char*>{"--power-cycled"}
                                        : std::vector<const char*>{}));
        uint32_t open = 0;
        EXPECT_EQ(SimMcuArmed(), !powerCycled);
        EXPECT_EQ(SimMcuOpenBlock(&open), !powerCycled);
        if (!powerCycled) {
            EXPECT_EQ(open, 0x0400u);
        }
        EXPECT_EQ(SimMcuCurrentMode(), SimMcuProgramming);  // no valid record: the boot loader
    }
}

TEST_F(SimStateTest, VersionOptionsOnTheCommandLineOverrideTheFile) {
    ASSERT_TRUE(StartOn({"--bootloader", "2.3", "--firmware", "4.5"}));
    Finish();
    ASSERT_TRUE(StartOn({"--firmware", "0.9"}));
    const uint8_t* m = SimMcuMemory();
    EXPECT_EQ(m[0xD800], 2);  // from the file
    EXPECT_EQ(m[0xD801], 3);
    EXPECT_EQ(m[0xD3F5], 9);  // from the command line, minor byte first
    EXPECT_EQ(m[0xD3F6], 0);
}

TEST_F(SimStateTest, AMalformedFileIsRefusedWithItsLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"something else\n", "not a simulated recorder's state file"},
        {"vokari-sim-state 1\nflash 1:2:3\n", "line 2"},
        {"vokari-sim-state 1\nmemory 65500 ffffffffffffffffffffffffffffffffffffffffffffffffffff"
         "ffffffffffffffffffffffffffffffffffffffffffffffffff\n",
         "line 2"},
        {"vokari-sim-state 1\nmode sleeping\n", "line 2"},
        {"vokari-sim-state 1\n\npage 1 abc\n", "line 3"},
        {"vokari-sim-state 1\npage 999999999 00\n", "does not fit the flash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(c.text);
        std::string error;
        EXPECT_FALSE(StartOn({}, &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    SimReset();
}

}  // namespace

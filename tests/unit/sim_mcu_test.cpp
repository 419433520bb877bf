// The simulated microcontroller: what its memory holds at start, which frames
// it takes while its firmware runs, and how the fault plan breaks frames.
#include <cstring>
#include <string>

#include "controller/commands.h"
#include "device/device_state.h"
#include "tests/support/sim_fixture.h"

namespace {

class SimMcuTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        DevicePath[DevicePathDigitIndex] = '1';
    }

    static std::string MemoryHex(uint32_t address, size_t count) {
        return Hex(SimMcuMemory() + address, count);
    }
};

TEST_F(SimMcuTest, MemoryStartsWithTheRecordsTheOptionsDescribe) {
    struct Case {
        std::initializer_list<const char*> args;
        const char* bootLoader;  // 9 bytes at 0xD800
        const char* status;      // 11 bytes at 0xD3F5
    };
    const Case cases[] = {
        {{}, "0104564b522d424c37", "0702000000000046574f4b"},
        {{"--bootloader", "2.10", "--signature", "AB", "--firmware", "3.4", "--marker", "fwok"},
         "020a41420000000000", "0403000000000066776f6b"},
        // No firmware: the status record is erased like the rest of the area.
        {{"--firmware", "none"}, "0104564b522d424c37", "ffffffffffffffffffffff"},
    };
    for (const Case& c : cases) {
        StartWithArgs(c.args);
        EXPECT_EQ(MemoryHex(0xD800, 9), c.bootLoader);
        EXPECT_EQ(MemoryHex(0xD3F5, 11), c.status);
        EXPECT_EQ(MemoryHex(0x0000, 4), "ffffffff");
        EXPECT_EQ(SimMcuCurrentMode(), SimMcuRunning);
    }
}

TEST_F(SimMcuTest, RunningFirmwareKeepsTheProgrammableAreaAndBootLoaderReadOnly) {
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        uint16_t address;
        bool taken;
    };
    const Case cases[] = {
        {0x0000, false}, {0xD3F8, false},  // the programmable area, to its last bytes
        {0xD3FC, false},                   // straddles its end
        {0xD400, true},  {0xD7F8, true},   // the gap nobody programs
        {0xD7FC, false}, {0xD800, false}, {0xF7F8, false},  // the boot-loader section
        {0xF800, true},  {0xFFFC, false},                   // wraps round into 0x0000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        std::string before = MemoryHex(c.address, 4);
        EXPECT_EQ(WriteMemory(c.address, 8, data), c.taken);
        EXPECT_EQ(MemoryHex(c.address, 4), c.taken ? "01020304" : before);
    }
    // A taken write is echoed in the reply; reads see it.
    SimTraceClear();
    ASSERT_TRUE(WriteMemory(0xD400, 8, data));
    EXPECT_EQ(Hex(Commands()[1]->in), Hex(data, 8));
    uint8_t back[8] = {};
    ASSERT_TRUE(ReadMemory(0xD400, 8, back));
    EXPECT_EQ(Hex(back, 8), Hex(data, 8));
    // Blocks open only in programming mode.
    EXPECT_FALSE(BeginBlock(0x0000));
    EXPECT_FALSE(BeginBlock(0xD000));
}

TEST_F(SimMcuTest, AFaultFailsTheFrameWriteAndTheFrameIsNotCarriedOut) {
    StartWithArgs({"--fail", "read@0xD800:2", "--fail", "write:1", "--fail", "begin@0x0400"});
    uint8_t buffer[16];
    const uint8_t data[4] = {9, 9, 9, 9};

    EXPECT_TRUE(ReadMemory(0xD3F5, 11, buffer));  // other address: not matched
    EXPECT_FALSE(ReadMemory(0xD800, 9, buffer));
    EXPECT_FALSE(ReadMemory(0xD800, 9, buffer));
    EXPECT_TRUE(ReadMemory(0xD800, 9, buffer));  // the count is used up

    EXPECT_FALSE(WriteMemory(0xD400, 4, data));  // any address
    EXPECT_EQ(MemoryHex(0xD400, 4), "ffffffff");
    EXPECT_TRUE(WriteMemory(0xD400, 4, data));

    EXPECT_TRUE(BeginBlock(0xD3F5));  // only 0x0400 is matched

    // The failing command is the I2C write carrying the frame; no read follows.
    StartWithArgs({"--fail", "restart"});
    EXPECT_FALSE(RestartController());
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Hex(Commands()[0]->cdb, 3), "c80202");
    EXPECT_EQ(Commands()[0]->result, 0);
    EXPECT_EQ(SimRecorderSlot(), 1);
    EXPECT_TRUE(ReadMemory(0xD800, 9, buffer));  // still there: it never restarted
}

}  // namespace

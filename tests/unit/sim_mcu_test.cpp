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

// Power-on, and a restart that was not armed, decide from memory alone.
TEST_F(SimMcuTest, PowerOnStartsTheFirmwareOnlyUnderAValidRecord) {
    struct Case {
        const char* marker;
        SimMcuMode mode;
        bool installs;  // the section at 0x2000 is copied to 0xD800
    };
    const Case cases[] = {
        {"FWOK", SimMcuRunning, false},
        {"fwok", SimMcuProgramming, false},
        {"BLDR", SimMcuProgramming, true},
    };
    for (const Case& c : cases) {
        for (bool restart : {false, true}) {
            SCOPED_TRACE(std::string(c.marker) + (restart ? " restart" : " power-on"));
            StartWithArgs({"--marker", c.marker});
            std::vector<uint8_t> memory(SimMcuMemory(), SimMcuMemory() + SimMcuMemorySize);
            memory[0x2000] = 0x07;
            SimMcuRestore(memory.data(), SimMcuRunning);
            if (restart)
                ASSERT_TRUE(RestartController());
            else
                SimMcuPowerOn();
            EXPECT_EQ(SimMcuCurrentMode(), c.mode);
            EXPECT_EQ(SimMcuMemory()[0xD800], c.installs ? 0x07 : 0x01);
        }
    }
}

// From the BeginBlock that opens a pass until its last chunk, no firmware is
// valid, so a power loss anywhere in between leaves the boot loader waiting.
TEST_F(SimMcuTest, APassLeavesNoValidRecordUntilItsLastChunk) {
    ASSERT_TRUE(BeginBlock(0xD3F5));
    EXPECT_EQ(MemoryHex(0xD3F5, 11), "ffffffffffffffffffffff");
    SimRecorderPowerLoss();
    EXPECT_FALSE(SimMcuArmed());
    EXPECT_EQ(SimMcuCurrentMode(), SimMcuProgramming);
    EXPECT_EQ(SimRecorderSlot(), 1);
    EXPECT_FALSE(SimSlotAt(1)->presentFrom <= SimNowMs());
    SimAdvanceMs(SimPowerOffMs);

    // The last block, its status record written by its last chunk.
    ASSERT_TRUE(BeginBlock(0xD000));
    uint8_t chunk[32];
    std::memset(chunk, 0xAB, sizeof chunk);
    const uint8_t record[11] = {0x00, 0x03, 0, 0, 0, 0, 0, 'F', 'W', 'O', 'K'};
    std::memcpy(chunk + 32 - 11, record, sizeof record);
    for (uint16_t a = 0xD000; a < 0xD3E0; a += 32) ASSERT_TRUE(WriteMemory(a, 32, chunk));
    SimMcuPowerOn();
    EXPECT_EQ(SimMcuCurrentMode(), SimMcuProgramming);  // the record is not written yet
    ASSERT_TRUE(BeginBlock(0xD000));
    for (uint16_t a = 0xD000; a < 0xD400; a += 32) ASSERT_TRUE(WriteMemory(a, 32, chunk));
    SimMcuPowerOn();
    EXPECT_EQ(SimMcuCurrentMode(), SimMcuRunning);
}

// The boot loader takes a write only inside its open block, even one of no
// bytes; the firmware takes one outside what it protects. A failing link is
// not taken for a boot loader.
TEST_F(SimMcuTest, AWriteOfNoBytesTellsWhichProgramAnswers) {
    EXPECT_FALSE(ControllerInBootLoader());
    SimMcuRestore(SimMcuMemory(), SimMcuProgramming);
    EXPECT_TRUE(ControllerInBootLoader());
    ASSERT_TRUE(BeginBlock(0xD000));  // the block right below the probe
    EXPECT_TRUE(ControllerInBootLoader());
    EXPECT_EQ(MemoryHex(0xF800, 4), "ffffffff");

    StartWithArgs({"--fail", "read:1"});
    SimMcuRestore(SimMcuMemory(), SimMcuProgramming);
    EXPECT_FALSE(ControllerInBootLoader());
}

}  // namespace

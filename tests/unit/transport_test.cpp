// Execute_SCSI_Cmd over the simulated drives: what it sends, and when it
// reports 1.
#include <cstring>

#include "device/device_state.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

class TransportTest : public SimTest {
protected:
    void SelectDrive(char digit) { DevicePath[DevicePathDigitIndex] = digit; }
};

const uint8_t Inquiry[16] = {0x12};

TEST_F(TransportTest, BeforeDiscoveryEveryCommandFailsAtTheOpen) {
    uint8_t buffer[64];
    EXPECT_EQ(Execute_SCSI_Cmd(1, Inquiry, buffer, sizeof buffer), 0);
    ASSERT_EQ(SimTrace().size(), 1u);
    EXPECT_FALSE(SimTrace()[0].opened);
    EXPECT_STREQ(SimTrace()[0].path, "\\\\.\\PHYSICALDRIVEx");
}

TEST_F(TransportTest, SendsAllSixteenCdbBytesAndTheCallersDirectionAndLength) {
    SelectDrive('1');
    uint8_t cdb[16];
    for (int i = 0; i < 16; ++i) cdb[i] = static_cast<uint8_t>(i == 0 ? 0x12 : 0xA0 + i);
    uint8_t buffer[100] = {};
    // A short transfer (36 of 100 bytes) still counts as success.
    EXPECT_EQ(Execute_SCSI_Cmd(1, cdb, buffer, sizeof buffer), 1);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(Hex(commands[0]->cdb, 16), Hex(cdb, 16));
    EXPECT_EQ(commands[0]->direction, 1);
    EXPECT_EQ(commands[0]->length, 100u);
    EXPECT_EQ(commands[0]->in.size(), 36u);
    EXPECT_EQ(buffer[8], 'V');
}

TEST_F(TransportTest, OnlyTheLowByteOfTheDirectionCounts) {
    SelectDrive('1');
    uint8_t buffer[36];
    EXPECT_EQ(Execute_SCSI_Cmd(0x101, Inquiry, buffer, sizeof buffer), 1);
    // 2 (unspecified) goes through unchanged; the device then sees a
    // direction that contradicts the command, and the request fails.
    EXPECT_EQ(Execute_SCSI_Cmd(2, Inquiry, buffer, sizeof buffer), 0);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0]->direction, 1);
    EXPECT_EQ(commands[1]->direction, 2);
}

TEST_F(TransportTest, CheckConditionGivesZeroAndTheNextCommandOpensAfresh) {
    SelectDrive('1');
    const uint8_t unknown[16] = {0xC8, 0x7F};
    EXPECT_EQ(Execute_SCSI_Cmd(0, unknown, nullptr, 0), 0);
    uint8_t buffer[36];
    EXPECT_EQ(Execute_SCSI_Cmd(1, Inquiry, buffer, sizeof buffer), 1);
    EXPECT_EQ(Commands().size(), 2u);
    EXPECT_EQ(SimOpenDriveCount(), 0);
}

TEST_F(TransportTest, UnusableArgumentsSendNothing) {
    SelectDrive('1');
    uint8_t buffer[8];
    EXPECT_EQ(Execute_SCSI_Cmd(1, nullptr, buffer, sizeof buffer), 0);
    EXPECT_EQ(Execute_SCSI_Cmd(1, Inquiry, nullptr, 36), 0);
    EXPECT_TRUE(SimTrace().empty());
}

}  // namespace

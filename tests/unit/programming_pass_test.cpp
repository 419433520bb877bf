// A whole programming pass as the update runs it, on the simulated recorder:
// BeginBlock at the status record, restart, the image, restart. What the
// recorder holds afterwards is what the next version read sees.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "controller/commands.h"
#include "controller/programming.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

constexpr uint32_t ImageBytes = 64512;

// An image of the given kind: "FWOK" firmware or a "BLDR" boot-loader image
// carrying a new boot-loader section at 0x2000.
std::vector<uint8_t> Image(const char* marker, uint16_t version) {
    std::vector<uint8_t> image(ImageBytes);
    for (uint32_t i = 0; i < ImageBytes; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
    uint8_t* status = &image[0xD3F5];
    status[0] = static_cast<uint8_t>(version);  // minor first
    status[1] = static_cast<uint8_t>(version >> 8);
    std::memcpy(status + 7, marker, 4);
    uint8_t* section = &image[0x2000];
    section[0] = static_cast<uint8_t>(version >> 8);  // major first
    section[1] = static_cast<uint8_t>(version);
    std::memcpy(section + 2, "NEW-SIG", 7);
    return image;
}

class ProgrammingPassTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_EQ(Vkr_IsConnected(&recorderPath), 1);
    }
    void TearDown() override {
        std::free(recorderPath);
        SimTest::TearDown();
    }

    bool Pass(const std::vector<uint8_t>& image) {
        BeginBlock(FirmwareStatusAddress);
        if (RestartAndReconnect(&recorderPath) != RestartDone) return false;
        if (!ProgramImage(image.data(), nullptr)) return false;
        return RestartAndReconnect(&recorderPath) == RestartDone;
    }

    char* recorderPath = nullptr;
};

TEST_F(ProgrammingPassTest, AFirmwarePassInstallsTheFirmware) {
    ASSERT_TRUE(Pass(Image("FWOK", 0x0300)));
    EXPECT_EQ(SimMcuCurrentMode(), SimMcuRunning);
    FirmwareStatus status{};
    BootLoaderInfo bootLoader{};
    EXPECT_TRUE(ReadFirmwareStatus(&status));
    EXPECT_EQ(status.version, 0x0300);
    ASSERT_TRUE(ReadBootLoaderInfo(&bootLoader));
    EXPECT_EQ(bootLoader.version, SimDefaultBootLoaderVersion);
}

TEST_F(ProgrammingPassTest, ABootLoaderPassReplacesTheBootLoaderSection) {
    const std::vector<uint8_t> image = Image("BLDR", 0x0201);
    ASSERT_TRUE(Pass(image));
    BootLoaderInfo bootLoader{};
    ASSERT_TRUE(ReadBootLoaderInfo(&bootLoader));
    EXPECT_EQ(bootLoader.version, 0x0201);
    EXPECT_EQ(std::memcmp(bootLoader.signature, "NEW-SIG", 7), 0);
    EXPECT_EQ(std::memcmp(SimMcuMemory() + 0xD800, &image[0x2000], 8192), 0);
    // The firmware is still to be written: the status record is the image's.
    FirmwareStatus status{};
    EXPECT_FALSE(ReadFirmwareStatus(&status));
}

TEST_F(ProgrammingPassTest, AnUnfinishedPassInstallsNothing) {
    // The pass stops at block 7, and a later run restarts the recorder.
    StartWithArgs({"--fail", "write@0x1C20:5"});
    std::free(recorderPath);
    recorderPath = nullptr;
    ASSERT_EQ(Vkr_IsConnected(&recorderPath), 1);
    EXPECT_FALSE(Pass(Image("BLDR", 0x0201)));
    EXPECT_EQ(RestartAndReconnect(&recorderPath), RestartDone);

    EXPECT_EQ(SimMcuCurrentMode(), SimMcuProgramming);
    BootLoaderInfo bootLoader{};
    ASSERT_TRUE(ReadBootLoaderInfo(&bootLoader));
    EXPECT_EQ(bootLoader.version, SimDefaultBootLoaderVersion);
}

TEST_F(ProgrammingPassTest, ProgrammingModeTakesWritesOnlyInsideTheOpenBlock) {
    BeginBlock(FirmwareStatusAddress);
    ASSERT_EQ(RestartAndReconnect(&recorderPath), RestartDone);
    ASSERT_EQ(SimMcuCurrentMode(), SimMcuProgramming);
    const uint8_t data[32] = {1, 2, 3};

    EXPECT_FALSE(WriteMemory(0x0400, 32, data));  // no block open yet
    EXPECT_FALSE(BeginBlock(0x0420));             // not a block's start
    EXPECT_FALSE(BeginBlock(0xD400));             // past the programmable area
    EXPECT_TRUE(BeginBlock(0x0400));
    EXPECT_TRUE(WriteMemory(0x0400, 32, data));
    EXPECT_TRUE(WriteMemory(0x07E0, 32, data));
    EXPECT_FALSE(WriteMemory(0x07F0, 32, data));  // runs into the next block
    EXPECT_FALSE(WriteMemory(0x0000, 32, data));  // another block
    EXPECT_FALSE(WriteMemory(0xD400, 32, data));  // outside the area
    // Opening a block again erases it.
    EXPECT_TRUE(BeginBlock(0x0400));
    EXPECT_EQ(SimMcuMemory()[0x0400], 0xFF);
}

}  // namespace

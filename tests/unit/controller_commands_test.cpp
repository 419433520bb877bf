// The controller frames as they go over the bridge, their limits, and the
// two version records read from controller memory.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controller/commands.h"
#include "device/device_state.h"
#include "tests/support/sim_fixture.h"

namespace {

class ControllerTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        DevicePath[DevicePathDigitIndex] = '1';
    }

    // Puts `bytes` into controller memory at `address`.
    static void Poke(uint32_t address, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> memory(SimMcuMemory(), SimMcuMemory() + SimMcuMemorySize);
        std::memcpy(memory.data() + address, bytes.data(), bytes.size());
        SimMcuRestore(memory.data(), SimMcuCurrentMode());
    }
};

std::vector<uint8_t> Pattern(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

// One bridge command as the trace shows it.
struct Wire {
    std::string cdb;    // first 3 bytes
    std::string bytes;  // out (writes) or in (reads); for reads only the length matters
};

struct FrameCase {
    const char* name;
    std::function<void()> prepare;
    std::function<bool()> command;
    std::vector<Wire> wire;
};

TEST_F(ControllerTest, FramesOnTheWire) {
    static uint8_t readBuffer[64];
    static BootLoaderInfo bootLoader;
    static FirmwareStatus status;
    const std::vector<uint8_t> chunk = Pattern(32, 0x80);
    const std::string chunkHex = Hex(chunk);
    auto programmingBlock0400 = [] {
        SimMcuRestore(SimMcuMemory(), SimMcuProgramming);
        ASSERT_TRUE(BeginBlock(0x0400));
    };
    const FrameCase cases[] = {
        {"read 64 at 0xD3F5", [] {}, [] { return ReadMemory(0xD3F5, 64, readBuffer); },
         {{"c80204", "50f5d340"}, {"c80340", ""}}},
        {"read 0 reads nothing", [] {}, [] { return ReadMemory(0x1234, 0, readBuffer); },
         {{"c80204", "50341200"}}},
        {"boot-loader record", [] {}, [] { return ReadBootLoaderInfo(&bootLoader); },
         {{"c80204", "5000d809"}, {"c80309", ""}}},
        {"firmware status record", [] {}, [] { return ReadFirmwareStatus(&status); },
         {{"c80204", "50f5d30b"}, {"c8030b", ""}}},
        {"begin block at the status record", [] {}, [] { return BeginBlock(0xD3F5); },
         {{"c80203", "52f5d3"}, {"c80340", ""}}},
        {"write 32 at 0x0400", programmingBlock0400,
         [&chunk] { return WriteMemory(0x0400, 32, chunk.data()); },
         {{"c80224", "51000420" + chunkHex}, {"c80320", ""}}},
        {"restart: two bytes, no read", [] {}, [] { return RestartController(); },
         {{"c80202", "5300"}}},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimReset();
        SimTraceKeep(true);
        c.prepare();
        SimTraceClear();
        EXPECT_TRUE(c.command());
        auto commands = Commands();
        ASSERT_EQ(commands.size(), c.wire.size());
        for (size_t i = 0; i < commands.size(); ++i) {
            const SimTraceRecord& sent = *commands[i];
            EXPECT_EQ(Hex(sent.cdb, 3), c.wire[i].cdb);
            if (sent.direction == 0) {
                EXPECT_EQ(Hex(sent.out), c.wire[i].bytes);
            } else {
                EXPECT_EQ(sent.in.size(), sent.cdb[2]);
            }
            EXPECT_EQ(sent.result, 1);
        }
    }
}

TEST_F(ControllerTest, LengthsOverTheLimitSendNothing) {
    uint8_t buffer[65] = {};
    EXPECT_TRUE(ReadMemory(0, 64, buffer));
    SimTraceClear();
    EXPECT_FALSE(ReadMemory(0, 65, buffer));
    EXPECT_FALSE(WriteMemory(0xD400, 33, buffer));
    EXPECT_FALSE(ReadMemory(0, 9, nullptr));
    EXPECT_FALSE(WriteMemory(0xD400, 9, nullptr));
    EXPECT_TRUE(SimTrace().empty());
}

TEST_F(ControllerTest, AWriteOrBeginWhoseReplyCannotBeReadFails) {
    const uint8_t data[32] = {};
    // The second command, the reply's read, fails.
    StartWithArgs({"--fail-command", "2"});
    EXPECT_FALSE(WriteMemory(0xD400, 32, data));
    StartWithArgs({"--fail-command", "2"});
    EXPECT_FALSE(BeginBlock(0xD3F5));
    ASSERT_EQ(Commands().size(), 2u);
    EXPECT_EQ(Commands()[1]->cdb[1], 0x03);
}

TEST_F(ControllerTest, VersionsAreTakenInTheirOwnByteOrders) {
    // The same two bytes mean 1.2 as a boot-loader version, 2.1 as firmware.
    // The signature's bytes after a zero byte are kept: they still count.
    Poke(0xD800, {0x01, 0x02, 'V', 'K', 0x00, 'x', 'y', 'z', '!'});
    Poke(0xD3F5, {0x01, 0x02, 0, 0, 0, 0, 0, 'F', 'W', 'O', 'K'});
    BootLoaderInfo bootLoader{};
    FirmwareStatus status{};
    ASSERT_TRUE(ReadBootLoaderInfo(&bootLoader));
    ASSERT_TRUE(ReadFirmwareStatus(&status));
    EXPECT_EQ(bootLoader.version, 0x0102);
    EXPECT_EQ(status.version, 0x0201);
    const uint8_t expected[7] = {'V', 'K', 0x00, 'x', 'y', 'z', '!'};
    EXPECT_EQ(Hex(bootLoader.signature, 7), Hex(expected, 7));

    Poke(0xD800 + 5, {'q'});
    BootLoaderInfo other{};
    ASSERT_TRUE(ReadBootLoaderInfo(&other));
    EXPECT_NE(std::memcmp(bootLoader.signature, other.signature, 7), 0);
}

TEST_F(ControllerTest, OnlyTheExactMarkerIsValidAndTheBytesStayEitherWay) {
    struct MarkerCase {
        std::vector<uint8_t> marker;
        bool valid;
    };
    const MarkerCase cases[] = {
        {{'F', 'W', 'O', 'K'}, true},  {{'f', 'w', 'o', 'k'}, false},
        {{'F', 'W', 'O', 'k'}, false}, {{'F', 'W', 'O', 0}, false},
        {{'B', 'L', 'D', 'R'}, false}, {{0xFF, 0xFF, 0xFF, 0xFF}, false},
    };
    for (const MarkerCase& c : cases) {
        Poke(0xD3F5 + 7, c.marker);
        FirmwareStatus status{};
        EXPECT_EQ(ReadFirmwareStatus(&status), c.valid) << Hex(c.marker);
        EXPECT_EQ(Hex(status.marker, 4), Hex(c.marker));
        EXPECT_EQ(status.version, SimDefaultFirmwareVersion);
    }
}

TEST_F(ControllerTest, AFailedReadLeavesTheRecordAsItWas) {
    StartWithArgs({"--fail", "read@0xD800"});
    BootLoaderInfo bootLoader = {0x0304, {'a', 'b', 'c', 'd', 'e', 'f', 'g'}};
    EXPECT_FALSE(ReadBootLoaderInfo(&bootLoader));
    EXPECT_EQ(bootLoader.version, 0x0304);  // neither overwritten nor swapped
    EXPECT_EQ(bootLoader.signature[6], 'g');

    StartWithArgs({"--fail", "read@0xD3F5"});
    FirmwareStatus status = {0x0506, {1, 2, 3, 4, 5}, {'F', 'W', 'O', 'K'}};
    EXPECT_FALSE(ReadFirmwareStatus(&status));
    EXPECT_EQ(status.version, 0x0506);
    EXPECT_EQ(status.reserved[4], 5);
}

}  // namespace

// The I2C bridge: one vendor command per transfer, the 64-byte limit, and how
// the combined call chains its two halves.
#include <cstring>
#include <string>

#include "device/device_state.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

class I2CBridgeTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        DevicePath[DevicePathDigitIndex] = '1';
    }
};

// A frame the simulated controller takes: read the 9 bytes at 0xD800.
const uint8_t ReadBootLoaderFrame[4] = {0x50, 0x00, 0xD8, 0x09};

struct SingleCase {
    const char* name;
    bool receive;
    int length;  // handed in as a wider integer: only the low 8 bits count
    bool nullBuffer;
    const char* cdb;  // first 3 bytes of the command sent; nullptr: nothing sent
    uint32_t transferLength;
};

TEST_F(I2CBridgeTest, SingleTransfersSendOneCommandOrNothing) {
    const SingleCase cases[] = {
        {"send 64", false, 64, false, "c80240", 64},
        {"send 65 refused", false, 65, false, nullptr, 0},
        {"send 260 taken as 4", false, 260, false, "c80204", 4},
        {"send 0 still sends", false, 0, false, "c80200", 0},
        {"send 0 from null still sends", false, 0, true, "c80200", 0},
        {"send 5 from null refused", false, 5, true, nullptr, 0},
        {"receive 64", true, 64, false, "c80340", 64},
        {"receive 65 refused", true, 65, false, nullptr, 0},
        {"receive 320 taken as 64", true, 320, false, "c80340", 64},
        {"receive 0 still sends", true, 0, false, "c80300", 0},
        {"receive 5 into null refused", true, 5, true, nullptr, 0},
    };
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimTraceClear();
        uint8_t buffer[256] = {};
        std::memcpy(buffer, ReadBootLoaderFrame, sizeof ReadBootLoaderFrame);
        uint8_t* data = c.nullBuffer ? nullptr : buffer;
        int wide = c.length;
        int32_t result = c.receive ? Vkr_ReceiveI2C(data, wide) : Vkr_SendI2C(data, wide);

        auto commands = Commands();
        if (c.cdb == nullptr) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(SimTrace().empty());
            continue;
        }
        ASSERT_EQ(commands.size(), 1u);
        const SimTraceRecord& sent = *commands[0];
        EXPECT_EQ(Hex(sent.cdb, 16), std::string(c.cdb) + std::string(26, '0'));
        EXPECT_EQ(sent.direction, c.receive ? 1 : 0);
        EXPECT_EQ(sent.length, c.transferLength);
        // Whatever the device made of it, the result is the transport's.
        EXPECT_EQ(result, sent.result);
    }
}

TEST_F(I2CBridgeTest, SendOfTheCutLengthCarriesThatManyBytes) {
    int wide = 260;
    EXPECT_EQ(Vkr_SendI2C(ReadBootLoaderFrame, wide), 1);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Hex(Commands()[0]->out), "5000d809");
}

struct CombinedCase {
    const char* name;
    bool sendBuffer;
    int sendLength;
    bool receiveBuffer;
    int receiveLength;
    uint64_t failCommand;  // 1-based command of the call that fails, 0 for none
    int result;
    const char* subCommands;  // vendor sub-commands sent, in order
};

TEST_F(I2CBridgeTest, CombinedCallSkipsEmptyHalvesAndNeverReadsAfterAFailedWrite) {
    const CombinedCase cases[] = {
        {"both halves", true, 4, true, 9, 0, 1, "0203"},
        {"both null", false, 4, false, 9, 0, 1, ""},
        {"both zero length", true, 0, true, 0, 0, 1, ""},
        {"null send buffer: read only", false, 4, true, 9, 0, 1, "03"},
        {"zero receive length: write only", true, 4, true, 0, 0, 1, "02"},
        {"send 65 fails before anything", true, 65, true, 9, 0, 0, ""},
        {"receive 65 fails after the write", true, 4, true, 65, 0, 0, "02"},
        {"failed write: no read", true, 4, true, 9, 1, 0, "02"},
        {"failed read", true, 4, true, 9, 2, 0, "0203"},
    };
    for (const CombinedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions options;
        SimDefaultOptions(&options);
        options.failCommand = c.failCommand;
        Start(options);

        uint8_t frame[64] = {};
        std::memcpy(frame, ReadBootLoaderFrame, sizeof ReadBootLoaderFrame);
        uint8_t reply[64];
        std::memset(reply, 0xAA, sizeof reply);
        int sendLength = c.sendLength, receiveLength = c.receiveLength;
        uint8_t result = Vkr_SendReceiveI2C(c.sendBuffer ? frame : nullptr, sendLength,
                                            c.receiveBuffer ? reply : nullptr, receiveLength);
        EXPECT_EQ(result, c.result);
        std::string sent;
        for (const SimTraceRecord* r : Commands()) sent += Hex(r->cdb + 1, 1);
        EXPECT_EQ(sent, c.subCommands);
    }
}

TEST_F(I2CBridgeTest, TheReplyMayOverwriteTheFrameInOneBuffer) {
    uint8_t buffer[9] = {};
    std::memcpy(buffer, ReadBootLoaderFrame, sizeof ReadBootLoaderFrame);
    ASSERT_EQ(Vkr_SendReceiveI2C(buffer, 4, buffer, 9), 1);
    // The default recorder: boot loader 1.4, signature "VKR-BL7".
    EXPECT_EQ(Hex(buffer, 9), "0104564b522d424c37");
}

}  // namespace

// The Bulk-Only Transport's wrappers as vokari-usb-recorder reads and writes
// them, and when it must halt bulk-in after a short data-in.
#include "sim/usb/bot_wire.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/sim_fixture.h"

namespace {

// A CBW as usb-storage sends the updater's INQUIRY: tag 0x01020304, 96
// bytes in, LUN 0, all 16 command bytes.
void MakeCbw(uint8_t* cbw) {
    const uint8_t head[15] = {0x55, 0x53, 0x42, 0x43, 0x04, 0x03, 0x02, 0x01,
                              0x60, 0x00, 0x00, 0x00, 0x80, 0x00, 0x10};
    std::memcpy(cbw, head, sizeof head);
    std::memset(cbw + 15, 0, 16);
    cbw[15] = 0x12;
    cbw[19] = 96;
    cbw[30] = 0xEE;  // the last command byte reaches the recorder too
}

TEST(BotWireTest, ReadsACommandBlockWrapper) {
    uint8_t bytes[BotCbwSize];
    MakeCbw(bytes);
    BotCbw cbw;
    ASSERT_TRUE(BotParseCbw(bytes, sizeof bytes, &cbw));
    EXPECT_EQ(cbw.tag, 0x01020304u);
    EXPECT_EQ(cbw.dataLength, 96u);
    EXPECT_TRUE(cbw.dataIn);
    EXPECT_EQ(cbw.cbLength, 16);
    EXPECT_EQ(Hex(cbw.cdb, 16), "120000006000000000000000000000ee");

    // A kernel's own TEST UNIT READY: six bytes, the rest left zero.
    bytes[14] = 6;
    ASSERT_TRUE(BotParseCbw(bytes, sizeof bytes, &cbw));
    EXPECT_EQ(Hex(cbw.cdb, 16), "12000000600000000000000000000000");
}

TEST(BotWireTest, RefusesWhatIsNotAValidWrapper) {
    struct Case {
        const char* what;
        size_t size;
        int byte;
        uint8_t value;
    };
    const Case cases[] = {
        {"one byte short", BotCbwSize - 1, -1, 0},
        {"one byte long", BotCbwSize + 1, -1, 0},
        {"wrong signature", BotCbwSize, 3, 0x44},
        {"a second logical unit", BotCbwSize, 13, 1},
        {"no command bytes", BotCbwSize, 14, 0},
        {"seventeen command bytes", BotCbwSize, 14, 17},
    };
    for (const Case& c : cases) {
        uint8_t bytes[BotCbwSize + 1] = {};
        MakeCbw(bytes);
        if (c.byte >= 0) bytes[c.byte] = c.value;
        BotCbw cbw;
        EXPECT_FALSE(BotParseCbw(bytes, c.size, &cbw)) << c.what;
    }
}

TEST(BotWireTest, WritesTheStatusWrapper) {
    uint8_t csw[BotCswSize];
    BotBuildCsw(0x01020304, 512, BotFailed, csw);
    EXPECT_EQ(Hex(csw, sizeof csw), "55534253" "04030201" "00020000" "01");
}

TEST(BotWireTest, HaltsBulkInOnlyWhenAShortDataInEndsOnAPacketBoundary) {
    EXPECT_FALSE(BotHaltAfterDataIn(96, 96, 512));      // all of it
    EXPECT_FALSE(BotHaltAfterDataIn(4096, 36, 512));    // a short packet ends it
    EXPECT_TRUE(BotHaltAfterDataIn(4096, 512, 512));    // whole packets: the host would wait
    EXPECT_TRUE(BotHaltAfterDataIn(4096, 0, 512));      // nothing (a refused command)
    EXPECT_FALSE(BotHaltAfterDataIn(0, 0, 512));        // no data phase at all
    EXPECT_TRUE(BotHaltAfterDataIn(1024, 64, 64));      // full speed
}

}  // namespace

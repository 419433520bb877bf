// The simulated recorder as a plain removable disk: the commands a host's
// disk drivers send on attach and while polling, and how the host's own
// commands stay apart from the updater's in the fault plan and the trace.
#include <cstring>

#include "platform/drive.h"
#include "tests/support/sim_fixture.h"

namespace {

class SimDiskTest : public SimTest {
protected:
    // One command on the recorder's drive, as the updater would send it.
    ScsiOutcome Send(const uint8_t* cdb, uint8_t direction, uint8_t* data, uint32_t length,
                     bool host = false) {
        int handle = -1;
        EXPECT_EQ(DriveOpen("\\\\.\\PHYSICALDRIVE1", &handle), DriveOpened);
        ScsiRequest request{};
        std::memcpy(request.cdb, cdb, 16);
        request.direction = direction;
        request.data = data;
        request.length = length;
        ScsiOutcome outcome{};
        if (host)
            SimHostCommand(handle, request, &outcome);
        else
            DriveCommand(handle, request, &outcome);
        DriveClose(handle);
        return outcome;
    }
};

const uint8_t TestUnitReady[16] = {0x00};
const uint8_t PreventRemoval[16] = {0x1E, 0, 0, 0, 1};
const uint8_t RequestSense[16] = {0x03, 0, 0, 0, 18};
const uint8_t ModeSenseAll[16] = {0x1A, 0, 0x3F, 0, 192};
const uint8_t ModeSenseCaching[16] = {0x1A, 0, 0x08, 0, 192};
const uint8_t Unknown[16] = {0x9E, 0x10};  // READ CAPACITY(16): not this controller's
const uint8_t Inquiry[16] = {0x12, 0, 0, 0, 36};

TEST_F(SimDiskTest, AnswersTheCommandsOfARemovableDisk) {
    uint8_t data[192];
    EXPECT_EQ(Send(TestUnitReady, ScsiDataOut, nullptr, 0).status, 0);
    EXPECT_EQ(Send(PreventRemoval, ScsiDataOut, nullptr, 0).status, 0);

    std::memset(data, 0xAA, sizeof data);
    ScsiOutcome mode = Send(ModeSenseAll, ScsiDataIn, data, sizeof data);
    ASSERT_TRUE(mode.carriedOut);
    EXPECT_EQ(mode.status, 0);
    EXPECT_EQ(mode.residual, sizeof data - 4);
    EXPECT_EQ(Hex(data, 4), "03000000");  // no pages, not write protected

    // Nothing went wrong yet: REQUEST SENSE says NO SENSE, in fixed format.
    ScsiOutcome sense = Send(RequestSense, ScsiDataIn, data, 18);
    EXPECT_EQ(sense.status, 0);
    EXPECT_EQ(sense.residual, 0u);
    EXPECT_EQ(Hex(data, 18), "700000000000000a" "00000000" "00" "0000000000");
}

TEST_F(SimDiskTest, RequestSenseFetchesTheLastRefusalOnce) {
    struct Case {
        const uint8_t* cdb;
        const char* sense;
    };
    const Case cases[] = {
        {Unknown, "700005000000000a" "00000000" "20" "0000000000"},           // invalid opcode
        {ModeSenseCaching, "700005000000000a" "00000000" "24" "0000000000"},  // invalid field
    };
    uint8_t data[192];
    for (const Case& c : cases) {
        ScsiOutcome refused = Send(c.cdb, ScsiDataIn, data, sizeof data);
        EXPECT_EQ(refused.status, 0x02);
        EXPECT_EQ(Hex(refused.sense, 18), c.sense);
        ASSERT_EQ(Send(RequestSense, ScsiDataIn, data, 18).status, 0);
        EXPECT_EQ(Hex(data, 18), c.sense);
        Send(RequestSense, ScsiDataIn, data, 18);
        EXPECT_EQ(data[2], 0x00) << "the sense is gone once fetched";
    }

    // A success in between clears it as well.
    Send(Unknown, ScsiDataIn, data, sizeof data);
    Send(TestUnitReady, ScsiDataOut, nullptr, 0);
    Send(RequestSense, ScsiDataIn, data, 18);
    EXPECT_EQ(data[2], 0x00);
}

TEST_F(SimDiskTest, HostCommandsAreTracedApartAndLeaveTheFaultPlanToTheUpdater) {
    StartWithArgs({"--fail", "inquiry", "--fail-command", "2"});
    SimTraceKeep(true);
    uint8_t data[36];
    // The host's INQUIRY neither meets the inquiry rule nor takes a number.
    EXPECT_EQ(Send(Inquiry, ScsiDataIn, data, 36, true).status, 0);
    EXPECT_EQ(Send(TestUnitReady, ScsiDataOut, nullptr, 0, true).status, 0);
    EXPECT_EQ(SimCommandCount(), 0u);
    EXPECT_EQ(Send(Inquiry, ScsiDataIn, data, 36).status, 0x02);  // the rule meets command 1
    EXPECT_EQ(Send(TestUnitReady, ScsiDataOut, nullptr, 0).status, 0x02);  // command 2
    EXPECT_EQ(Send(TestUnitReady, ScsiDataOut, nullptr, 0).status, 0);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_TRUE(commands[0]->host);
    EXPECT_TRUE(commands[1]->host);
    EXPECT_FALSE(commands[2]->host);
    EXPECT_FALSE(commands[4]->host);
}

}  // namespace

// Writing a whole image: the frames of a pass, the marks, the pauses on the
// virtual clock, and what retries and failed steps leave behind.
#include <cstring>
#include <string>
#include <vector>

#include "controller/commands.h"
#include "controller/programming.h"
#include "device/device_state.h"
#include "tests/support/sim_fixture.h"

namespace {

constexpr uint32_t ImageBytes = 64512;
constexpr uint32_t ProgrammableBytes = 53 * 1024;
constexpr uint64_t CleanPassPauseMs = 1749 * 50;

std::string marks;
void CollectMark(char mark) { marks += mark; }

// Every byte tells its offset apart from its neighbours' and its block's;
// the part that must never be sent is a value no other byte has.
std::vector<uint8_t> TestImage() {
    std::vector<uint8_t> image(ImageBytes);
    for (uint32_t i = 0; i < ImageBytes; ++i)
        image[i] = static_cast<uint8_t>((i * 7 + (i >> 10)) % 0xEE);
    for (uint32_t i = ProgrammableBytes; i < ImageBytes; ++i) image[i] = 0xEE;
    std::memcpy(image.data() + 0xD3F5 + 7, "FWOK", 4);
    return image;
}

// A frame as sent: its letter and address.
struct Frame {
    char letter;
    uint32_t address;
    std::vector<uint8_t> data;  // 'Q' only
    bool operator==(const Frame&) const = default;
};

class ProgrammingTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        marks.clear();
        image = TestImage();
    }

    // The recorder as the pass finds it: restarted into programming mode.
    static void EnterProgrammingMode() {
        DevicePath[DevicePathDigitIndex] = '1';
        SimMcuRestore(SimMcuMemory(), SimMcuProgramming);
        SimTraceClear();
    }

    // The frames carried by the bridge's writes, failed attempts included.
    static std::vector<Frame> FramesSent() {
        std::vector<Frame> frames;
        for (const SimTraceRecord* r : Commands()) {
            if (r->cdb[1] != 0x02 || r->out.size() < 3) continue;
            uint32_t address = r->out[1] | r->out[2] << 8;
            Frame f{static_cast<char>(r->out[0]), address, {}};
            if (f.letter == 'Q') f.data.assign(r->out.begin() + 4, r->out.end());
            frames.push_back(f);
        }
        return frames;
    }

    std::vector<uint8_t> image;
};

TEST_F(ProgrammingTest, ACleanPassSendsTheProgrammableAreaInOrder) {
    EnterProgrammingMode();
    std::vector<uint8_t> before(SimMcuMemory(), SimMcuMemory() + SimMcuMemorySize);

    ASSERT_TRUE(ProgramImage(image.data(), CollectMark));

    std::vector<Frame> expected;
    for (uint32_t block = 0; block < 53; ++block) {
        expected.push_back({'R', block * 1024, {}});
        for (uint32_t address = block * 1024; address < (block + 1) * 1024; address += 32)
            expected.push_back({'Q', address, {&image[address], &image[address] + 32}});
    }
    std::vector<Frame> sent = FramesSent();
    ASSERT_EQ(sent.size(), 53u + 1696u);
    EXPECT_TRUE(sent == expected);
    // Spelled out: block 1 starts at 0x0400 with the image's bytes from
    // there; the last chunk ends at the end of the programmable area.
    EXPECT_EQ(sent[34], (Frame{'Q', 0x0400, {&image[0x0400], &image[0x0420]}}));
    EXPECT_EQ(sent.back().address, ProgrammableBytes - 32);

    EXPECT_EQ(marks, std::string(53, '.'));
    EXPECT_EQ(SimPausedMs(), CleanPassPauseMs);
    // Controller memory: the programmable area is the image's, what lies
    // beyond it untouched.
    EXPECT_EQ(std::memcmp(SimMcuMemory(), image.data(), ProgrammableBytes), 0);
    EXPECT_EQ(std::memcmp(SimMcuMemory() + ProgrammableBytes, before.data() + ProgrammableBytes,
                          SimMcuMemorySize - ProgrammableBytes),
              0);
}

struct RetryCase {
    const char* name;
    const char* fault;  // --fail rule
    bool result;
    std::string marks;
    uint64_t pausedMs;
    size_t framesSent;  // failed attempts included
    Frame lastFrame;    // address and letter only
};

TEST_F(ProgrammingTest, FailedAttemptsAreRetriedUpToFiveTimes) {
    const uint32_t block7 = 7 * 1024;
    const uint64_t beforeBlock7 = 7 * 33 * 50;
    const std::string seven(7, '.'), rest(46, '.');
    const RetryCase cases[] = {
        {"chunk fails twice, then goes", "write@0x1C20:2", true, seven + "!!" + rest,
         CleanPassPauseMs + 2 * 550, 1749 + 2, {'Q', ProgrammableBytes - 32, {}}},
        {"opening of block 7 fails five times", "begin@0x1C00:5", false, seven + "!!!!!",
         beforeBlock7 + 5 * 550, 7 * 33 + 5, {'R', block7, {}}},
        {"a chunk of block 7 fails five times", "write@0x1C20:5", false, seven + "!!!!!.",
         beforeBlock7 + 2 * 50 + 5 * 550, 7 * 33 + 2 + 5, {'Q', block7 + 32, {}}},
        {"the fifth attempt succeeds", "begin@0x1C00:4", true, seven + "!!!!" + rest,
         CleanPassPauseMs + 4 * 550, 1749 + 4, {'Q', ProgrammableBytes - 32, {}}},
    };
    for (const RetryCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartWithArgs({"--fail", c.fault});
        EnterProgrammingMode();
        marks.clear();

        EXPECT_EQ(ProgramImage(image.data(), CollectMark), c.result);
        EXPECT_EQ(marks, c.marks);
        EXPECT_EQ(SimPausedMs(), c.pausedMs);
        std::vector<Frame> sent = FramesSent();
        ASSERT_EQ(sent.size(), c.framesSent);
        EXPECT_EQ(sent.back().letter, c.lastFrame.letter);
        EXPECT_EQ(sent.back().address, c.lastFrame.address);
    }
}

TEST_F(ProgrammingTest, AFailedAttemptIsMarkedAfterItsLongPause) {
    StartWithArgs({"--fail", "begin@0x0000:1"});
    EnterProgrammingMode();
    std::vector<uint64_t> pausedAtMark;
    static std::vector<uint64_t>* record;
    record = &pausedAtMark;
    ASSERT_TRUE(ProgramImage(image.data(), [](char) { record->push_back(SimPausedMs()); }));
    ASSERT_FALSE(pausedAtMark.empty());
    EXPECT_EQ(pausedAtMark[0], 500u);            // the '!': after 500 ms, before the 50
    EXPECT_EQ(pausedAtMark[1], 550u + 33 * 50);  // block 0's '.'
}

TEST_F(ProgrammingTest, WithoutProgrammingModeTheFirstBlockIsRefused) {
    // The pass forgot BeginBlock at the status record and the restart.
    DevicePath[DevicePathDigitIndex] = '1';
    EXPECT_FALSE(ProgramImage(image.data(), CollectMark));
    EXPECT_EQ(marks, "!!!!!");
    EXPECT_EQ(SimMcuMemory()[0], 0xFF);
}

TEST_F(ProgrammingTest, NoImageSendsNothing) {
    EnterProgrammingMode();
    EXPECT_FALSE(ProgramImage(nullptr, CollectMark));
    EXPECT_TRUE(SimTrace().empty());
    EXPECT_EQ(marks, "");
}

}  // namespace

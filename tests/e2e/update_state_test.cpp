// What an update leaves in the recorder, read from the simulator's state file
// (sim/sim_state.h), and what the next run makes of it.
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/e2e/update_run.h"

namespace {

constexpr size_t MemorySize = 65536;
constexpr size_t ProgrammableSize = 53 * 1024;
constexpr size_t BootLoaderAddress = 0xD800;
constexpr size_t BootLoaderSize = 8192;
// The simulator's flash: 2,048 blocks of 64 pages of 2,048 bytes; the first
// 512 blocks hold the 64 MiB that the erase leaves alone.
constexpr uint32_t FlashBlocks = 2048;
constexpr uint32_t ProtectedBlocks = 512;

struct SavedRecorder {
    std::vector<uint8_t> memory = std::vector<uint8_t>(MemorySize, 0xFF);
    std::string mode;
    std::map<uint32_t, uint32_t> eraseCounts;
};

bool ParseHex(const std::string& hex, std::vector<uint8_t>* bytes) {
    if (hex.size() % 2 != 0) return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) return false;
        bytes->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

// Memory lines that are all 0xFF are left out of the file: memory starts
// erased here too.
bool LoadState(const std::string& path, SavedRecorder* saved, std::string* error) {
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line) || line != "vokari-sim-state 1") {
        *error = "no state file header";
        return false;
    }
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "mode") {
            words >> saved->mode;
        } else if (keyword == "memory") {
            size_t address = 0;
            std::string hex;
            std::vector<uint8_t> bytes;
            if (!(words >> address >> hex) || !ParseHex(hex, &bytes) ||
                address + bytes.size() > MemorySize) {
                *error = "bad line: " + line;
                return false;
            }
            std::copy(bytes.begin(), bytes.end(), saved->memory.begin() + static_cast<long>(address));
        } else if (keyword == "erased") {
            uint32_t block = 0, count = 0;
            if (!(words >> block >> count)) {
                *error = "bad line: " + line;
                return false;
            }
            saved->eraseCounts[block] = count;
        }
    }
    return true;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The first address from `from` on, below `from + size`, at which the two
// differ; "none" when they agree.
std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                            size_t from, size_t size) {
    for (size_t i = from; i < from + size; ++i) {
        if (a[i] == b[i]) continue;
        char where[64];
        std::snprintf(where, sizeof where, "0x%04zx: %02x, not %02x", i, a[i], b[i]);
        return where;
    }
    return "none";
}

// Every block from the 64 MiB mark to the end erased exactly once, none
// below it: the blocks that are not so, with their counts.
std::string EraseCountsOtherThanOnceAboveTheMark(std::map<uint32_t, uint32_t> counts) {
    std::string wrong;
    for (uint32_t block = 0; block < FlashBlocks; ++block) {
        uint32_t expected = block >= ProtectedBlocks ? 1 : 0;
        uint32_t count = counts.count(block) != 0 ? counts[block] : 0;
        if (count != expected)
            wrong += "block " + std::to_string(block) + " erased " + std::to_string(count) + "x; ";
        counts.erase(block);
    }
    for (const auto& [block, count] : counts)
        wrong += "block " + std::to_string(block) + " (beyond the flash) erased; ";
    return wrong;
}

using UpdateStateTest = UpdateTest;

TEST_F(UpdateStateTest, TheRecorderHoldsTheNewImagesAndIsNotOfferedThemAgain) {
    const std::string state = Scratch("state");
    UpdateRun update{{"--state", state},
                     {},
                     {{text::Versions(SimBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
                      {text::ConfirmErase, "l"},
                      {text::ConfirmBootLoader(SimBootLoader), "y"},
                      {text::BootLoaderPass + text::FirmwarePass + text::Erase + text::Finish, "x"}}};
    ASSERT_EQ(Play(update), 0);

    PtyProcess tool;
    const std::string plainPath = Scratch("fwc.plain");
    ASSERT_TRUE(tool.Start(VKR_IMAGE_TOOL,
                           {"unscramble", std::string(VKR_IMAGES_DIR) + "/fwc.bin", plainPath},
                           NoTerminal()));
    ASSERT_EQ(tool.WaitExit(), 0) << tool.Output();
    const std::vector<uint8_t> image = FileBytes(plainPath);
    ASSERT_GE(image.size(), BootLoaderAddress + BootLoaderSize);

    SavedRecorder saved;
    std::string error;
    ASSERT_TRUE(LoadState(state, &saved, &error)) << error;
    EXPECT_EQ(saved.mode, "running");
    // The firmware pass came last and wrote the whole programmable area; the
    // boot-loader section came with the boot-loader image's pass.
    EXPECT_EQ(FirstDifference(saved.memory, image, 0, ProgrammableSize), "none");
    EXPECT_EQ(FirstDifference(saved.memory, image, BootLoaderAddress, BootLoaderSize), "none");

    EXPECT_EQ(EraseCountsOtherThanOnceAboveTheMark(saved.eraseCounts), "");

    UpdateRun again{{"--state", state},
                    {},
                    {{text::Versions(ImageBootLoader, ImageFirmware) + text::Closing(msg::NothingNewer),
                      "x"}}};
    EXPECT_EQ(Play(again), 0);
    EXPECT_EQ(Outline(), "P:d800 P:d3f5 Q:f800");
}

// A firmware pass that stops after opening its last block leaves the status
// record erased: the recorder will not start, and the next run must offer
// the firmware again rather than call 255.255 up to date.
TEST_F(UpdateStateTest, ARecorderLeftWithoutFirmwareIsOfferedTheUpdate) {
    const std::string state = Scratch("state");
    UpdateRun broken{{"--state", state, "--bootloader", "1.5", "--fail", "write@0xD3E0:5"},
                     {},
                     {{text::Versions(ImageBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
                      {text::ConfirmErase, "l"},
                      {msg::ReplacingFirmware + text::Marks(PassMarks - 1) + text::Marks(5, '!') +
                           text::Marks(1) + text::PassFailed,
                       "x"}}};
    ASSERT_EQ(Play(broken), 2);

    UpdateRun again{{"--state", state},
                    {},
                    {{text::BootLoaderVersion(ImageBootLoader) + text::FirmwareUnavailable +
                          text::ConfirmLoad(),
                      "y"},
                     {text::ConfirmErase, "l"},
                     {text::FirmwarePass + msg::ErasingMemory + text::Finish, "x"}}};
    EXPECT_EQ(Play(again), 0);
    EXPECT_EQ(Outline(), "P:d800 P:d3f5 R:d3f5 S W53 S");
    SavedRecorder saved;
    std::string error;
    ASSERT_TRUE(LoadState(state, &saved, &error)) << error;
    EXPECT_EQ(saved.mode, "running");
}

// The program on the PC may be ended at any time; the recorder keeps what was
// written to it all the same. Stopped at the first erase command, after both
// passes, and ended there by each signal that ends it.
TEST_F(UpdateStateTest, ARecorderKeepsWhatWasWrittenWhenASignalEndsTheProgram) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        const std::string state = Scratch("state" + std::to_string(signalNumber));
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, {"--state", state, "--stop-at", "erase"}));
        const std::string upToTheErase =
            text::Banner + text::Versions(SimBootLoader, SimFirmware) + text::ConfirmLoad();
        ASSERT_TRUE(p.WaitFor(upToTheErase));
        p.Press("y");
        ASSERT_TRUE(p.WaitFor(text::ConfirmErase));
        p.Press("l");
        ASSERT_TRUE(p.WaitFor(text::ConfirmBootLoader(SimBootLoader)));
        p.Press("y");
        ASSERT_TRUE(p.WaitStopped());
        EXPECT_EQ(p.Output(), upToTheErase + text::ConfirmErase + text::ConfirmBootLoader(SimBootLoader) +
                                  text::BootLoaderPass + text::FirmwarePass + msg::ErasingMemory + ".");
        kill(p.Pid(), signalNumber);
        p.Continue();
        EXPECT_EQ(p.WaitExit(), 128 + signalNumber);

        UpdateRun again{{"--state", state},
                        {},
                        {{text::Versions(ImageBootLoader, ImageFirmware) +
                              text::Closing(msg::NothingNewer),
                          "x"}}};
        EXPECT_EQ(Play(again), 0);
    }
}

}  // namespace

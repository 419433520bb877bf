// An update cut off and then run again on the same recorder (its state file):
// the second run must leave it running the new boot loader and firmware,
// whether the recorder kept its power in between or was unplugged.
#include <signal.h>

#include <fstream>
#include <string>

#include "tests/e2e/update_run.h"

namespace {

const std::vector<Turn> UpToThePasses = {
    {text::Versions(SimBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
    {text::ConfirmErase, "l"},
    {text::ConfirmBootLoader(SimBootLoader), "y"}};

// The mode the recorder was last in: the file holds changes in the order
// they came, so the last line that names one counts.
std::string LastMode(const std::string& statePath) {
    std::ifstream file(statePath);
    std::string line, mode;
    while (std::getline(file, line))
        if (line.compare(0, 5, "mode ") == 0) mode = line.substr(5);
    return mode;
}

class UpdateResumeTest : public UpdateTest {
protected:
    // The number of a command of the clean run, as --fail-command counts:
    // the `occurrence`th frame that starts with `frameHex`, plus `after`.
    uint64_t CleanRunCommand(const std::string& frameHex, int occurrence, int after = 0) {
        UpdateRun clean{{}, {}, UpToThePasses};
        clean.turns.push_back({text::BootLoaderPass + text::FirmwarePass + text::Erase + text::Finish, "x"});
        if (Play(clean) != 0) return 0;
        const uint64_t number = CommandNumberOfFrame(ReadTrace(TracePath()), frameHex, occurrence);
        return number == 0 ? 0 : number + static_cast<uint64_t>(after);
    }
};

// Cut where the whole firmware went in but was never started: the reply of
// its last chunk (the chunk with the status record was stored), or the
// restart after it. The recorder waits in its boot loader under a status
// record that names the new version.
struct Cut {
    const char* name;
    const char* frame;
    int occurrence;
    int after;  // 1: the reply read that follows the frame's write
    std::string ending;
    bool powerCycled;  // unplugged and plugged in again before the second run
};

void PrintTo(const Cut& c, std::ostream* os) { *os << c.name; }

const std::string LastChunkLost = text::BootLoaderPass + msg::ReplacingFirmware +
                                  text::Marks(PassMarks - 1) + text::Marks(5, '!') + text::Marks(1) +
                                  text::PassFailed;
const std::string ClosingRestartLost =
    text::BootLoaderPass + text::FirmwarePass + text::Unfinished(msg::RecorderDidNotRestart);

const Cut Cuts[] = {
    {"LastChunkReplyLost", "51e0d320", 2, 1, LastChunkLost, false},
    {"ClosingRestartLost", "53", 4, 0, ClosingRestartLost, false},
    {"LastChunkReplyLostThenUnplugged", "51e0d320", 2, 1, LastChunkLost, true},
    {"ClosingRestartLostThenUnplugged", "53", 4, 0, ClosingRestartLost, true},
};

class UpdateCutTest : public UpdateResumeTest, public ::testing::WithParamInterface<Cut> {};

TEST_P(UpdateCutTest, TheNextRunLeavesTheNewFirmwareRunning) {
    const Cut& c = GetParam();
    const uint64_t number = CleanRunCommand(c.frame, c.occurrence, c.after);
    ASSERT_NE(number, 0u);
    const std::string state = Scratch("state");
    UpdateRun cut{{"--state", state, "--fail-command", std::to_string(number) + ":4000000000"},
                  {},
                  UpToThePasses};
    cut.turns.push_back({c.ending, "x"});
    ASSERT_EQ(Play(cut), 2);
    ASSERT_EQ(LastMode(state), "programming");

    const std::string versions = text::Versions(ImageBootLoader, ImageFirmware);
    UpdateRun again{{"--state", state}, {}, {}};
    if (c.powerCycled) {
        // Powered up under a valid status record, it starts the firmware.
        again.simOptions.push_back("--power-cycled");
        again.turns = {{versions + text::Closing(msg::NothingNewer), "x"}};
    } else {
        again.turns = {{versions + msg::FirmwareNotRunning + text::ConfirmLoad(), "y"},
                       {text::ConfirmErase, "l"},
                       {text::FirmwarePass + text::Erase + text::Finish, "x"}};
    }
    EXPECT_EQ(Play(again), 0);
    EXPECT_EQ(LastMode(state), "running");
}

INSTANTIATE_TEST_SUITE_P(, UpdateCutTest, ::testing::ValuesIn(Cuts),
                         [](const ::testing::TestParamInfo<Cut>& test) { return test.param.name; });

// The program killed outright: nothing of it runs at the end, yet the state
// file holds every change the recorder saw up to the kill.
TEST_F(UpdateResumeTest, AKilledRunLeavesTheRecorderAsItWasAtTheKill) {
    struct Kill {
        const char* frame;
        int occurrence;
        const char* secondRunShows;  // after the boot-loader version
        Version bootLoader;
    };
    // In the boot-loader pass (block 7), and just before the closing restart.
    const Kill kills[] = {{"51001c20", 1, msg::CurrentFirmwareUnavailable, SimBootLoader},
                          {"53", 4, nullptr, ImageBootLoader}};
    for (const Kill& k : kills) {
        SCOPED_TRACE(k.occurrence);
        const uint64_t number = CleanRunCommand(k.frame, k.occurrence);
        ASSERT_NE(number, 0u);
        const std::string state = Scratch("killed" + std::to_string(k.occurrence));
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, {"--state", state, "--kill-at", std::to_string(number)}));
        for (const Turn& turn : UpToThePasses) {
            ASSERT_TRUE(p.WaitFor(turn.shown));
            p.Press(turn.key);
        }
        EXPECT_EQ(p.WaitExit(), 128 + SIGKILL);

        UpdateRun again{{"--state", state}, {}, {}};
        if (k.secondRunShows != nullptr) {
            again.turns = {{text::BootLoaderVersion(k.bootLoader) + k.secondRunShows + text::ConfirmLoad(), "y"},
                           {text::ConfirmErase, "l"},
                           {text::ConfirmBootLoader(k.bootLoader), "y"},
                           {text::BootLoaderPass + text::FirmwarePass + msg::ErasingMemory + text::Finish,
                            "x"}};
        } else {
            again.turns = {{text::Versions(k.bootLoader, ImageFirmware) + msg::FirmwareNotRunning +
                                text::ConfirmLoad(),
                            "y"},
                           {text::ConfirmErase, "l"},
                           {text::FirmwarePass + text::Erase + text::Finish, "x"}};
        }
        EXPECT_EQ(Play(again), 0);
        EXPECT_EQ(LastMode(state), "running");
    }
}

// The recorder loses its power in the middle of the firmware pass and comes
// back in its boot loader: the run says the update is not finished, and the
// next one finishes it.
TEST_F(UpdateResumeTest, APowerLossInThePassIsFinishedByTheNextRun) {
    const uint64_t number = CleanRunCommand("51000020", 2);
    ASSERT_NE(number, 0u);
    const std::string state = Scratch("state");
    UpdateRun cut{{"--state", state, "--power-loss-at", std::to_string(number)}, {}, UpToThePasses};
    cut.turns.push_back({text::BootLoaderPass + msg::ReplacingFirmware + text::Marks(5, '!') +
                             text::Marks(1) + text::PassFailed,
                         "x"});
    ASSERT_EQ(Play(cut), 2);

    UpdateRun again{{"--state", state},
                    {},
                    {{text::BootLoaderVersion(ImageBootLoader) + text::FirmwareUnavailable +
                          text::ConfirmLoad(),
                      "y"},
                     {text::ConfirmErase, "l"},
                     {text::FirmwarePass + msg::ErasingMemory + text::Finish, "x"}}};
    EXPECT_EQ(Play(again), 0);
    EXPECT_EQ(LastMode(state), "running");
}

}  // namespace

// Every way the update can end on the simulated recorder: done, declined at
// each prompt, refused, a programming pass failed, a restart that never
// completed, an erase that failed. Each checked byte for byte, with its exit
// code and what reached the controller.
#include "tests/e2e/update_run.h"

namespace {

struct WayOut {
    const char* name;
    UpdateRun run;
    int exitCode;
    const char* outline;  // TraceOutline of the run
};

void PrintTo(const WayOut& c, std::ostream* os) { *os << c.name; }

const std::string Offer = text::Versions(SimBootLoader, SimFirmware) + text::ConfirmLoad();
const std::string BootLoaderPrompt = text::ConfirmBootLoader(SimBootLoader);
// The chunk at 0x1C00 opens block 7: a step that fails there fails on its
// fifth attempt, after the seven blocks before it and its own opening.
const std::string FailedAtBlock7 = text::Marks(7) + text::Marks(5, '!') + text::Marks(1);

const WayOut WaysOut[] = {
    {"FullUpdate",
     {{},
      {},
      {{Offer, "Y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "Y"},
       {text::BootLoaderPass + text::FirmwarePass + text::Erase + text::Finish, "x"}}},
     0,
     "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W53 S E24"},

    // Only y/Y and l/L go on; anything else ends the run there and then.
    {"FirstPromptL", {{}, {}, {{Offer, "L"}}}, 0, "P:d800 P:d3f5"},
    {"FirstPromptEsc", {{}, {}, {{Offer, KeyEscape}}}, 0, "P:d800 P:d3f5"},
    {"SecondPromptY", {{}, {}, {{Offer, "y"}, {text::ConfirmErase, "Y"}}}, 0, "P:d800 P:d3f5"},
    {"SecondPromptEsc", {{}, {}, {{Offer, "y"}, {text::ConfirmErase, KeyEscape}}}, 0, "P:d800 P:d3f5"},
    {"BootLoaderPromptEsc",
     {{}, {}, {{Offer, "y"}, {text::ConfirmErase, "L"}, {BootLoaderPrompt, KeyEscape}}},
     0,
     "P:d800 P:d3f5"},

    {"BootLoaderNotRead",
     {{"--fail", "read@0xD800"}, {}, {{text::Closing(msg::BootLoaderNotFound), "x"}}},
     2,
     "P:d800!"},
    // The signature is checked before the firmware is even read.
    {"SignatureDiffers",
     {{"--signature", "OTHER1"},
      {},
      {{text::BootLoaderVersion(SimBootLoader) + text::Closing(msg::BootLoaderNotCompatible), "x"}}},
     2,
     "P:d800"},
    {"SignatureDiffersInDiagnosticMode",
     {{"--signature", "OTHER1"}, {"DIAG"}, {{Offer, "n"}}},
     0,
     "P:d800 P:d3f5"},

    // No restart after a failed pass, and the firmware is not touched.
    {"BootLoaderPassFails",
     {{"--fail", "write@0x1C00:5"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + FailedAtBlock7 + text::PassFailed, "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S W8!5"},

    // The restart before the boot-loader pass is the first to time out.
    {"RecorderNeverComesBack",
     {{"--no-return"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Closing(msg::RecorderDidNotComeBack), "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S"},
    // Back, but under another drive: not the recorder this run is watching.
    {"RecorderComesBackOnAnotherDrive",
     {{"--return-on", "3"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Closing(msg::RecorderDidNotComeBack), "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S"},
    // A restart frame that fails never restarts the recorder: it stays.
    {"RestartFrameLost",
     {{"--fail", "restart"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Closing(msg::RecorderDidNotRestart), "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S!"},

    // One failed erase command: the others still go out, and the line ends
    // in "Failed" rather than "OK".
    {"EraseFails",
     {{"--fail", "erase@32768"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {text::BootLoaderPass + text::FirmwarePass + msg::ErasingMemory + text::Marks(EraseMarks) +
            msg::ProgressFailed + text::Finish,
        "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W53 S E24"},
    // A flash geometry with no units locates no block: nothing is erased,
    // and the run does not count as done.
    {"EraseWithoutGeometry",
     {{"--bootloader", "1.5", "--flash", "0:2048:64:2048"},
      {},
      {{text::Versions(ImageBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
       {text::ConfirmErase, "l"},
       {text::FirmwarePass + msg::ErasingMemory + text::Finish, "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S W53 S"},
};

class UpdateWaysOutTest : public UpdateTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(UpdateWaysOutTest, EndsAsExpected) {
    const WayOut& c = GetParam();
    EXPECT_EQ(Play(c.run), c.exitCode);
    EXPECT_EQ(Outline(), c.outline);
}

INSTANTIATE_TEST_SUITE_P(, UpdateWaysOutTest, ::testing::ValuesIn(WaysOut),
                         [](const ::testing::TestParamInfo<WayOut>& test) { return test.param.name; });

using UpdateFirmwarePassTest = UpdateTest;

// Both passes write the same addresses, and a --fail rule fails the first
// commands that match it, so no such rule can spare the boot-loader pass and
// still fail the firmware pass. The virtual clock makes every run the same
// command for command, though: a clean run gives the number of the firmware
// pass's write to 0x1C00, and --fail-command fails exactly that command and
// the four after it, which are the write's four further attempts (a write
// that fails is not followed by its read).
TEST_F(UpdateFirmwarePassTest, AFailedFirmwarePassEndsWithoutRestartOrErase) {
    const std::vector<Turn> upToThePasses = {
        {Offer, "y"}, {text::ConfirmErase, "l"}, {BootLoaderPrompt, "y"}};
    UpdateRun clean{{}, {}, upToThePasses};
    clean.turns.push_back({text::BootLoaderPass + text::FirmwarePass + text::Erase + text::Finish, "x"});
    ASSERT_EQ(Play(clean), 0);
    const uint64_t write = CommandNumberOfFrame(ReadTrace(TracePath()), "51001c20", 2);
    ASSERT_NE(write, 0u) << "no second write to 0x1C00 in the clean run";

    UpdateRun failing{{"--fail-command", std::to_string(write) + ":5"}, {}, upToThePasses};
    failing.turns.push_back(
        {text::BootLoaderPass + msg::ReplacingFirmware + FailedAtBlock7 + text::PassFailed, "x"});
    EXPECT_EQ(Play(failing), 2);
    EXPECT_EQ(Outline(), "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W8!5");
}

}  // namespace

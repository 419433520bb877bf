// Every way the update can end on the simulated recorder: done, declined at
// each prompt, refused, a programming pass failed, a restart that never
// completed, an erase that failed. Each checked byte for byte, with its exit
// code and what reached the controller.
#include "tests/e2e/update_run.h"

namespace {

// Named with the fix of the system the program is built for: the Windows
// build's runs under a launcher (Wine).
std::string BackRefusingUs() {
    std::string back = "\r\nERROR: Recorder came back after restart, but cannot be opened.\r\n";
    if (SimUnderTest().launcher.empty())
        return back + "No permission to open /dev/sg1: run as root, or install the udev rule (see README).\n";
    return back +
           "No permission to open \\\\.\\PHYSICALDRIVE1: run the program as administrator (see README).\n";
}

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
       {msg::ReplacingBootLoader + text::Unfinished(msg::RecorderDidNotComeBack), "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S"},
    // Back, but under another drive: not the recorder this run is watching.
    {"RecorderComesBackOnAnotherDrive",
     {{"--return-on", "3"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Unfinished(msg::RecorderDidNotComeBack), "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S"},
    // Back, but its node refuses us: named, not reported as gone.
    {"RecorderComesBackRefusingUs",
     {{"--return-denied"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Unfinished(BackRefusingUs().c_str()),
        "x"}}},
     2,
     "P:d800 P:d3f5 R:d3f5 S"},
    // A restart frame that fails never restarts the recorder: it stays.
    {"RestartFrameLost",
     {{"--fail", "restart"},
      {},
      {{Offer, "y"},
       {text::ConfirmErase, "l"},
       {BootLoaderPrompt, "y"},
       {msg::ReplacingBootLoader + text::Unfinished(msg::RecorderDidNotRestart), "x"}}},
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
    // the line says so, and the run does not count as done.
    {"EraseWithoutGeometry",
     {{"--bootloader", "1.5", "--flash", "0:2048:64:2048"},
      {},
      {{text::Versions(ImageBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
       {text::ConfirmErase, "l"},
       {text::FirmwarePass + msg::ErasingMemory + msg::ProgressFailed + text::Finish, "x"}}},
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

// Faults that a --fail rule cannot stage: it fails the first commands that
// match it, and the boot-loader pass, which comes first, sends the same
// frames as the firmware pass and the restarts around it. The virtual clock
// makes every run the same command for command, though: a clean run's trace
// gives the number of the command to fail, and --fail-command fails exactly
// that one and the COUNT - 1 after it.
struct LaterFault {
    const char* name;
    const char* frame;  // the failing frame's first bytes, in hex
    int occurrence;     // which of the frames that start so
    int count;
    std::string ending;  // the output from the passes on, up to the key
    const char* outline;
};

void PrintTo(const LaterFault& c, std::ostream* os) { *os << c.name; }

const LaterFault LaterFaults[] = {
    // Five failed commands are the write's five attempts: a write that
    // fails is not followed by its read.
    {"FirmwarePassFails", "51001c20", 2, 5,
     text::BootLoaderPass + msg::ReplacingFirmware + FailedAtBlock7 + text::PassFailed,
     "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W8!5"},
    // The restarts after each pass: the second and the fourth.
    {"RestartAfterTheBootLoaderPassLost", "53", 2, 1,
     text::BootLoaderPass + text::Unfinished(msg::RecorderDidNotRestart),
     "P:d800 P:d3f5 R:d3f5 S W53 S!"},
    // Nothing is erased on a recorder that has not come back.
    {"RestartAfterTheFirmwarePassLost", "53", 4, 1,
     text::BootLoaderPass + text::FirmwarePass + text::Unfinished(msg::RecorderDidNotRestart),
     "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W53 S!"},
    // The probe right after the lost frame fails too, on a recorder that
    // stays attached (in programming mode): an error is not a restart.
    {"RestartAfterTheFirmwarePassLostAndAProbeFails", "53", 4, 2,
     text::BootLoaderPass + text::FirmwarePass + text::Unfinished(msg::RecorderDidNotRestart),
     "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W53 S!"},
};

class UpdateLaterFaultTest : public UpdateTest, public ::testing::WithParamInterface<LaterFault> {};

TEST_P(UpdateLaterFaultTest, EndsTheRunWhereItHits) {
    const LaterFault& c = GetParam();
    const std::vector<Turn> upToThePasses = {
        {Offer, "y"}, {text::ConfirmErase, "l"}, {BootLoaderPrompt, "y"}};
    UpdateRun clean{{}, {}, upToThePasses};
    clean.turns.push_back({text::BootLoaderPass + text::FirmwarePass + text::Erase + text::Finish, "x"});
    ASSERT_EQ(Play(clean), 0);
    const uint64_t number = CommandNumberOfFrame(ReadTrace(TracePath()), c.frame, c.occurrence);
    ASSERT_NE(number, 0u) << "no such frame in the clean run";

    UpdateRun failing{{"--fail-command", std::to_string(number) + ":" + std::to_string(c.count)},
                      {},
                      upToThePasses};
    failing.turns.push_back({c.ending, "x"});
    EXPECT_EQ(Play(failing), 2);
    EXPECT_EQ(Outline(), c.outline);
}

INSTANTIATE_TEST_SUITE_P(, UpdateLaterFaultTest, ::testing::ValuesIn(LaterFaults),
                         [](const ::testing::TestParamInfo<LaterFault>& test) {
                             return test.param.name;
                         });

}  // namespace

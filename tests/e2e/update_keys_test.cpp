// Keys typed before the update asks for them: they wait, unread, and answer
// the next prompt or wait.
//
// To type at an exact point of the run, the simulator stops itself
// (--stop-at KIND@ADDR, SIGSTOP) as the matching frame arrives; the key goes
// in while it stands still, and it goes on only then. Everything it printed
// before is out at that point, so the test sees that the prompt was not yet
// shown when the key was typed.
#include "tests/e2e/update_run.h"

namespace {

using UpdateKeysTest = UpdateTest;

// Stopped as the firmware status is about to be read: the boot loader's
// version is out, the first prompt is not.
TEST_F(UpdateKeysTest, AKeyTypedWhileTheVersionsAreReadAnswersTheFirstPrompt) {
    UpdateRun run{{"--stop-at", "read@0xD3F5"},
                  {},
                  {{text::BootLoaderVersion(SimBootLoader), "y", true},
                   {text::FirmwareVersion(SimFirmware) + text::ConfirmLoad() + text::ConfirmErase,
                    KeyEscape}}};
    EXPECT_EQ(Play(run), 0);
    EXPECT_EQ(Outline(), "P:d800 P:d3f5");
}

// Stopped in the firmware pass as block 7 is about to be written: the key
// typed there waits through the rest of the pass, the restart and the erase,
// and ends the closing wait as soon as it comes.
TEST_F(UpdateKeysTest, AKeyTypedDuringAProgrammingPassEndsTheClosingWait) {
    UpdateRun run{{"--bootloader", "1.5", "--stop-at", "write@0x1C00"},
                  {},
                  {{text::Versions(ImageBootLoader, SimFirmware) + text::ConfirmLoad(), "y"},
                   {text::ConfirmErase, "l"},
                   {msg::ReplacingFirmware + text::Marks(7), "x", true}},
                  text::Marks(PassMarks - 7) + msg::ProgressOk + text::Erase + text::Finish};
    EXPECT_EQ(Play(run), 0);
    EXPECT_EQ(Outline(), "P:d800 P:d3f5 R:d3f5 S W53 S E24");
}

}  // namespace

// The interrupt hold on Windows, through its console control handler called
// directly, so that each event lands inside the hold (under Wine a typed
// Ctrl+C is never a key, and nothing times one into a programming pass).
// A held request ends the process at the release, so
// those cases run as death tests (a child process each).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/interrupts.h"
#include "platform/windows/console_control_windows.h"
#include "platform/windows/interrupts_windows.h"

namespace {

TEST(InterruptsWindowsTest, OutsideAHoldEventsGoOnToEndTheProgram) {
    EXPECT_EQ(InterruptsOnControlEvent(CTRL_C_EVENT), FALSE);
    EXPECT_FALSE(InterruptRequested());
}

// Each step's failure ends the child with a code of its own.
TEST(InterruptsWindowsDeathTest, AHeldRequestEndsTheProgramAtTheReleaseAsCtrlCWould) {
    EXPECT_EXIT(
        {
            // The notice on standard error, where the test reads it, also
            // when standard output is a console.
            SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
            // The console's actions run before the end (the simulated
            // recorder's save is one).
            ConsoleControlAtEnd([] { std::fputs("actions ran\n", stderr); });
            InterruptsHold("Held\n");
            InterruptsHold("Held again\n");  // held already: changes nothing
            if (InterruptRequested()) std::exit(3);
            if (InterruptsOnControlEvent(CTRL_C_EVENT) != TRUE) std::exit(4);
            if (InterruptsOnControlEvent(CTRL_BREAK_EVENT) != TRUE) std::exit(5);
            if (!InterruptRequested()) std::exit(6);
            InterruptsRelease();
            std::exit(7);
        },
        ::testing::ExitedWithCode(static_cast<int>(ControlEventExitCode)), "^Held\nactions ran\n$");
}

TEST(InterruptsWindowsDeathTest, WithoutARequestTheReleaseLetsTheProgramGoOn) {
    EXPECT_EXIT(
        {
            InterruptsHold("");
            InterruptsRelease();
            InterruptsRelease();  // no hold: changes nothing
            if (InterruptsOnControlEvent(CTRL_C_EVENT) != FALSE) std::exit(3);
            std::exit(4);
        },
        ::testing::ExitedWithCode(4), "");
}

}  // namespace

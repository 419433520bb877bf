// Start-up with the keys typed ahead: Esc in the device wait, a refused
// second copy, a drive that refuses us. Written so that they need not see a
// prompt before its key, they run the same way on Linux and, through
// scripts/test-windows, for the Windows build under Wine (see SimLaunch):
// the same bytes and exit codes on both.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/messages.h"
#include "tests/e2e/e2e_fixture.h"

namespace {

class TypedAheadTest : public E2eTest {
protected:
    // The device wait probes the drives over and over: its trace file fills.
    static bool InTheDeviceWait(const std::string& trace) { return WaitForFile(trace, true); }
};

TEST_F(TypedAheadTest, EscEndsTheDeviceWait) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none", "--trace", Scratch("trace")}));
    ASSERT_TRUE(InTheDeviceWait(Scratch("trace")));
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);

    // Nothing answered: only the scans' failed opens, drives 0 to 8 in turn.
    std::vector<TraceLine> trace = ReadTrace(Scratch("trace"));
    EXPECT_GE(trace.size(), 18u);
    for (size_t i = 0; i < trace.size(); ++i) {
        EXPECT_FALSE(trace[i].opened) << "line " << i + 1;
        EXPECT_EQ(trace[i].path, "\\\\.\\PHYSICALDRIVE" + std::to_string(i % 9)) << "line " << i + 1;
    }
}

// Two copies at once on one lock name (under Wine: two Windows processes of
// one Wine server, the named mutex between them).
TEST_F(TypedAheadTest, ASecondCopyIsRefusedWhileTheFirstWaits) {
    PtyProcess first;
    ASSERT_TRUE(StartSim(first, {"--drive", "none", "--trace", Scratch("trace")}));
    ASSERT_TRUE(InTheDeviceWait(Scratch("trace"))) << "the first copy never got to the wait";

    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"DIAG"}}) {
        const std::string label = ::testing::PrintToString(args);
        PtyProcess second;
        ASSERT_TRUE(StartSim(second, {"--drive", "none"}, args));
        PressAt(second, text::Refusal, "x");
        EXPECT_EQ(second.WaitExit(), 1) << label;
        EXPECT_EQ(second.Output(), (args.empty() ? "" : text::Diagnostic) + text::Banner + text::Refusal)
            << label;
    }

    EXPECT_TRUE(first.StaysRunningFor(100)) << "the first copy ended";
    first.Press(KeyEscape);
    EXPECT_EQ(first.WaitExit(), 0);
    EXPECT_EQ(first.Output(), text::Banner + text::Wait);
}

// Named once, with the fix of the system the program is built for: the sg
// node and root or the udev rule on Linux, the drive and an administrator
// on Windows.
TEST_F(TypedAheadTest, ADriveThatRefusesUsIsNamedOnceWithItsFix) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none", "--deny", "3", "--trace", Scratch("trace")}));
    ASSERT_TRUE(InTheDeviceWait(Scratch("trace")));
    EXPECT_TRUE(p.StaysRunningFor(500));
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    char line[160];
    if (SimUnderTest().launcher.empty())
        std::snprintf(line, sizeof line, msg::DrivePermissionDenied, "/dev/sg3");
    else
        std::snprintf(line, sizeof line, msg::DrivePermissionDeniedAdministrator,
                      "\\\\.\\PHYSICALDRIVE3");
    EXPECT_EQ(p.Output(), text::Banner + text::Wait + line);
}

// The Windows updater itself under Wine (VKR_E2E_UPDATE names it): the real
// drive layer, mutex and console. Wine opens \\.\PHYSICALDRIVE0 as a virtual
// disk that refuses the pass-through request, and has no other drive: no
// recorder. (On Linux, StartupKeysTest runs the Linux updater.)
TEST_F(TypedAheadTest, TheWindowsUpdaterWaitsForTheRecorderUntilEsc) {
    const char* update = std::getenv("VKR_E2E_UPDATE");
    if (SimUnderTest().launcher.empty() || update == nullptr || *update == '\0')
        GTEST_SKIP() << "for the Windows build under Wine (VKR_E2E_UPDATE)";
    LaunchOptions launch;
    launch.launcher = SimUnderTest().launcher;
    launch.stdoutPipe = true;
    PtyProcess p;
    ASSERT_TRUE(p.Start(update, {}, launch));
    EXPECT_TRUE(p.StaysRunningFor(500)) << "ended without a recorder: " << p.Output();
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    std::string expected = text::Banner + text::Wait;
    if (geteuid() != 0) {
        // Wine may refuse drive 0 to a user who may not open the disk under it.
        char line[160];
        std::snprintf(line, sizeof line, msg::DrivePermissionDeniedAdministrator,
                      "\\\\.\\PHYSICALDRIVE0");
        if (p.Output() != expected) expected += line;
    }
    EXPECT_EQ(p.Output(), expected);
}

}  // namespace

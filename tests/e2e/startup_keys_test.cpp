// Start-up as a person at the keyboard sees it: Esc in the device wait, the
// keys it swallows, the refused second copy waiting for a key, and the real
// updater on this machine's drives.
#include <glob.h>
#include <signal.h>

#include "tests/e2e/e2e_fixture.h"

namespace {

using StartupKeysTest = E2eTest;

TEST_F(StartupKeysTest, EscEndsTheWaitWithNothingMoreSaidOrSent) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none", "--trace", Scratch("trace")}));
    ASSERT_TRUE(p.WaitFor(text::Wait)) << p.Output();
    EXPECT_FALSE(p.TerminalIsCooked()) << "keys typed now would be echoed";
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);
    EXPECT_TRUE(p.TerminalIsCooked()) << "the terminal was left unechoed";

    // Nothing answered, so no command was ever sent: only the scans' opens.
    std::vector<TraceLine> trace = ReadTrace(Scratch("trace"));
    EXPECT_GE(trace.size(), 18u) << "the wait probed the drives at least twice";
    for (size_t i = 0; i < trace.size(); ++i) {
        EXPECT_FALSE(trace[i].opened) << "line " << i + 1 << ": " << trace[i].cdb;
        EXPECT_EQ(trace[i].path, "\\\\.\\PHYSICALDRIVE" + std::to_string(i % 9)) << "line " << i + 1;
    }
}

// Keys that merely start like Esc (cursor and function keys arrive as
// escape sequences) included.
TEST_F(StartupKeysTest, KeysOtherThanEscAreSwallowedInTheWait) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none"}));
    ASSERT_TRUE(p.WaitFor(text::Wait)) << p.Output();
    const struct {
        const char* name;
        const char* bytes;
    } keys[] = {
        {"x", "x"}, {"Y", "Y"}, {"Enter", KeyEnter}, {"Up", KeyUp}, {"F1", KeyF1},
    };
    for (const auto& key : keys) {
        p.Press(key.bytes);
        ASSERT_TRUE(p.StaysRunningFor(150)) << key.name << " ended the wait; output: " << p.Output();
        EXPECT_EQ(p.Output(), text::Banner + text::Wait) << "after " << key.name;
    }
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);
}

// The device wait is no key read: there Ctrl+C ends the program the usual
// way, and the terminal is given back as it was.
TEST_F(StartupKeysTest, CtrlCInTheWaitEndsTheProgramAsUsual) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none"}));
    ASSERT_TRUE(p.WaitFor(text::Wait)) << p.Output();
    p.Press(KeyCtrlC);
    EXPECT_EQ(p.WaitExit(), 128 + SIGINT);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);
    EXPECT_TRUE(p.TerminalIsCooked()) << "the terminal was left unechoed";
}

// The second copy refuses to run, waits for one key (Ctrl+C is a key there,
// and an extended key counts as one) and ends with 1; the first keeps
// waiting and still answers Esc.
TEST_F(StartupKeysTest, ASecondCopyIsRefusedWhileTheFirstGoesOn) {
    const struct {
        std::vector<std::string> args;
        const char* key;
        std::string expected;
    } cases[] = {
        {{}, KeyCtrlC, text::Banner + text::Refusal},
        {{"diag"}, KeyF1, text::Diagnostic + text::Banner + text::Refusal},
    };
    PtyProcess first;
    ASSERT_TRUE(StartSim(first, {"--drive", "none"}));
    ASSERT_TRUE(first.WaitFor(text::Wait)) << first.Output();

    for (const auto& c : cases) {
        std::string label = ::testing::PrintToString(c.args);
        PtyProcess second;
        ASSERT_TRUE(StartSim(second, {"--drive", "none"}, c.args));
        ASSERT_TRUE(second.WaitFor(text::Refusal)) << label << ": " << second.Output();
        EXPECT_TRUE(second.StaysRunningFor(200)) << label << ": ended without a key";
        second.Press(c.key);
        EXPECT_EQ(second.WaitExit(), 1) << label;
        EXPECT_EQ(second.Output(), c.expected) << label;
    }

    EXPECT_TRUE(first.StaysRunningFor(50));
    first.Press(KeyEscape);
    EXPECT_EQ(first.WaitExit(), 0);
    EXPECT_EQ(first.Output(), text::Banner + text::Wait);
}

bool MachineHasScsiGenericNodes() {
    glob_t found{};
    bool any = glob("/dev/sg[0-9]*", 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    globfree(&found);
    return any;
}

// The updater itself, on the real drive layer and the real lock.
TEST_F(StartupKeysTest, TheRealUpdaterWaitsForTheRecorderUntilEsc) {
    if (MachineHasScsiGenericNodes())
        GTEST_SKIP() << "this machine has SCSI generic nodes: a recorder or a denied node would "
                        "change what the updater says";
    PtyProcess p;
    ASSERT_TRUE(p.Start(UpdateProgram, {}));
    ASSERT_TRUE(p.WaitFor(text::Wait)) << p.Output();
    p.Press(KeyEscape);
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);
}

}  // namespace

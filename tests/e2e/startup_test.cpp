// Start-up of the console as a person sees it, where no key is needed: the
// switches, the device wait ending by itself, the single-instance lock
// without a terminal, the permission hint and redirected output.
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/messages.h"
#include "tests/e2e/e2e_fixture.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

using StartupTest = E2eTest;

TEST_F(StartupTest, WithTheRecorderAttachedTheUpdateFollowsTheBanner) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, NewestRecorder));
    ASSERT_TRUE(p.WaitFor(text::NothingNewer)) << p.Output();
    p.Press("x");
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::NothingNewer);
}

TEST_F(StartupTest, AttachingDuringTheWaitEndsItOnTheDriveFound) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, Concat(NewestRecorder, {"--attach-after", "300", "--trace", Scratch("trace")}),
                         {}, NoTerminal()));
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(p.Output(), text::Banner + text::Wait + text::NothingNewer);

    // Until the recorder is there every pass probes drives 0 to 8 and sends
    // nothing; from then on every command goes to its drive.
    std::vector<TraceLine> trace = ReadTrace(Scratch("trace"));
    size_t first = 0;
    while (first < trace.size() && !trace[first].opened) ++first;
    ASSERT_LT(first, trace.size()) << "no command was ever sent";
    EXPECT_GE(first, 9u * 20) << "the wait ended too early";
    for (size_t i = 0; i < first; ++i)
        EXPECT_EQ(trace[i].path, "\\\\.\\PHYSICALDRIVE" + std::to_string(i % 9)) << "line " << i + 1;
    EXPECT_GE(trace[first].t, 300u);
    EXPECT_EQ(trace[first].cdb.substr(0, 2), "12") << "discovery starts with INQUIRY";
    for (size_t i = first; i < trace.size(); ++i) {
        EXPECT_TRUE(trace[i].opened) << "line " << i + 1;
        EXPECT_EQ(trace[i].path, "\\\\.\\PHYSICALDRIVE1") << "line " << i + 1;
    }
}

// What follows the banner is the update's; here only the head counts. No
// terminal: the update's first wait for a key ends it.
TEST_F(StartupTest, OnlyWholeSwitchesInAnyCaseTurnOnDiagnosticMode) {
    struct Case {
        std::vector<std::string> args;
        bool diagnostic;
    };
    const Case cases[] = {
        {{"diag"}, true},
        {{"Diag"}, true},
        {{"DIAG"}, true},
        {{"DIAG", "diag"}, true},
        {{"noerase", "SKIPBLR", "dIaG"}, true},
        {{"/DIAG"}, false},
        {{"DIAG1"}, false},
        {{"DIAGNOSTIC"}, false},
        {{"x", ""}, false},
    };
    const std::string head = text::Banner + "Current Boot Loader version: 255.255\n";
    for (const Case& c : cases) {
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, NewestRecorder, c.args, NoTerminal()));
        std::string label = ::testing::PrintToString(c.args);
        EXPECT_EQ(p.WaitExit(), 0) << label;
        std::string expected = (c.diagnostic ? text::Diagnostic : "") + head;
        EXPECT_EQ(p.Output().substr(0, expected.size()), expected) << label;
    }
}

// Without a terminal there is no one to press a key: the refusal's "press
// any key" ends at once, and the first copy goes on undisturbed.
TEST_F(StartupTest, WithoutATerminalTheRefusedSecondCopyEndsAtOnce) {
    PtyProcess first;
    ASSERT_TRUE(StartSim(first, {"--drive", "none"}));
    ASSERT_TRUE(first.WaitFor(text::Wait)) << first.Output();

    PtyProcess second;
    ASSERT_TRUE(StartSim(second, {"--drive", "none"}, {"DIAG"}, NoTerminal()));
    EXPECT_EQ(second.WaitExit(), 1);
    EXPECT_EQ(second.Output(), text::Diagnostic + text::Banner + text::Refusal);

    EXPECT_TRUE(first.StaysRunningFor(100));
    EXPECT_EQ(first.Output(), text::Banner + text::Wait);
}

TEST_F(StartupTest, TheRecordersNodeIsNamedOnceWhenItRefusesUs) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none", "--disk", "0", "--deny", "3"}));
    char line[160];
    std::snprintf(line, sizeof line, msg::DrivePermissionDenied, "/dev/sg3");
    ASSERT_TRUE(p.WaitFor(line)) << p.Output();
    // The wait goes on; several seconds of its clock pass without a repeat.
    EXPECT_TRUE(p.StaysRunningFor(600));
    EXPECT_EQ(p.Output(), text::Banner + text::Wait + line);
}

TEST_F(StartupTest, AnotherDiskThatRefusesUsIsNotMentioned) {
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {"--drive", "none", "--disk", "0", "--deny", "0"}));
    ASSERT_TRUE(p.WaitFor(text::Wait)) << p.Output();
    EXPECT_TRUE(p.StaysRunningFor(300));
    EXPECT_EQ(p.Output(), text::Banner + text::Wait);
}

// A file gets what a terminal would have shown, byte for byte, on every way
// the program can end by itself. No terminal: the key waits end at once.
TEST_F(StartupTest, RedirectedOutputGetsTheSameBytes) {
    struct Case {
        const char* name;
        std::vector<std::string> simOptions;
        std::vector<std::string> updaterArgs;
        bool refused;  // a first copy holds the lock
        std::string expected;
        int exitCode;
    };
    const Case cases[] = {
        {"attached", NewestRecorder, {}, false, text::Banner + text::NothingNewer, 0},
        {"attached later", Concat(NewestRecorder, {"--attach-after", "100"}), {}, false,
         text::Banner + text::Wait + text::NothingNewer, 0},
        {"refused", {}, {"DIAG"}, true, text::Diagnostic + text::Banner + text::Refusal, 1},
    };
    for (const Case& c : cases) {
        PtyProcess holder;
        if (c.refused) {
            ASSERT_TRUE(StartSim(holder, {"--drive", "none"}));
            ASSERT_TRUE(holder.WaitFor(text::Wait)) << holder.Output();
        }
        LaunchOptions launch = NoTerminal();
        launch.stdoutFile = Scratch("out");
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, c.simOptions, c.updaterArgs, launch));
        EXPECT_EQ(p.WaitExit(), c.exitCode) << c.name;
        EXPECT_EQ(FileText(Scratch("out")), c.expected) << c.name;
        EXPECT_EQ(p.Output(), "") << c.name << ": nothing belongs on the terminal";
    }
}

// Redirected output sits in a block buffer; a signal that ends the program
// must not take with it what was already printed.
TEST_F(StartupTest, RedirectedOutputSurvivesTheSignalThatEndsTheProgram) {
    struct Case {
        bool terminal;
        int signalNumber;
    };
    const Case cases[] = {{false, SIGTERM}, {true, SIGINT}, {true, SIGHUP}};
    for (const Case& c : cases) {
        std::string label = std::string(c.terminal ? "terminal, " : "no terminal, ") +
                            strsignal(c.signalNumber);
        LaunchOptions launch = c.terminal ? LaunchOptions{} : NoTerminal();
        launch.stdoutFile = Scratch("out");
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, {"--drive", "none"}, {}, launch));
        // Nothing reaches the file before the end: wait until the program is
        // surely in its device wait.
        EXPECT_TRUE(p.StaysRunningFor(200)) << label;
        kill(p.Pid(), c.signalNumber);
        EXPECT_EQ(p.WaitExit(), 128 + c.signalNumber) << label;
        EXPECT_EQ(FileText(Scratch("out")), text::Banner + text::Wait) << label;
    }
}

}  // namespace

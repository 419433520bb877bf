// --help and --version of the three programs: printed to standard output,
// exit 0. The updater answers them before anything else: no lock (a second
// copy would be refused), no drive (the trace stays empty), no terminal.
#include <string>

#include "tests/e2e/e2e_fixture.h"

namespace {

using ProgramInfoTest = E2eTest;

bool StartsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

TEST_F(ProgramInfoTest, TheUpdaterAnswersBeforeTheLockOrAnyDrive) {
    PtyProcess holder;
    ASSERT_TRUE(StartSim(holder, {"--drive", "none"}));
    ASSERT_TRUE(holder.WaitFor(text::Wait)) << holder.Output();

    struct Case {
        std::vector<std::string> args;
        std::string head;
    };
    const Case cases[] = {
        // "--" ends the simulator's options.
        {{"--", "--help"}, "Usage: vokari-update [DIAG] [NOERASE] [SKIPBLR]\n"},
        {{"DIAG", "--version"}, "vokari-update 1.3\n"},
        {{"--", "--version", "--help"}, "vokari-update 1.3\n"},
    };
    for (const Case& c : cases) {
        std::string label = ::testing::PrintToString(c.args);
        PtyProcess p;
        ASSERT_TRUE(StartSim(p, {"--trace", Scratch("trace")}, c.args, NoTerminal()));
        EXPECT_EQ(p.WaitExit(), 0) << label;
        EXPECT_TRUE(StartsWith(p.Output(), c.head)) << label << ": " << p.Output();
        EXPECT_TRUE(ReadTrace(Scratch("trace")).empty()) << label;
    }
    // Written in another case, or not whole, they are switches no more than
    // any other argument: ignored, and the updater runs (and is refused).
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, {}, {"DIAG", "--HELP", "--version=1"}, NoTerminal()));
    EXPECT_EQ(p.WaitExit(), 1);
    EXPECT_EQ(p.Output(), text::Diagnostic + text::Banner + text::Refusal);
}

TEST_F(ProgramInfoTest, EveryProgramAnswersHelpAndVersion) {
    struct Case {
        std::string program;
        std::vector<std::string> args;
        std::string head;
        int exitCode;
    };
    const Case cases[] = {
        {UpdateProgram, {"--version"}, "vokari-update 1.3\n", 0},
        {UpdateProgram, {"--help"}, "Usage: vokari-update ", 0},
        {SimProgram, {"--version"}, "vokari-update-sim 1.3\n", 0},
        {SimProgram, {"--drive", "none", "--help"}, "Usage: vokari-update-sim ", 0},
        {SimProgram, {"--no-such-option"}, "vokari-update-sim: --no-such-option: unknown option", 64},
        {VKR_IMAGE_TOOL, {"--version"}, "vokari-image 1.3\n", 0},
        {VKR_IMAGE_TOOL, {"--help"}, "usage: vokari-image build ", 0},
    };
    for (const Case& c : cases) {
        std::string label = c.program + " " + ::testing::PrintToString(c.args);
        PtyProcess p;
        ASSERT_TRUE(p.Start(c.program, c.args, NoTerminal())) << label;
        EXPECT_EQ(p.WaitExit(), c.exitCode) << label;
        EXPECT_TRUE(StartsWith(p.Output(), c.head)) << label << ": " << p.Output();
    }
}

}  // namespace

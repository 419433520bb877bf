// The start from Explorer: when the updater hands itself to an elevated copy,
// and which arguments that copy gets.
#include <gtest/gtest.h>

#include <string>

#include "app/elevated_start.h"
#include "platform/command_line.h"

namespace {

TEST(ElevatedStart, OnlyAnUnelevatedFirstStartInAConsoleOfItsOwnAsks) {
    struct Case {
        ElevationFacts facts;
        bool asks;
        const char* name;
    };
    const Case cases[] = {
        {{true, false, false}, true, "double-clicked, not elevated"},
        {{false, false, false}, false, "from a Command Prompt: output and exit code stay there"},
        {{true, true, false}, false, "already elevated"},
        {{true, false, true}, false, "the copy itself, where the system elevated nothing"},
        {{false, true, false}, false, "elevated Command Prompt"},
        {{false, false, true}, false, "copy in a shared console"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShouldStartElevated(c.facts), c.asks) << c.name;
}

TEST(ElevatedStart, TheCopyGetsTheArgumentsAsWritten) {
    struct Case {
        const char* line;
        const char* arguments;
    };
    const Case cases[] = {
        {"vokari-update.exe DIAG NOERASE", "DIAG NOERASE"},
        {"\"C:\\Program Files\\Vokari\\vokari-update.exe\" DIAG", "DIAG"},
        // A quoted name runs to the next quote, blanks and backslashes included.
        {"\"C:\\a b\\\"x.exe  \t skipblr \"two words\"", "skipblr \"two words\""},
        {"\"C:\\Vokari\\vokari-update.exe\"", ""},
        {"vokari-update.exe", ""},
        {"vokari-update.exe   ", ""},
        {"\"unterminated name", ""},
        {"", ""},
        // Everything after the name is handed over untouched.
        {"a.exe \"x\\\"y\" \\\\", "\"x\\\"y\" \\\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(CommandLineArguments(c.line)), c.arguments) << c.line;
    EXPECT_STREQ(CommandLineArguments(nullptr), "");
}

}  // namespace

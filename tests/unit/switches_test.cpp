#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/switches.h"

namespace {

struct SwitchCase {
    std::vector<std::string> args;
    UpdateOptions expected;
};

TEST(Switches, WholeArgumentsInAnyCaseSetTheirFlags) {
    const UpdateOptions none = {false, true, false};
    const SwitchCase cases[] = {
        {{}, none},
        {{"diag"}, {true, true, false}},
        {{"Diag"}, {true, true, false}},
        {{"DIAG"}, {true, true, false}},
        {{"/DIAG"}, none},
        {{"-diag"}, none},
        {{"DIAG1"}, none},
        {{"DIAGNOSTIC"}, none},
        {{"NOERASE", "NOERASE"}, {false, false, false}},
        {{"skipblr", "noErase", "diag"}, {true, false, true}},
        {{"DIAG", "DIAG", "x", ""}, {true, true, false}},
    };
    for (const SwitchCase& c : cases) {
        std::vector<std::string> storage = {"vokari-update"};
        storage.insert(storage.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& s : storage) argv.push_back(s.data());
        UpdateOptions options = none;
        ReadSwitches(static_cast<int>(argv.size()), argv.data(), &options);
        std::string label = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(options.diagnostic, c.expected.diagnostic) << label;
        EXPECT_EQ(options.eraseAfterUpdate, c.expected.eraseAfterUpdate) << label;
        EXPECT_EQ(options.skipBootLoader, c.expected.skipBootLoader) << label;
    }
}

TEST(Switches, TheProgramArgumentIsNeverASwitch) {
    char program[] = "diag";
    char* argv[] = {program, nullptr};
    UpdateOptions options = {false, true, false};
    ReadSwitches(1, argv, &options);
    EXPECT_FALSE(options.diagnostic);
    EXPECT_STREQ(program, "diag");
}

}  // namespace

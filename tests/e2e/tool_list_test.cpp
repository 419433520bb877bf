// vokari-tool list and its command line, on the simulated recorder.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/tool_fixture.h"

namespace {

TEST_F(ToolTest, ListDescribesTheRecorderOnOneLine) {
    ToolRun run = Tool({"--drive", "2", "--disk", "0"}, {"list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ToolDriveName(2) +
                           ": flash 1 unit x 2048 blocks x 64 pages x 2048 bytes (256 MiB), sectors of 512 bytes, "
                           "boot loader 1.4 \"VKR-BL7\" older than the update's 1.5, "
                           "firmware 2.7 \"FWOK\" older than the update's 3.0\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(ToolTest, ListShowsRecordsThatAreNotTheUpdatesAsTheyAre) {
    ToolRun run = Tool({"--flash", "2:1024:32:4096", "--sector-size", "2048", "--bootloader", "1.5", "--signature",
                        "OTHER\"\x01", "--marker", "FWNO"},
                       {"list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ToolDriveName(1) +
                           ": flash 2 units x 1024 blocks x 32 pages x 4096 bytes (256 MiB), sectors of 2048 "
                           "bytes, boot loader 1.5 \"OTHER\\x22\\x01\" (not the update's \"VKR-BL7\") the same as "
                           "the update's 1.5, firmware 2.7 \"FWNO\" (not valid)\n");
}

// The JSON carries the same facts, and each comparison the way a script
// would decide on an update.
TEST_F(ToolTest, ListJsonComparesEachRecordWithTheUpdate) {
    struct Case {
        std::vector<std::string> sim;
        const char* bootLoader;
        const char* firmwareState;
        const char* firmware;  // comparison, nullptr for null
    };
    const Case cases[] = {
        {{}, "older", "valid", "older"},
        {{"--bootloader", "1.5", "--firmware", "3.0"}, "equal", "valid", "equal"},
        {{"--bootloader", "2.0", "--firmware", "3.1"}, "newer", "valid", "newer"},
        {{"--firmware", "none"}, "older", "erased", nullptr},
        {{"--marker", "fwok"}, "older", "invalid", nullptr},
        {{"--firmware", "0.0"}, "older", "valid", nullptr},  // the updater shows it as unavailable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.sim));
        JsonValue doc = ToolJson(c.sim, {"list"}, 0);
        EXPECT_EQ(doc["command"].text, "list");
        EXPECT_EQ(doc["update"]["firmware"].text, "3.0");
        EXPECT_EQ(doc["update"]["bootLoader"].text, "1.5");
        ASSERT_EQ(doc["recorders"].items.size(), 1u);
        const JsonValue& r = doc["recorders"][0];
        EXPECT_EQ(r["bootLoader"]["comparison"].text, c.bootLoader);
        EXPECT_EQ(r["firmware"]["state"].text, c.firmwareState);
        if (c.firmware != nullptr) {
            EXPECT_EQ(r["firmware"]["comparison"].text, c.firmware);
        } else {
            EXPECT_EQ(r["firmware"]["comparison"].kind, JsonValue::Null);
        }
    }
}

TEST_F(ToolTest, ListJsonHoldsTheWholeRecorder) {
    JsonValue doc = ToolJson({"--signature", "AB\x7f", "--disk", "0"}, {"list"}, 0);
    const JsonValue& r = doc["recorders"][0];
    EXPECT_EQ(r["drive"].number, 1);
    EXPECT_EQ(r["path"].text, "\\\\.\\PHYSICALDRIVE1");
    if (UnderLauncher()) {
        EXPECT_EQ(r["node"].kind, JsonValue::Null);
    } else {
        EXPECT_EQ(r["node"].text, "/dev/sg1");
    }
    EXPECT_EQ(r["flash"]["units"].number, 1);
    EXPECT_EQ(r["flash"]["blocksPerUnit"].number, 2048);
    EXPECT_EQ(r["flash"]["pagesPerBlock"].number, 64);
    EXPECT_EQ(r["flash"]["pageSize"].number, 2048);
    EXPECT_EQ(r["flash"]["pages"].number, 131072);
    EXPECT_EQ(r["flash"]["bytes"].number, 268435456.0);
    EXPECT_EQ(r["sectorSize"].number, 512);
    EXPECT_TRUE(r["bootLoader"]["readable"].boolean);
    EXPECT_EQ(r["bootLoader"]["version"].text, "1.4");
    // Every byte of the record, zero bytes and DEL included.
    EXPECT_EQ(r["bootLoader"]["signature"].text, std::string("AB\x7f\0\0\0\0", 7));
    EXPECT_FALSE(r["bootLoader"]["signatureMatches"].boolean);
    EXPECT_EQ(r["firmware"]["version"].text, "2.7");
    EXPECT_EQ(r["firmware"]["marker"].text, "FWOK");
}

TEST_F(ToolTest, WithoutARecorderEveryCommandEndsWithThree) {
    EXPECT_EQ(Tool({"--drive", "none"}, {"list"}).out, "No recorder found on drives 0 to 8.\n");
    // Drive 9 is never looked at.
    JsonValue doc = ToolJson({"--drive", "9"}, {"list"}, 3);
    EXPECT_EQ(doc["recorders"].kind, JsonValue::Array);
    EXPECT_TRUE(doc["recorders"].items.empty());

    for (std::vector<std::string> args : {std::vector<std::string>{"verify"}, {"read-flash", Scratch("f")},
                                          {"read-controller", Scratch("c")}}) {
        ToolRun run = Tool({"--drive", "none"}, args);
        EXPECT_EQ(run.status, 3) << args[0];
        EXPECT_EQ(run.err, "vokari-tool: no recorder found on drives 0 to 8\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(Scratch("f")));
}

TEST_F(ToolTest, DrivePicksTheRecorderOnThatDrive) {
    EXPECT_EQ(Tool({"--drive", "4"}, {"verify", "--drive", "4"}).status, 1);
    ToolRun run = Tool({"--drive", "4"}, {"verify", "--drive", "2"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "vokari-tool: no recorder on drive 2\n");
    run = Tool({"--drive", "4"}, {"list", "--drive", "2"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "No recorder on drive 2.\n");
}

TEST_F(ToolTest, CommandLineMistakesAreOneLineAndTwo) {
    struct Case {
        std::vector<std::string> args;
        const char* line;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"erase"}, "unknown command erase"},
        {{"list", "--drive", "9"}, "--drive 9: recorders are looked for on drives 0 to 8"},
        {{"list", "--drive", "-1"}, "--drive -1: recorders are looked for on drives 0 to 8"},
        {{"list", "--drive"}, "--drive needs a value"},
        {{"read-flash"}, "read-flash needs the name of the file to write"},
        {{"read-flash", "f", "--pages", "0"}, "--pages 0: not a page count of 1 or more"},
        {{"read-flash", "f", "--from", "12x"}, "--from 12x: not a page number"},
        {{"verify", "--from", "1"}, "--from and --pages belong to read-flash, not verify"},
        {{"list", "extra"}, "unexpected argument extra"},
        {{"list", "--force"}, "unknown option --force"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ToolRun run = Tool({}, c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string("vokari-tool: ") + c.line + "\nTry 'vokari-tool --help'.\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(ToolTest, HelpAndVersionTouchNoDrive) {
    std::string trace = Scratch("trace");
    ToolRun run = Tool({"--trace", trace}, {"list", "--help", "--json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: vokari-tool list", 0), 0u) << run.out;
    EXPECT_EQ(Tool({"--trace", trace}, {"list", "--version"}).out, "vokari-tool 1.3\n");
    EXPECT_TRUE(ReadTrace(trace).empty());
}

// Beside an update, even a read would take the bridge from under it.
TEST_F(ToolTest, LockHeldByAnUpdateEndsWithFour) {
    // A launched updater's output comes in blocks, too late to tell when it
    // holds the lock.
    if (UnderLauncher()) GTEST_SKIP() << "no way to see the updater take the lock";
    PtyProcess updater;
    ASSERT_TRUE(StartSim(updater, {}));
    ASSERT_TRUE(updater.WaitFor("Press 'Y' to load")) << updater.Output();
    std::string trace = Scratch("trace");
    ToolRun run = Tool({"--trace", trace}, {"verify"});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err,
              "vokari-tool: another recorder application is running (an update?): close it and try again\n");
    EXPECT_TRUE(ReadTrace(trace).empty());
    JsonValue doc = ToolJson({}, {"list"}, 4);
    EXPECT_EQ(doc["exitCode"].number, 4);
    EXPECT_EQ(doc["error"].text, "another recorder application is running (an update?): close it and try again");
    updater.Press("n");
    EXPECT_EQ(updater.WaitExit(), 0);
}

}  // namespace

#include "tests/support/sim_fixture.h"

#include <cstdio>

#include "app/console_state.h"
#include "controller/commands.h"
#include "device/device_state.h"
#include "images/image_store.h"

void SimTest::SetUp() {
    SimReset();
    DeviceResetState();
    ConsoleResetState();
    ImagesResetState();
    ControllerResetState();
    SimTraceKeep(true);
}

void SimTest::TearDown() {
    EXPECT_EQ(SimOpenDriveCount(), 0) << "a drive was left open";
    SimReset();
}

void SimTest::Start(const SimOptions& options) {
    char error[128];
    ASSERT_TRUE(SimStart(options, error, sizeof error)) << error;
    SimTraceKeep(true);
}

void SimTest::StartWithArgs(std::initializer_list<const char*> args) {
    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<char*> argv{const_cast<char*>("vokari-update-sim")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    std::vector<int> rest(argv.size());
    int restCount = 0;
    char error[128];
    ASSERT_TRUE(SimParseOptions(static_cast<int>(argv.size()), argv.data(), &options, rest.data(),
                                &restCount, error, sizeof error))
        << error;
    ASSERT_EQ(restCount, 0) << "not a simulator option";
    Start(options);
}

std::vector<const SimTraceRecord*> SimTest::Commands() {
    std::vector<const SimTraceRecord*> commands;
    for (const SimTraceRecord& r : SimTrace())
        if (r.opened) commands.push_back(&r);
    return commands;
}

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string Hex(const std::vector<uint8_t>& bytes) { return Hex(bytes.data(), bytes.size()); }

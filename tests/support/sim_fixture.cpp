#include "tests/support/sim_fixture.h"

#include <cstdio>

#include "app/console_state.h"
#include "device/device_state.h"
#include "images/image_store.h"

void SimTest::SetUp() {
    SimReset();
    DeviceResetState();
    ConsoleResetState();
    ImagesResetState();
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

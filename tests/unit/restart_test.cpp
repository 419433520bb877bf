// Restart and reconnect: the recorder has to be seen gone and then back, on
// the drive it was found on, each within its time limit.
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "controller/commands.h"
#include "controller/programming.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

class RestartTest : public SimTest {
protected:
    void TearDown() override {
        std::free(recorderPath);
        SimTest::TearDown();
    }

    // Finds the recorder as the console does, then forgets that traffic.
    void Connect() {
        std::free(recorderPath);
        recorderPath = nullptr;
        ASSERT_EQ(Vkr_IsConnected(&recorderPath), 1);
        SimTraceClear();
    }

    char* recorderPath = nullptr;
};

// What the probes after the restart frame saw, in order: 'g' a probe that
// found the recorder gone, 'b' one that found it back. Runs of the same
// outcome are folded into one letter.
std::string ProbeOutcomes() {
    std::string outcomes;
    const auto& trace = SimTrace();
    size_t i = 0;
    while (i < trace.size() && !(trace[i].opened && trace[i].cdb[0] == 0xC8 &&
                                 trace[i].out.size() == 2 && trace[i].out[0] == 'S'))
        ++i;
    for (++i; i < trace.size(); ++i) {
        // A probe is INQUIRY, geometry, capacity; a failed open ends it early.
        bool back = trace[i].opened && trace[i].cdb[0] == 0x12 && trace[i].result == 1;
        if (back) i += 2;
        char outcome = back ? 'b' : 'g';
        if (outcomes.empty() || outcomes.back() != outcome) outcomes += outcome;
    }
    return outcomes;
}

struct RestartCase {
    const char* name;
    std::initializer_list<const char*> args;
    RestartResult result;
    const char* outcomes;
    uint64_t minElapsedMs;
    uint64_t maxElapsedMs;
};

TEST_F(RestartTest, WaitsForTheRecorderToGoAndComeBackWithinTheLimits) {
    const RestartCase cases[] = {
        {"default restart", {}, RestartDone, "gb", 1500, 1600},
        {"back at once, still seen gone", {"--restart-time", "0"}, RestartDone, "gb", 0, 20},
        {"just inside the limit", {"--restart-time", "59000"}, RestartDone, "gb", 59000, 59100},
        // The checks that find the recorder still there open its drive and
        // send nothing.
        {"restart frame lost", {"--fail", "restart"}, RestartNeverWentAway, "", 30000, 30010},
        // Commands 1-3 find the recorder, 4 is the restart frame. A recorder
        // that answers a command with an error is still there: only a drive
        // that no longer opens has gone.
        {"restart frame lost, and the command after it",
         {"--fail-command", "4:2"},
         RestartNeverWentAway,
         "",
         30000,
         30010},
        {"errors on the way back do not end the wait",
         {"--fail-command", "5:5"},
         RestartDone,
         "gb",
         1500,
         1600},
        {"never comes back", {"--no-return"}, RestartNeverCameBack, "g", 60000, 60010},
        {"back too late", {"--restart-time", "61000"}, RestartNeverCameBack, "g", 60000, 60010},
        {"back on another drive", {"--return-on", "2"}, RestartNeverCameBack, "g", 60000, 60010},
        {"back, refusing us", {"--return-denied"}, RestartBackWithoutPermission, "g", 60000, 60010},
        {"back on another drive, refusing us", {"--return-on", "2", "--return-denied"},
         RestartBackWithoutPermission, "g", 60000, 60010},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartWithArgs(c.args);
        Connect();
        const uint64_t start = SimNowMs();

        EXPECT_EQ(RestartAndReconnect(&recorderPath), c.result);
        const uint64_t elapsed = SimNowMs() - start;
        EXPECT_GE(elapsed, c.minElapsedMs);
        EXPECT_LE(elapsed, c.maxElapsedMs);
        EXPECT_EQ(ProbeOutcomes(), c.outcomes);
        EXPECT_STREQ(recorderPath, "\\\\.\\PHYSICALDRIVE1");
        // No pause is taken while waiting: the probes run back to back.
        EXPECT_EQ(SimPausedMs(), 0u);
    }
}

TEST_F(RestartTest, NoPathSendsNothing) {
    EXPECT_EQ(RestartAndReconnect(nullptr), RestartNeverWentAway);
    EXPECT_EQ(RestartAndReconnect(&recorderPath), RestartNeverWentAway);
    EXPECT_TRUE(SimTrace().empty());
    EXPECT_EQ(recorderPath, nullptr);
}

}  // namespace

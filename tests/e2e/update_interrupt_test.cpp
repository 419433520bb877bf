// Ctrl+C, a closed terminal or kill while the recorder is being programmed:
// the update goes on, says once that it cannot be interrupted now, and ends
// as the signal says once the new firmware runs, before the erase. Outside
// the passes such a request still ends the program at once (startup tests).
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/e2e/update_run.h"

namespace {

const std::string Prompts = text::Versions(SimBootLoader, SimFirmware) + text::ConfirmLoad() +
                            text::ConfirmErase + text::ConfirmBootLoader(SimBootLoader);
const std::string Notice = msg::CannotInterruptNow;

struct Interruption {
    const char* name;
    std::vector<std::string> simOptions;  // --stop-at: where the request comes
    int signalNumber;
    bool typed;           // Ctrl+C on the terminal, else kill
    std::string atStop;   // the output after the prompts, where it stops
    std::string ending;   // and the rest
    bool firmwareRuns;    // the next run finds the new boot loader and firmware
};

void PrintTo(const Interruption& c, std::ostream* os) { *os << c.name; }

const std::string RestOfBothPasses =
    Notice + text::Marks(PassMarks - 7) + msg::ProgressOk + text::FirmwarePass;

const Interruption Cases[] = {
    {"CtrlCInTheBootLoaderPass", {"--stop-at", "write@0x1C00"}, SIGINT, true,
     msg::ReplacingBootLoader + text::Marks(7), RestOfBothPasses, true},
    {"TerminationInTheBootLoaderPass", {"--stop-at", "write@0x1C00"}, SIGTERM, false,
     msg::ReplacingBootLoader + text::Marks(7), RestOfBothPasses, true},
    {"HangUpInTheBootLoaderPass", {"--stop-at", "write@0x1C00"}, SIGHUP, false,
     msg::ReplacingBootLoader + text::Marks(7), RestOfBothPasses, true},
    // While the recorder is away for the restart before the first pass.
    {"CtrlCInTheFirstRestart", {"--stop-at", "restart"}, SIGINT, true, msg::ReplacingBootLoader,
     Notice + text::BootLoaderPass.substr(sizeof msg::ReplacingBootLoader - 1) + text::FirmwarePass,
     true},
    // A pass that fails says so, and the request then ends the run without
    // waiting for a key.
    {"CtrlCInAFailingPass", {"--stop-at", "write@0x1800", "--fail", "write@0x1C00:5"}, SIGINT, true,
     msg::ReplacingBootLoader + text::Marks(6),
     Notice + text::Marks(1) + text::Marks(5, '!') + text::Marks(1) + text::PassFailed, false},
};

// True once `signalNumber` waits for the stopped process `pid`. Ctrl+C goes
// through the terminal's line discipline, which raises the signal a moment
// after the key is typed and throws away the output not yet read: the process
// goes on only once that is done.
bool SignalPending(pid_t pid, int signalNumber) {
    const unsigned long long bit = 1ull << (signalNumber - 1);
    for (long long end = NowMs() + DefaultTimeoutMs; NowMs() < end; usleep(1000)) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.compare(0, 7, "ShdPnd:") != 0 && line.compare(0, 7, "SigPnd:") != 0) continue;
            if ((std::stoull(line.substr(7), nullptr, 16) & bit) != 0) return true;
        }
    }
    return false;
}

class UpdateInterruptTest : public UpdateTest, public ::testing::WithParamInterface<Interruption> {};

TEST_P(UpdateInterruptTest, TheUpdateEndsOnlyOnceTheRecorderCanStart) {
    const Interruption& c = GetParam();
    const std::string state = Scratch("state");
    PtyProcess p;
    ASSERT_TRUE(StartSim(p, Concat({"--state", state}, c.simOptions)));
    ASSERT_TRUE(p.WaitFor(text::ConfirmLoad()));
    p.Press("y");
    ASSERT_TRUE(p.WaitFor(text::ConfirmErase));
    p.Press("l");
    ASSERT_TRUE(p.WaitFor(text::ConfirmBootLoader(SimBootLoader)));
    p.Press("y");
    ASSERT_TRUE(p.WaitStopped());
    EXPECT_EQ(p.Output(), text::Banner + Prompts + c.atStop);
    if (c.typed) {
        p.Press(KeyCtrlC);
    } else {
        kill(p.Pid(), c.signalNumber);
    }
    ASSERT_TRUE(SignalPending(p.Pid(), c.signalNumber));
    p.Continue();
    EXPECT_EQ(p.WaitExit(), 128 + c.signalNumber);
    EXPECT_EQ(p.Output(), text::Banner + Prompts + c.atStop + c.ending);

    const Version bootLoader = c.firmwareRuns ? ImageBootLoader : SimBootLoader;
    UpdateRun again{{"--state", state}, {}, {}};
    if (c.firmwareRuns) {
        again.turns = {{text::Versions(bootLoader, ImageFirmware) + text::Closing(msg::NothingNewer),
                        "x"}};
    } else {
        // A pass cut short leaves no firmware that the recorder would start.
        again.turns = {{text::BootLoaderVersion(bootLoader) + text::FirmwareUnavailable +
                            text::ConfirmLoad(),
                        "n"}};
    }
    EXPECT_EQ(Play(again), 0);
}

INSTANTIATE_TEST_SUITE_P(, UpdateInterruptTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Interruption>& test) {
                             return test.param.name;
                         });

}  // namespace

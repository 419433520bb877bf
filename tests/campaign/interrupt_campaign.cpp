// The interruption campaign: the whole update of the single-fault sweep (boot
// loader and firmware replaced, data area erased), cut off at every SCSI
// command of the clean run in turn, then run again, plainly, on the recorder
// the cut left, answering y, l, y. Each command K is cut in two ways:
//   - the cable pulled: from K on the recorder answers nothing (a process
//     killed just before K leaves the recorder exactly so; only what the
//     first run prints differs, and it prints nothing more);
//   - the power lost: just before K the recorder's drive vanishes, its
//     controller comes up from memory alone, and it is back 5 s later;
// and each cut recorder is run again as it was left, and once more after
// being unplugged and plugged in again. A second run whose closing text
// tells the person to disconnect the recorder is followed by that power
// cycle. The runs share nothing but the recorder (controller memory, mode,
// what it holds while powered, flash), carried from one to the next apart
// from the updater's own state.
//
// A cut breaks the campaign when:
//   - the first run ends with 0 after the cable was pulled (a power loss may
//     end with 0, for an update it still finished; so may Esc in the wait
//     for a recorder that never came, which a person presses after 30 s), or
//     breaks a rule of the single-fault sweep (tests/sweep/fault_sweep.cpp);
//   - the second run breaks such a rule, or ends with anything but 0;
//   - after it (and the power cycle it asked for) the recorder does not hold
//     and run the new firmware and boot-loader section;
//   - any power-on starts a firmware that is neither the one the recorder
//     had nor the new one: a half-written firmware;
//   - the data area is left unerased, where it is judged: not when the cut
//     came after the new firmware was in, nor when the second run shows the
//     firmware as unavailable (the erase is skipped for that by design).
//
//   vkr_interrupt_campaign [--shard K/N] [--all]
// runs the commands whose number is K modulo N (all by default) and reports
// the first cut that breaks (every one with --all), with how to replay it.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/messages.h"
#include "app/update_sequence.h"
#include "controller/programming.h"
#include "sim/sim.h"
#include "tests/campaign/recorder_snapshot.h"
#include "tests/sweep/sweep_run.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

enum : unsigned { WatchdogSeconds = 60 };
enum : uint32_t { ProgrammableEnd = 0xD400, BootLoaderAddress = 0xD800, BootLoaderSize = 8192 };

enum Kind : int { CablePulled = 0, PowerLost = 1, KindCount = 2 };
const char* const KindNames[KindCount] = {"cable pulled", "power lost"};
const char* const KindOptions[KindCount] = {"--fail-command %llu:4000000000", "--power-loss-at %llu"};

struct Tally {
    uint64_t tried;
    uint64_t recovered;
    double seconds;
};
Tally tallies[KindCount][2];  // [kind][power-cycled between the runs]

uint8_t originalMemory[SimMcuMemorySize];  // the recorder before any update
uint8_t newImage[SimMcuMemorySize];        // what a finished update leaves
char currentCut[96] = "the clean run";

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool HoldsNewFirmware() {
    const uint8_t* memory = SimMcuMemory();
    return std::memcmp(memory, newImage, ProgrammableEnd) == 0 &&
           std::memcmp(memory + BootLoaderAddress, newImage + BootLoaderAddress, BootLoaderSize) == 0;
}

// The recorder unplugged and plugged in again: "" when what it starts, if
// anything, is a whole firmware.
std::string PowerCycle() {
    SimMcuPowerOn();
    if (SimMcuCurrentMode() != SimMcuRunning) return "";
    const uint8_t* memory = SimMcuMemory();
    if (std::memcmp(memory, newImage, ProgrammableEnd) == 0 ||
        std::memcmp(memory, originalMemory, ProgrammableEnd) == 0)
        return "";
    return "a power-on started a half-written firmware";
}

bool powerCycledBetween = false;
std::string betweenProblem;

void SetUpSecondRun() {
    SnapshotRestore(false);
    if (powerCycledBetween) betweenProblem = PowerCycle();
}

void NameCut(Kind kind, uint64_t k, bool powerCycled) {
    char option[64];
    std::snprintf(option, sizeof option, KindOptions[kind], static_cast<unsigned long long>(k));
    std::snprintf(currentCut, sizeof currentCut, "cut %s%s", option, powerCycled ? ", power-cycled" : "");
}

void Report(Kind kind, uint64_t k, bool powerCycled, int run, const std::string& problem) {
    char option[64];
    std::snprintf(option, sizeof option, KindOptions[kind], static_cast<unsigned long long>(k));
    std::fprintf(stderr, "interrupt campaign: %s at command %llu%s: run %d %s\n", KindNames[kind],
                 static_cast<unsigned long long>(k), powerCycled ? ", power-cycled between the runs" : "",
                 run, problem.c_str());
    std::fprintf(stderr,
                 "  replay: vokari-update-sim --state S %s, y l y; then vokari-update-sim --state S%s, "
                 "y l y\n",
                 option, powerCycled ? " --power-cycled" : "");
    const std::string& out = SweepOutput();
    std::fprintf(stderr, "  output of run %d (end): %s\n", run,
                 out.substr(out.size() > 400 ? out.size() - 400 : 0).c_str());
}

// The first run, cut at command k; "" when it held. The recorder it leaves
// is in the snapshot, and *firmwareIn tells whether the new firmware was in.
std::string FirstRun(Kind kind, uint64_t k, bool* firmwareIn) {
    SimOptions options;
    SimDefaultOptions(&options);
    if (kind == CablePulled) {
        options.failCommand = k;
        options.failCommandCount = UINT32_MAX;
    } else {
        options.powerLossAt = k;
    }
    int exitCode = 0;
    std::string problem = SweepRunFrom(options, nullptr, &exitCode);
    SnapshotTake();
    *firmwareIn = HoldsNewFirmware();
    if (!problem.empty()) return problem;
    // Esc in the wait for a recorder that never came ends with 0 as well,
    // before anything was read from it.
    if (kind == CablePulled && exitCode == ExitDone &&
        Contains(SweepOutput(), "Current Boot Loader version"))
        return "ended with 0 after the cable was pulled";
    return "";
}

// The second run on the recorder the first one left; "" when all is well.
std::string SecondRun(bool powerCycled, bool firmwareIn) {
    SimOptions options;
    SimDefaultOptions(&options);
    powerCycledBetween = powerCycled;
    betweenProblem.clear();
    int exitCode = 0;
    std::string problem = SweepRunFrom(options, SetUpSecondRun, &exitCode);
    if (!betweenProblem.empty()) return betweenProblem;
    if (!problem.empty()) return problem;
    if (exitCode != ExitDone) return "ended with " + std::to_string(exitCode);
    const std::string& out = SweepOutput();
    if (Contains(out, msg::DisconnectRecorder)) {
        std::string started = PowerCycle();
        if (!started.empty()) return started;
    }
    const bool dataJudged = !firmwareIn && !Contains(out, msg::CurrentFirmwareUnavailable);
    std::string lack = SweepRecorderLacks(dataJudged);
    return lack.empty() ? "" : "ended with 0, but " + lack;
}

void OnDeath() {
    const char* prefix = "interrupt campaign: died in ";
    ssize_t ignored = write(STDERR_FILENO, prefix, std::strlen(prefix));
    ignored = write(STDERR_FILENO, currentCut, std::strlen(currentCut));
    ignored = write(STDERR_FILENO, "\n", 1);
    (void)ignored;
}

#ifndef __SANITIZE_ADDRESS__
void OnCrash(int signalNumber) {
    OnDeath();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}
#endif

void OnWatchdog(int) {
    OnDeath();
    const char text[] = "interrupt campaign: the run hung (no end within the watchdog's time)\n";
    ssize_t ignored = write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
    _exit(2);
}

bool ParseArgs(int argc, char** argv, uint64_t* shard, uint64_t* shards, bool* all) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--all") == 0) {
            *all = true;
        } else if (std::strcmp(argv[i], "--shard") == 0 && i + 1 < argc) {
            unsigned long long k = 0, n = 0;
            char end = 0;
            if (std::sscanf(argv[++i], "%llu/%llu%c", &k, &n, &end) != 2 || n == 0 || k >= n) return false;
            *shard = k;
            *shards = n;
        } else {
            return false;
        }
    }
    return true;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t shard = 0, shards = 1;
    bool all = false;
    if (!ParseArgs(argc, argv, &shard, &shards, &all)) {
        std::fprintf(stderr, "usage: vkr_interrupt_campaign [--shard K/N] [--all]\n");
        return 64;
    }
    signal(SIGALRM, OnWatchdog);
#ifdef __SANITIZE_ADDRESS__
    __sanitizer_set_death_callback(OnDeath);
#else
    for (int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(signalNumber, OnCrash);
#endif
    const auto start = std::chrono::steady_clock::now();
    if (!SweepPrepare()) {
        std::fprintf(stderr, "interrupt campaign: cannot capture the output or load the firmware image\n");
        return 2;
    }

    // The clean run gives the commands to cut, the time limit, and the
    // memory of a recorder before and after an update.
    SimReset();
    std::memcpy(originalMemory, SimMcuMemory(), sizeof originalMemory);
    int exitCode = 0;
    alarm(WatchdogSeconds);
    std::string problem = SweepRun(0, 0, &exitCode);
    if (!problem.empty() || exitCode != ExitDone) {
        std::fprintf(stderr, "interrupt campaign: the clean run %s\n",
                     problem.empty() ? "did not end with 0" : problem.c_str());
        return 1;
    }
    std::memcpy(newImage, SimMcuMemory(), sizeof newImage);
    const uint64_t commands = SimCommandCount();
    SweepSetTimeLimit(SimNowMs() + RestartGoneLimitMs + RestartBackLimitMs + SimPowerOffMs);
    // Long after a recorder that lost its power is back.
    SweepEscapeFrom(6 * SimPowerOffMs);

    uint64_t broken = 0;
    for (int kind = 0; kind < KindCount; ++kind) {
        for (uint64_t k = 1 + shard; k <= commands; k += shards) {
            const auto cutStart = std::chrono::steady_clock::now();
            NameCut(static_cast<Kind>(kind), k, false);
            alarm(WatchdogSeconds);
            bool firmwareIn = false;
            std::string first = FirstRun(static_cast<Kind>(kind), k, &firmwareIn);
            const double firstSeconds = SecondsSince(cutStart) / 2;  // shared by both second runs
            for (bool powerCycled : {false, true}) {
                const auto runStart = std::chrono::steady_clock::now();
                Tally& tally = tallies[kind][powerCycled];
                ++tally.tried;
                NameCut(static_cast<Kind>(kind), k, powerCycled);
                alarm(WatchdogSeconds);
                std::string second = first.empty() ? SecondRun(powerCycled, firmwareIn) : "";
                tally.seconds += firstSeconds + SecondsSince(runStart);
                if (first.empty() && second.empty()) {
                    ++tally.recovered;
                    continue;
                }
                if (broken++ == 0 || all)
                    Report(static_cast<Kind>(kind), k, powerCycled, first.empty() ? 2 : 1,
                           first.empty() ? second : first);
            }
        }
    }
    alarm(0);
    std::fprintf(stderr, "interrupt campaign: %llu commands in the clean run; shard %llu/%llu\n",
                 static_cast<unsigned long long>(commands), static_cast<unsigned long long>(shard),
                 static_cast<unsigned long long>(shards));
    for (int kind = 0; kind < KindCount; ++kind)
        for (bool powerCycled : {false, true}) {
            const Tally& t = tallies[kind][powerCycled];
            std::fprintf(stderr, "  %-12s %-24s %6llu cuts, %6llu recovered, %6.1f s\n", KindNames[kind],
                         powerCycled ? "power-cycled between" : "kept powered between",
                         static_cast<unsigned long long>(t.tried),
                         static_cast<unsigned long long>(t.recovered), t.seconds);
        }
    std::fprintf(stderr, "  %llu broken, %.1f s in all\n", static_cast<unsigned long long>(broken),
                 SecondsSince(start));
    return broken == 0 ? 0 : 1;
}

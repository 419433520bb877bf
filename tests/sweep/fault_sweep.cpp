// The single-fault sweep: a whole update on the simulated recorder (boot
// loader and firmware replaced, data area erased), run in-process once per
// SCSI command of the clean run with that command failing, and once more
// with it and the four after it failing. Every module starts fresh for each
// run. A run breaks the sweep when:
//   - it ends with 0 but the recorder does not hold the firmware image with
//     its status record and the boot-loader section, is not running it, or
//     has a data-area block left unerased (unless the output shows the
//     firmware as unavailable, for which the erase is skipped); or it ends
//     with anything but 0 or 2, or with 2 and no word of what failed;
//   - a frame writes outside 0x0000-0xD3FF, or a frame, erase or page write
//     is sent after the output has reported a failure;
//   - it takes longer on the virtual clock than the clean run and both
//     restart limits together (or hangs: a watchdog ends the sweep).
// Crashes and sanitizer reports end the sweep with the run named.
//
//   vkr_fault_sweep [--shard K/N] [--all]
// runs the commands whose number is K modulo N (all of them by default) and
// reports the first run that breaks (every one with --all). Any run can be
// replayed by hand: vokari-update-sim --fail-command NUMBER:COUNT, then y, l, y.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/update_sequence.h"
#include "controller/programming.h"
#include "sim/sim.h"
#include "tests/sweep/sweep_run.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

enum : unsigned { WatchdogSeconds = 60 };

constexpr char ReplayKeys[] = "then y, l, y";
char currentRun[64] = "the clean run";

void ReportRun(uint64_t first, uint32_t count, const std::string& problem) {
    std::fprintf(stderr, "fault sweep: run --fail-command %llu:%u %s\n",
                 static_cast<unsigned long long>(first), count, problem.c_str());
    std::fprintf(stderr, "  replay: vokari-update-sim --fail-command %llu:%u, %s\n",
                 static_cast<unsigned long long>(first), count, ReplayKeys);
    const std::string& out = SweepOutput();
    std::fprintf(stderr, "  output (end): %s\n",
                 out.substr(out.size() > 400 ? out.size() - 400 : 0).c_str());
}

void NameCurrentRun(uint64_t first, uint32_t count) {
    std::snprintf(currentRun, sizeof currentRun, "run --fail-command %llu:%u",
                  static_cast<unsigned long long>(first), count);
}

void OnDeath() {
    const char* prefix = "fault sweep: died in ";
    ssize_t ignored = write(STDERR_FILENO, prefix, std::strlen(prefix));
    ignored = write(STDERR_FILENO, currentRun, std::strlen(currentRun));
    ignored = write(STDERR_FILENO, "\n", 1);
    (void)ignored;
}

#ifndef __SANITIZE_ADDRESS__
// Without the sanitizers' report, a crash still names its run.
void OnCrash(int signalNumber) {
    OnDeath();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}
#endif

void OnWatchdog(int) {
    OnDeath();
    const char text[] = "fault sweep: the run hung (no end within the watchdog's time)\n";
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

}  // namespace

int main(int argc, char** argv) {
    uint64_t shard = 0, shards = 1;
    bool all = false;
    if (!ParseArgs(argc, argv, &shard, &shards, &all)) {
        std::fprintf(stderr, "usage: vkr_fault_sweep [--shard K/N] [--all]\n");
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
        std::fprintf(stderr, "fault sweep: cannot capture the output or load the firmware image\n");
        return 2;
    }

    // The clean run: its commands are the ones to fail, its time the base of
    // the limit (a run ends at its first time-out, so both limits together
    // are more than any run needs beyond it).
    int exitCode = 0;
    alarm(WatchdogSeconds);
    std::string problem = SweepRun(0, 0, &exitCode);
    if (!problem.empty() || exitCode != ExitDone) {
        ReportRun(0, 0, problem.empty() ? "did not end with 0" : problem);
        return 1;
    }
    const uint64_t commands = SimCommandCount();
    SweepSetTimeLimit(SimNowMs() + RestartGoneLimitMs + RestartBackLimitMs);

    uint64_t runs = 0, broken = 0;
    for (uint64_t first = 1 + shard; first <= commands; first += shards) {
        for (uint32_t count : {1u, 5u}) {
            NameCurrentRun(first, count);
            alarm(WatchdogSeconds);
            problem = SweepRun(first, count, &exitCode);
            ++runs;
            if (problem.empty()) continue;
            if (broken++ == 0 || all) ReportRun(first, count, problem);
        }
    }
    alarm(0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "fault sweep: %llu commands in the clean run; shard %llu/%llu: %llu runs, %llu broken, %.1f s\n",
                 static_cast<unsigned long long>(commands), static_cast<unsigned long long>(shard),
                 static_cast<unsigned long long>(shards), static_cast<unsigned long long>(runs),
                 static_cast<unsigned long long>(broken), seconds);
    return broken == 0 ? 0 : 1;
}

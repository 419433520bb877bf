// The share of one core that the device wait takes on Linux while no recorder
// is attached: the real vokari-update is started on a pseudo-terminal, left
// waiting for at least five seconds, and ended with Esc; its user and system
// time are then set against the wall time it ran.
//
// To show where that time goes, the parts of one pass of the wait are timed
// in this process too: the real length of the 1 ms pause, one connection test


//
// Usage: vkr_device_wait_cpu_bench [SECONDS]   (at least 5; default 5)
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "device/recorder_access.h"
#include "platform/clock.h"
#include "tests/e2e/pty_process.h"
#include "vokari/vkr.h"

namespace {

const char WaitText[] = "Connect device to continue or press Esc to exit.\n";
const char RefusalText[] = "Close all other digital recorder applications";

long long NowNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct PartCost {
    double realUs;  // wall time a call takes
    double cpuUs;   // CPU time (user + system) a call takes
};

// Average of `count` calls of `step`.
template <typename Step>
PartCost Measure(int count, Step step) {
    long long real = NowNs(CLOCK_MONOTONIC);
    long long cpu = NowNs(CLOCK_PROCESS_CPUTIME_ID);
    for (int i = 0; i < count; ++i) step();
    return {static_cast<double>(NowNs(CLOCK_MONOTONIC) - real) / count / 1000.0,
            static_cast<double>(NowNs(CLOCK_PROCESS_CPUTIME_ID) - cpu) / count / 1000.0};
}

void TimeTheParts() {
    PartCost sleep = Measure(1000, [] { SleepMs(1); });
    PartCost scan = Measure(1000, [] {
        char* path = nullptr;
        if (Vkr_IsConnected(&path)) std::free(path);
    });
    PartCost check = Measure(1000, [] {
        char node[64];
        FindDeniedRecorder(node, sizeof node);
    });
    std::printf("the parts of one pass, timed in this process (real / CPU per call):\n");
    std::printf("  SleepMs(1)                     %8.1f us / %5.1f us\n", sleep.realUs, sleep.cpuUs);
    std::printf("  Vkr_IsConnected, no recorder   %8.1f us / %5.1f us  (drives 0-8)\n",
                scan.realUs, scan.cpuUs);
    std::printf("  access check of drives 0-8     %8.1f us / %5.1f us  (once a second)\n",
                check.realUs, check.cpuUs);
    double pass = sleep.realUs + scan.realUs;
    std::printf("  => %.0f passes a second; a pass costs about %.1f us of CPU (%.2f %% of a core)\n",
                1e6 / pass, sleep.cpuUs + scan.cpuUs, 100.0 * (sleep.cpuUs + scan.cpuUs) / pass);
}

// Runs the real updater in its device wait for `seconds`, ends it and
// reports its CPU time against the wall time. False when it never waited.
bool WatchTheWait(int seconds) {
    long long start = NowMs();
    PtyProcess updater;
    if (!updater.Start(VKR_UPDATE_PROGRAM, {})) {
        std::fprintf(stderr, "cannot start %s\n", VKR_UPDATE_PROGRAM);
        return false;
    }
    if (!updater.WaitFor(WaitText)) {
        bool refused = updater.Output().find(RefusalText) != std::string::npos;
        std::fprintf(stderr, "%s\n", refused ? "another copy holds the single-instance lock"
                                             : "the updater did not start waiting (recorder attached?)");
        return false;
    }
    updater.StaysRunningFor(seconds * 1000);
    updater.Press(KeyEscape);
    const char* ending = "Esc";
    if (updater.WaitExit(3000) == ExitTimedOut) {
        updater.Kill();
        ending = "SIGKILL (Esc was not taken)";
    }
    double wall = static_cast<double>(NowMs() - start) / 1000.0;

    // Only children that have been waited for count: the updater has been.
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("vokari-update waiting, ended by %s:\n", ending);
    std::printf("  wall %.2f s, user %.3f s, sys %.3f s\n", wall,
                static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6,
                static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6);
    std::printf("  CPU share of one core: %.2f %%\n", 100.0 * CpuSeconds(usage) / wall);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds < 5) seconds = 5;
    TimeTheParts();
    return WatchTheWait(seconds) ? 0 : 1;
}

// The share of one core that the device wait takes on Linux while no recorder
// is attached: the real vokari-update is started on a pseudo-terminal, left
// waiting for at least five seconds, and ended with Esc; its user and system
// time are then set against the wall time it ran.
//
// To show where that time goes, the parts of one pass of the wait are timed
// in this process too: the real length of the 1 ms pause, one connection test
// that finds no recorder, and the access check of drives 0 to 8 that the wait
// makes once a second until a denied node has been reported.
//
// Usage: vkr_device_wait_cpu_bench [SECONDS]   (at least 5; default 5)
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/drive.h"
#include "tests/e2e/pty_process.h"
#include "vokari/vkr.h"

namespace {

const char WaitText[] = "Connect device to continue or press Esc to exit.\n";
const char RefusalText[] = "Close all other digital recorder applications";

long long NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Average real microseconds of `count` calls of `step`.
template <typename Step>
double AverageUs(int count, Step step) {
    long long start = NowNs();
    for (int i = 0; i < count; ++i) step();
    return static_cast<double>(NowNs() - start) / count / 1000.0;
}

void TimeTheParts() {
    double sleepUs = AverageUs(1000, [] { SleepMs(1); });
    double scanUs = AverageUs(1000, [] {
        char* path = nullptr;
        if (Vkr_IsConnected(&path)) std::free(path);
    });
    double checkUs = AverageUs(1000, [] {
        char path[] = "\\\\.\\PHYSICALDRIVE0";
        for (char d = '0'; d <= '8'; ++d) {
            path[17] = d;
            DriveCheckAccess(path);
        }
    });
    std::printf("one pass, timed in this process:\n");
    std::printf("  SleepMs(1), real length       %9.1f us\n", sleepUs);
    std::printf("  Vkr_IsConnected, no recorder  %9.1f us  (drives 0-8)\n", scanUs);
    std::printf("  access check of drives 0-8    %9.1f us  (once a second)\n", checkUs);
    std::printf("  => about %.0f passes a second, scan share of a pass %.2f %%\n",
                1e6 / (sleepUs + scanUs), 100.0 * scanUs / (sleepUs + scanUs));
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds < 5) seconds = 5;

    TimeTheParts();

    long long start = NowMs();
    PtyProcess updater;
    if (!updater.Start(VKR_UPDATE_PROGRAM, {})) {
        std::fprintf(stderr, "cannot start %s\n", VKR_UPDATE_PROGRAM);
        return 1;
    }
    if (!updater.WaitFor(WaitText)) {
        bool refused = updater.Output().find(RefusalText) != std::string::npos;
        std::fprintf(stderr, "%s\n", refused ? "another copy holds the single-instance lock"
                                             : "the updater did not start waiting (recorder attached?)");
        return 1;
    }
    updater.StaysRunningFor(seconds * 1000);
    updater.Press(KeyEscape);
    int code = updater.WaitExit(3000);
    const char* ending = "Esc";
    if (code == ExitTimedOut) {
        updater.Kill();
        ending = "SIGKILL (Esc was not taken)";
    }
    double wall = static_cast<double>(NowMs() - start) / 1000.0;

    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    double cpu = CpuSeconds(usage);
    std::printf("vokari-update waiting, ended by %s:\n", ending);
    std::printf("  wall %.2f s, user %.3f s, sys %.3f s\n", wall,
                static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6,
                static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6);
    std::printf("  CPU share of one core: %.2f %%\n", 100.0 * cpu / wall);
    return 0;
}

// How far SleepMs on this machine overshoots what it is asked for, for the
// pause lengths the updater uses (50 ms after every frame, 500 ms after a
// failed one) and a short one.
//
// Run by hand: build/default/bench/vkr_sleep_bench (about 12 s).
#include <time.h>

#include <cstdio>

#include "platform/clock.h"

namespace {

double MicrosecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void Measure(uint32_t ms, int count) {
    double total = 0, worst = 0;
    for (int i = 0; i < count; ++i) {
        double start = MicrosecondsNow();
        SleepMs(ms);
        double over = MicrosecondsNow() - start - ms * 1000.0;
        total += over;
        if (over > worst) worst = over;
    }
    std::printf("SleepMs(%3u) x %3d: mean overshoot %7.1f us, worst %7.1f us (%.3f%% of %u ms)\n",
                ms, count, total / count, worst, total / count / (ms * 10.0), ms);
}

}  // namespace

int main() {
    Measure(1, 500);
    Measure(50, 160);
    Measure(500, 6);
    return 0;
}

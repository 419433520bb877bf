// Real pauses and the monotonic clock on Windows. The system timer's
// resolution is raised to 1 ms for the run (from the first pause to the end
// of the process), so that Sleep(50) is not stretched to the next 15.6 ms
// tick; it is given back at exit.
#include <windows.h>

#include <cstdlib>

#include "platform/real_clock.h"

namespace {

bool periodRaised = false;

void RestorePeriod() { timeEndPeriod(1); }

}  // namespace

void RealSleepMs(uint32_t ms) {
    if (!periodRaised) {
        periodRaised = true;
        if (timeBeginPeriod(1) == TIMERR_NOERROR) std::atexit(RestorePeriod);
    }
    Sleep(ms);
}

uint64_t RealMonotonicMs() {
    // The performance counter, not GetTickCount64: that one moves in whole
    // timer ticks whatever the resolution asked for.
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
    const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

// The clock seam on Windows: the machine's own clock (real_clock_windows.cpp).
#include "platform/clock.h"
#include "platform/real_clock.h"

void SleepMs(uint32_t ms) { RealSleepMs(ms); }

uint64_t MonotonicMs() { return RealMonotonicMs(); }

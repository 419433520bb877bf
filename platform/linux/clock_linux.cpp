// The clock seam on Linux: the machine's own clock (real_clock_linux.cpp).
#include "platform/clock.h"
#include "platform/real_clock.h"

void SleepMs(uint32_t ms) { RealSleepMs(ms); }

uint64_t MonotonicMs() { return RealMonotonicMs(); }

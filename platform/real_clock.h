// The machine's own clock, for code that provides the clock seam itself (the
// simulated recorder, whose clock is virtual) and still needs real pauses and
// real time. Everything else uses clock.h.
//
// Native implementations: linux/real_clock_linux.cpp, windows/real_clock_windows.cpp.
#pragma once

#include <cstdint>

// Pauses for `ms` milliseconds of real time, as closely as the system allows.
void RealSleepMs(uint32_t ms);

// Milliseconds since an arbitrary fixed point; never goes backwards.
uint64_t RealMonotonicMs();

// Clock seam: pauses and a monotonic clock, in milliseconds.
//
// Native implementation in linux/clock_linux.cpp; the simulated recorder
// supplies a virtual clock in which pauses take no real time.
#pragma once

#include <cstdint>

void SleepMs(uint32_t ms);

// Milliseconds since an arbitrary fixed point; never goes backwards.
uint64_t MonotonicMs();

// The simulator's clock, behind the clock seam (platform/clock.h).
//
// Virtual by default: a pause moves the clock on and returns at once. When
// nothing in the simulator can change any more (no recorder present or on its
// way), a pause also takes real time, so that a console left waiting for a
// person does not spin a core and flood the trace.
#include "platform/clock.h"
#include "platform/real_clock.h"
#include "sim/sim.h"
#include "sim/sim_drives.h"

namespace {

bool realTime = false;
uint64_t virtualNow = 0;
uint64_t realStart = 0;
uint64_t pausedTotal = 0;

uint64_t RealMs() { return RealMonotonicMs(); }

void RealSleep(uint32_t ms) { RealSleepMs(ms); }

}  // namespace

void SimClockReset() {
    realTime = false;
    virtualNow = 0;
    pausedTotal = 0;
    realStart = RealMs();
}

void SimSetRealTime(bool on) {
    realTime = on;
    realStart = RealMs() - virtualNow;
}

uint64_t SimNowMs() { return realTime ? RealMs() - realStart : virtualNow; }

void SimAdvanceMs(uint64_t ms) {
    if (!realTime) virtualNow += ms;
}

uint64_t SimPausedMs() { return pausedTotal; }

void SleepMs(uint32_t ms) {
    pausedTotal += ms;
    if (realTime) {
        RealSleep(ms);
        return;
    }
    virtualNow += ms;
    if (SimDrivesSettled()) RealSleep(ms);
}

uint64_t MonotonicMs() { return SimNowMs(); }

// Host-side cost of one Execute_SCSI_Cmd on the simulated drive: the
// transport's open, command and close, plus the simulator's own work. The
// simulated recorder answers at once, so this is the floor under every
// command the updater sends in the tests, not a figure for a real recorder.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "device/device_state.h"
#include "device/scsi_commands.h"
#include "sim/sim.h"
#include "vokari/vkr.h"

namespace {

// A fresh simulator with the recorder on drive 1 and the device path on
// `drive`; the trace written to `tracePath` when one is given.
void StartOn(char drive, const char* tracePath) {
    SimOptions options;
    SimDefaultOptions(&options);
    options.tracePath = tracePath;
    char error[128];
    SimStart(options, error, sizeof error);
    DeviceResetState();
    DevicePath[DevicePathDigitIndex] = drive;
}

void Run(benchmark::State& state, const uint8_t* cdb, uint32_t length, int32_t expected) {
    static uint8_t buffer[65536];
    for (auto _ : state) {
        int32_t result = Execute_SCSI_Cmd(VKR_DATA_IN, cdb, buffer, length);
        if (result != expected) {
            state.SkipWithError("unexpected result");
            break;
        }
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations());
    if (expected == 1) state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
    SimReset();
}

void Inquiry(benchmark::State& state) {
    StartOn('1', nullptr);
    const uint8_t cdb[16] = {ScsiOpInquiry};
    Run(state, cdb, 36, 1);
}
BENCHMARK(Inquiry);

// The same command with every one written to a trace file, as the
// end-to-end tests run it.
void InquiryTraced(benchmark::State& state) {
    StartOn('1', "/dev/null");
    const uint8_t cdb[16] = {ScsiOpInquiry};
    Run(state, cdb, 36, 1);
}
BENCHMARK(InquiryTraced);

// The largest transfer a command may move: 128 sectors of erased flash.
void Read64KiB(benchmark::State& state) {
    StartOn('1', nullptr);
    uint8_t cdb[16] = {ScsiOpRead10};
    PutBigEndian(cdb + 7, 128, 2);
    Run(state, cdb, 65536, 1);
}
BENCHMARK(Read64KiB);

// A probe of an empty slot, what each pass of the device wait costs per drive.
void EmptySlot(benchmark::State& state) {
    StartOn('5', nullptr);
    const uint8_t cdb[16] = {ScsiOpInquiry};
    Run(state, cdb, 36, 0);
}
BENCHMARK(EmptySlot);

}  // namespace

BENCHMARK_MAIN();

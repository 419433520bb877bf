// Vkr_ReadPages through the whole stack (transport, drive seam, simulated
// storage controller and flash) with the trace off. The simulated device
// answers from memory, so what is measured is the host side: the chunking
// loop, one open, command and close per 64 KiB, and the copy out of the
// simulated flash. A USB 2.0 link carries roughly 40 MB/s; the figure here
// shows how far the stack stays clear of that.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/sim.h"
#include "vokari/vkr.h"

namespace {

constexpr uint32_t PageSize = 2048;  // the simulated recorder's default geometry

// A fresh recorder, found by discovery; with `written`, the first `pages`
// pages hold data (a copy out of the page store), otherwise they read as
// erased (0xFF filled in).
bool StartRecorder(uint16_t pages, bool written) {
    SimReset();
    char* path = nullptr;
    if (Vkr_IsConnected(&path) != 1) return false;
    std::free(path);
    if (!written) return true;
    std::vector<uint8_t> data(size_t{pages} * PageSize, 0x5A);
    return Vkr_WritePages(0, data.data(), pages) == 1;
}

void BM_ReadPages(benchmark::State& state) {
    const auto pages = static_cast<uint16_t>(state.range(0));
    const bool written = state.range(1) != 0;
    if (!StartRecorder(pages, written)) {
        state.SkipWithError("no simulated recorder");
        return;
    }
    std::vector<uint8_t> buffer(size_t{pages} * PageSize);
    for (auto _ : state) {
        if (Vkr_ReadPages(0, buffer.data(), pages) != 1) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pages * PageSize);
}
// 32 pages: one READ(10); 512 pages: 1 MiB in 16 commands.
BENCHMARK(BM_ReadPages)->ArgNames({"pages", "written"})->ArgsProduct({{32, 512}, {0, 1}});

// The same bytes copied once, with nothing else around: the floor under
// the figures above.
void BM_CopyBaseline(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * PageSize;
    std::vector<uint8_t> source(bytes, 0x5A), destination(bytes);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_CopyBaseline)->ArgName("pages")->Arg(512);

}  // namespace

BENCHMARK_MAIN();

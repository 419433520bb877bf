// One clean programming pass on the simulated recorder in real time, with a
// device that answers at once: what the pass costs beyond its mandated
// pauses (1,749 frames x 50 ms = 87.45 s), in wall-clock and CPU time.
//
// Run by hand: build/default/bench/vkr_program_pass_bench (about 90 s).
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "controller/commands.h"
#include "controller/programming.h"
#include "sim/sim.h"
#include "vokari/vkr.h"

namespace {

constexpr double MandatedPauseMs = 1749 * 50.0;
constexpr uint32_t ImageBytes = 64512;

int dots = 0;
int bangs = 0;
void CountMark(char mark) { (mark == '.' ? dots : bangs) += 1; }

double SecondsOf(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main() {
    SimOptions options;
    SimDefaultOptions(&options);
    options.realTime = true;
    char error[128];
    if (!SimStart(options, error, sizeof error)) {
        std::fprintf(stderr, "vkr_program_pass_bench: %s\n", error);
        return 1;
    }
    char* recorderPath = nullptr;
    if (Vkr_IsConnected(&recorderPath) != 1) {
        std::fprintf(stderr, "vkr_program_pass_bench: no simulated recorder\n");
        return 1;
    }
    // Into programming mode the way the update does it.
    BeginBlock(FirmwareStatusAddress);
    if (RestartAndReconnect(&recorderPath) != RestartDone) {
        std::fprintf(stderr, "vkr_program_pass_bench: the recorder did not restart\n");
        return 1;
    }

    std::vector<uint8_t> image(ImageBytes);
    for (uint32_t i = 0; i < ImageBytes; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);

    const uint64_t pausedBefore = SimPausedMs();
    const double wallStart = SecondsOf(CLOCK_MONOTONIC);
    const double cpuStart = SecondsOf(CLOCK_PROCESS_CPUTIME_ID);
    const bool done = ProgramImage(image.data(), CountMark);
    const double wall = SecondsOf(CLOCK_MONOTONIC) - wallStart;
    const double cpu = SecondsOf(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
    const uint64_t paused = SimPausedMs() - pausedBefore;

    std::printf("pass:            %s (%d '.', %d '!')\n", done ? "written" : "FAILED", dots, bangs);
    std::printf("pauses asked:    %.3f s (floor %.3f s)\n", static_cast<double>(paused) / 1000,
                MandatedPauseMs / 1000);
    std::printf("wall clock:      %.3f s\n", wall);
    std::printf("ratio to floor:  %.4f (target <= 1.01)\n", wall * 1000 / MandatedPauseMs);
    std::printf("host CPU time:   %.3f s\n", cpu);
    std::free(recorderPath);
    return done ? 0 : 1;
}

// What keeping the simulated recorder's state file up to date costs on a
// whole update (boot loader, firmware, erase; in-process, virtual time):
// the same update run with and without --state, in turns, in one run.
//
// Run by hand: build/default/bench/vkr_state_write_through_bench [FILE]
// (FILE defaults to a name under /tmp; put it on the disk you care about).
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sim/sim.h"
#include "tests/sweep/sweep_run.h"

namespace {

constexpr int Rounds = 20;

double SecondsOf(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Cost {
    double wall;
    double cpu;
};

bool RunOnce(const char* statePath, Cost* cost) {
    if (statePath != nullptr) unlink(statePath);
    SimOptions options;
    SimDefaultOptions(&options);
    options.statePath = statePath;
    const double wall = SecondsOf(CLOCK_MONOTONIC), cpu = SecondsOf(CLOCK_PROCESS_CPUTIME_ID);
    int exitCode = 0;
    std::string problem = SweepRunFrom(options, nullptr, &exitCode);
    char error[128];
    bool finished = SimFinish(error, sizeof error);
    cost->wall += SecondsOf(CLOCK_MONOTONIC) - wall;
    cost->cpu += SecondsOf(CLOCK_PROCESS_CPUTIME_ID) - cpu;
    if (!problem.empty() || exitCode != 0 || !finished) {
        std::fprintf(stderr, "vkr_state_write_through_bench: the update failed: %s\n",
                     problem.empty() ? error : problem.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/vkr-write-through-bench.state";
    if (!SweepPrepare()) {
        std::fprintf(stderr, "vkr_state_write_through_bench: cannot capture the output\n");
        return 1;
    }
    Cost without{}, with{};
    for (int round = 0; round < Rounds; ++round) {
        if (!RunOnce(nullptr, &without) || !RunOnce(path.c_str(), &with)) return 1;
    }
    unlink(path.c_str());
    const uint64_t commands = SimCommandCount();
    std::fprintf(stderr,
                 "whole update (%llu SCSI commands), mean of %d:\n"
                 "  without --state: %7.2f ms wall, %7.2f ms CPU\n"
                 "  with --state:    %7.2f ms wall, %7.2f ms CPU\n"
                 "  ratio with/without: %.2f wall, %.2f CPU\n",
                 static_cast<unsigned long long>(commands), Rounds, without.wall * 1e3 / Rounds,
                 without.cpu * 1e3 / Rounds, with.wall * 1e3 / Rounds, with.cpu * 1e3 / Rounds,
                 with.wall / without.wall, with.cpu / without.cpu);
    return 0;
}

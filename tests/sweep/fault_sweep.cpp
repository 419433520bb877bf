// The single-fault sweep: a whole update on the simulated recorder (boot
// loader and firmware replaced, data area erased), run in-process once per
// SCSI command of the clean run with that command failing, and once more
// with it and the four after it failing. Every module starts fresh for each
// run. A run breaks the sweep when:
//   - it ends with 0 but the recorder does not hold the firmware image with
//     its status record and the boot-loader section, is not running it, or
//     has a data-area block left unerased (unless the output shows the
//     firmware as unavailable, for which the erase is skipped); or it ends
//     with anything but 0 or 2, or with 2 and no word of what failed;
//   - a frame writes outside 0x0000-0xD3FF, or a frame, erase or page write
//     is sent after the output has reported a failure;
//   - it takes longer on the virtual clock than the clean run and both
//     restart limits together (or hangs: a watchdog ends the sweep).
// Crashes and sanitizer reports end the sweep with the run named.
//
//   vkr_fault_sweep [--shard K/N] [--all]
// runs the commands whose number is K modulo N (all of them by default) and
// reports the first run that breaks (every one with --all). Any run can be
// replayed by hand: vokari-update-sim --fail-command NUMBER:COUNT, then y, l, y.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/console_state.h"
#include "app/device_wait.h"
#include "app/messages.h"
#include "app/update_sequence.h"
#include "controller/commands.h"
#include "controller/programming.h"
#include "device/device_state.h"
#include "images/image_store.h"
#include "sim/sim.h"
#include "tests/sweep/scripted_console.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

enum : uint32_t {
    ProgrammableEnd = 0xD400,
    BootLoaderAddress = 0xD800,
    BootLoaderSize = 8192,
    // The simulator's flash: 2,048 blocks of 128 KiB, the first 512 below
    // the 64 MiB mark that the erase leaves alone.
    FirstDataBlock = 512,
    FlashBlocks = 2048,
    WatchdogSeconds = 60,
};

// Load, confirm the erase, replace the boot loader; any later wait takes 'x'.
constexpr char Keys[] = "yly";
constexpr char ReplayKeys[] = "then y, l, y";

uint8_t expectedImage[UpdateImageSize];
uint64_t timeLimitMs = 0;
char currentRun[64] = "the clean run";

// What the watcher saw of the run under way.
struct Watch {
    std::string output;    // what the run printed so far, as far as looked at
    bool failureShown;     // the output reported a failure
    uint64_t writes;       // frames, erases and page writes sent
    std::string problem;   // the first rule the run broke, empty while none
};

Watch watch;

// The output so far, from the descriptor that standard output writes to
// unbuffered, read on from where the last look stopped.
void CatchUpOutput() {
    off_t size = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    if (size < 0 || static_cast<size_t>(size) <= watch.output.size()) return;
    size_t from = watch.output.size();
    watch.output.resize(static_cast<size_t>(size));
    ssize_t got = pread(STDOUT_FILENO, watch.output.data() + from, watch.output.size() - from,
                        static_cast<off_t>(from));
    watch.output.resize(from + (got > 0 ? static_cast<size_t>(got) : 0));
    // Every failure the console reports says "Failed" or "ERROR".
    size_t look = from > 8 ? from - 8 : 0;
    if (watch.output.find("Failed", look) != std::string::npos ||
        watch.output.find("ERROR", look) != std::string::npos)
        watch.failureShown = true;
}

void Break(const std::string& problem) {
    if (watch.problem.empty()) watch.problem = problem;
}

std::string HexAddress(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

void OnCommand(const uint8_t* cdb, const uint8_t* out, uint32_t length, int) {
    if (cdb[0] != 0xC8) return;
    bool writes = cdb[1] == 0x01 || cdb[1] == 0x0A;  // page write, block erase
    if (cdb[1] == 0x02 && out != nullptr && length >= 2) {
        const char frame = static_cast<char>(out[0]);
        writes = frame == 'Q' || frame == 'R' || frame == 'S';
        if ((frame == 'Q' || frame == 'R') && length >= 3) {
            const uint32_t address = out[1] | uint32_t{out[2]} << 8;
            const uint32_t size = frame == 'Q' && length >= 4 ? out[3] : 1;
            if (address + size > ProgrammableEnd)
                Break(std::string("a frame '") + frame + "' writes at " + HexAddress(address) +
                      ", outside 0x0000-0xD3FF");
        }
    }
    if (!writes) return;
    ++watch.writes;
    CatchUpOutput();
    if (watch.failureShown) Break("a frame, erase or page write was sent after a failure was reported");
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// What is wrong with a run that ended with 0, or "".
std::string WhatASuccessLacks() {
    if (Contains(watch.output, msg::NothingNewer))
        return watch.writes == 0 ? "" : "found up to date after writing to the recorder";
    const uint8_t* memory = SimMcuMemory();
    if (std::memcmp(memory, expectedImage, ProgrammableEnd) != 0)
        return "the recorder does not hold the firmware image";
    if (std::memcmp(memory + BootLoaderAddress, expectedImage + BootLoaderAddress, BootLoaderSize) != 0)
        return "the recorder does not hold the boot-loader section";
    if (SimMcuCurrentMode() != SimMcuRunning) return "the recorder is still in programming mode";
    // The erase is skipped, by design, for a firmware shown as unavailable.
    if (Contains(watch.output, msg::CurrentFirmwareUnavailable)) return "";
    for (uint32_t block = FirstDataBlock; block < FlashBlocks; ++block)
        if (SimFlashEraseCount(block) == 0) return "data-area block " + std::to_string(block) + " was not erased";
    return "";
}

std::string Judge(int exitCode, uint64_t elapsedMs) {
    CatchUpOutput();
    if (!watch.problem.empty()) return watch.problem;
    if (elapsedMs > timeLimitMs)
        return "took " + std::to_string(elapsedMs) + " ms of virtual time, past its bounded waits";
    if (exitCode == ExitDone) {
        std::string lack = WhatASuccessLacks();
        return lack.empty() ? "" : "ended with 0, but " + lack;
    }
    if (exitCode != ExitFailed) return "ended with " + std::to_string(exitCode);
    if (!watch.failureShown) return "ended with 2 without saying what failed";
    return "";
}

void ResetOutput() {
    if (ftruncate(STDOUT_FILENO, 0) != 0 || lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) {
        std::fprintf(stderr, "fault sweep: cannot reset the captured output\n");
        std::exit(2);
    }
}

// One whole update; failCount commands from failFirst on fail (none for 0).
std::string Run(uint64_t failFirst, uint32_t failCount, int* exitCode) {
    SimOptions options;
    SimDefaultOptions(&options);
    options.failCommand = failFirst;
    options.failCommandCount = failCount;
    char error[128];
    if (!SimStart(options, error, sizeof error)) return error;
    SimWatchCommands(OnCommand);
    DeviceResetState();
    ConsoleResetState();
    ImagesResetState();
    ControllerResetState();
    ScriptKeys(Keys);
    ResetOutput();
    watch = Watch{};

    *exitCode = WaitForRecorder() == WaitAbandoned ? ExitDone : RunUpdateSequence();
    return Judge(*exitCode, SimNowMs());
}

void ReportRun(uint64_t first, uint32_t count, const std::string& problem) {
    std::fprintf(stderr, "fault sweep: run --fail-command %llu:%u %s\n",
                 static_cast<unsigned long long>(first), count, problem.c_str());
    std::fprintf(stderr, "  replay: vokari-update-sim --fail-command %llu:%u, %s\n",
                 static_cast<unsigned long long>(first), count, ReplayKeys);
    const std::string& out = watch.output;
    std::fprintf(stderr, "  output (end): %s\n",
                 out.substr(out.size() > 400 ? out.size() - 400 : 0).c_str());
}

void NameCurrentRun(uint64_t first, uint32_t count) {
    std::snprintf(currentRun, sizeof currentRun, "run --fail-command %llu:%u",
                  static_cast<unsigned long long>(first), count);
}

void OnDeath() {
    const char* prefix = "fault sweep: died in ";
    ssize_t ignored = write(STDERR_FILENO, prefix, std::strlen(prefix));
    ignored = write(STDERR_FILENO, currentRun, std::strlen(currentRun));
    ignored = write(STDERR_FILENO, "\n", 1);
    (void)ignored;
}

void OnWatchdog(int) {
    OnDeath();
    const char text[] = "fault sweep: the run hung (no end within the watchdog's time)\n";
    ssize_t ignored = write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
    _exit(2);
}

bool ParseArgs(int argc, char** argv, uint64_t* shard, uint64_t* shards, bool* all) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--all") == 0) {
            *all = true;
        } else if (std::strcmp(argv[i], "--shard") == 0 && i + 1 < argc) {
            unsigned long long k = 0, n = 0;
            char end = 0;
            if (std::sscanf(argv[++i], "%llu/%llu%c", &k, &n, &end) != 2 || n == 0 || k >= n) return false;
            *shard = k;
            *shards = n;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t shard = 0, shards = 1;
    bool all = false;
    if (!ParseArgs(argc, argv, &shard, &shards, &all)) {
        std::fprintf(stderr, "usage: vkr_fault_sweep [--shard K/N] [--all]\n");
        return 64;
    }
    // The console's output goes to a memory file, unbuffered, so that the
    // watcher sees what was printed before each command.
    int captured = memfd_create("sweep-output", 0);
    if (captured < 0 || dup2(captured, STDOUT_FILENO) < 0) {
        std::perror("fault sweep: memfd_create");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    signal(SIGALRM, OnWatchdog);
#ifdef __SANITIZE_ADDRESS__
    __sanitizer_set_death_callback(OnDeath);
#endif
    const auto start = std::chrono::steady_clock::now();

    if (!LoadFirmwareImage(ProgramPath)) {
        std::fprintf(stderr, "fault sweep: the firmware image does not load\n");
        return 2;
    }
    std::memcpy(expectedImage, FirmwareImage, sizeof expectedImage);

    // The clean run: its commands are the ones to fail, its time the base of
    // the limit (a run ends at its first time-out, so both limits together
    // are more than any run needs beyond it).
    timeLimitMs = UINT64_MAX;
    int exitCode = 0;
    alarm(WatchdogSeconds);
    std::string problem = Run(0, 0, &exitCode);
    if (!problem.empty() || exitCode != ExitDone) {
        ReportRun(0, 0, problem.empty() ? "did not end with 0" : problem);
        return 1;
    }
    const uint64_t commands = SimCommandCount();
    timeLimitMs = SimNowMs() + RestartGoneLimitMs + RestartBackLimitMs;

    uint64_t runs = 0, broken = 0;
    for (uint64_t first = 1 + shard; first <= commands; first += shards) {
        for (uint32_t count : {1u, 5u}) {
            NameCurrentRun(first, count);
            alarm(WatchdogSeconds);
            problem = Run(first, count, &exitCode);
            ++runs;
            if (problem.empty()) continue;
            if (broken++ == 0 || all) ReportRun(first, count, problem);
        }
    }
    alarm(0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "fault sweep: %llu commands in the clean run; shard %llu/%llu: %llu runs, %llu broken, %.1f s\n",
                 static_cast<unsigned long long>(commands), static_cast<unsigned long long>(shard),
                 static_cast<unsigned long long>(shards), static_cast<unsigned long long>(runs),
                 static_cast<unsigned long long>(broken), seconds);
    return broken == 0 ? 0 : 1;
}

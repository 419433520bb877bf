// One run of the fault sweep and its verdict. The console's output goes,
// unbuffered, to a memory file that stands in for standard output, so that
// the watcher sees what was printed before each command.
#include "tests/sweep/sweep_run.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/console_state.h"
#include "app/device_wait.h"
#include "app/messages.h"
#include "app/update_sequence.h"
#include "controller/commands.h"
#include "device/device_state.h"
#include "images/image_store.h"
#include "sim/sim.h"
#include "tests/sweep/scripted_console.h"

namespace {

enum : uint32_t {
    ProgrammableEnd = 0xD400,
    BootLoaderAddress = 0xD800,
    BootLoaderSize = 8192,
    // The simulator's flash: 2,048 blocks of 128 KiB, the first 512 below
    // the 64 MiB mark that the erase leaves alone.
    FirstDataBlock = 512,
    FlashBlocks = 2048,
};

// Load, confirm the erase, replace the boot loader; any later wait takes 'x'.
constexpr char Keys[] = "yly";

uint8_t expectedImage[UpdateImageSize];
uint64_t timeLimitMs = UINT64_MAX;
uint64_t escapeFromMs = 0;

// What the watcher saw of the run under way.
struct Watch {
    std::string output;    // what the run printed so far, as far as looked at
    bool failureShown;     // the output reported a failure
    uint64_t writes;       // frames, erases and page writes sent
    std::string problem;   // the first rule the run broke, empty while none
    bool abandoned;        // Esc in the wait for a recorder: nothing was claimed
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
        // A 'Q' of no bytes stores nothing: it asks which program answers.
        const bool storesNothing = frame == 'Q' && length >= 4 && out[3] == 0;
        writes = (frame == 'Q' && !storesNothing) || frame == 'R' || frame == 'S';
        if ((frame == 'Q' || frame == 'R') && length >= 3) {
            const uint32_t address = out[1] | uint32_t{out[2]} << 8;
            const uint32_t size = frame == 'Q' && length >= 4 ? out[3] : 1;
            if (!storesNothing && address + size > ProgrammableEnd)
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
    // The erase is skipped, by design, for a firmware shown as unavailable.
    return SweepRecorderLacks(!Contains(watch.output, msg::CurrentFirmwareUnavailable));
}

std::string Judge(int exitCode, uint64_t elapsedMs) {
    CatchUpOutput();
    if (!watch.problem.empty()) return watch.problem;
    if (elapsedMs > timeLimitMs)
        return "took " + std::to_string(elapsedMs) + " ms of virtual time, past its bounded waits";
    if (watch.abandoned) return "";
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

}  // namespace

std::string SweepRecorderLacks(bool dataArea) {
    const uint8_t* memory = SimMcuMemory();
    if (std::memcmp(memory, expectedImage, ProgrammableEnd) != 0)
        return "the recorder does not hold the firmware image";
    if (std::memcmp(memory + BootLoaderAddress, expectedImage + BootLoaderAddress, BootLoaderSize) != 0)
        return "the recorder does not hold the boot-loader section";
    if (SimMcuCurrentMode() != SimMcuRunning) return "the recorder is still in programming mode";
    if (!dataArea) return "";
    for (uint32_t block = FirstDataBlock; block < FlashBlocks; ++block)
        if (SimFlashEraseCount(block) == 0) return "data-area block " + std::to_string(block) + " was not erased";
    return "";
}

// One whole update; failCount commands from failFirst on fail (none for 0).
std::string SweepRun(uint64_t failFirst, uint32_t failCount, int* exitCode) {
    SimOptions options;
    SimDefaultOptions(&options);
    options.failCommand = failFirst;
    options.failCommandCount = failCount;
    return SweepRunFrom(options, nullptr, exitCode);
}

std::string SweepRunFrom(const SimOptions& options, void (*setUpRecorder)(), int* exitCode) {
    char error[128];
    if (!SimStart(options, error, sizeof error)) return error;
    if (setUpRecorder != nullptr) setUpRecorder();
    SimWatchCommands(OnCommand);
    DeviceResetState();
    ConsoleResetState();
    ImagesResetState();
    ControllerResetState();
    ScriptKeys(Keys);
    ScriptEscapeFrom(escapeFromMs);
    ResetOutput();
    watch = Watch{};

    watch.abandoned = WaitForRecorder() == WaitAbandoned;
    *exitCode = watch.abandoned ? ExitDone : RunUpdateSequence();
    return Judge(*exitCode, SimNowMs());
}

bool SweepPrepare() {
    int captured = memfd_create("sweep-output", 0);
    if (captured < 0 || dup2(captured, STDOUT_FILENO) < 0) return false;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!LoadFirmwareImage(ProgramPath)) return false;
    std::memcpy(expectedImage, FirmwareImage, sizeof expectedImage);
    return true;
}

void SweepSetTimeLimit(uint64_t limitMs) { timeLimitMs = limitMs; }

void SweepEscapeFrom(uint64_t ms) { escapeFromMs = ms; }

const std::string& SweepOutput() { return watch.output; }

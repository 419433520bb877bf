// The whole updater, in-process, against a hostile recorder (hostile_drive.h)
// whose every answer the fuzzer's bytes decide. Whatever the answers, a run
// must end (within its bounds on the virtual clock), never crash, never write
// outside the controller's programmable area, and never tell the person an
// update is done that the recorder did not take (taken_update.h).
//
// Input: one byte of setup (switches, lock, the recorder's geometry and
// firmware), then the hostile drive's plan. The person answers Y, L and Y.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/console_state.h"
#include "app/updater.h"
#include "controller/commands.h"
#include "device/device_state.h"
#include "images/image_store.h"
#include "sim/sim.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/hostile_drive.h"
#include "tests/fuzz/scripted_console.h"
#include "tests/fuzz/taken_update.h"

namespace {

// Standard output goes to memory, where each run's output is read back.
int capturedOutput = -1;

enum SetupBits : uint8_t {
    SetupDiag = 1,
    SetupNoErase = 2,
    SetupSkipBootLoader = 4,
    SetupLockHeld = 8,
    SetupNoFirmware = 16,
    SetupGeometryShift = 5,  // the top three bits pick a recorder below
};

// Recorders of other shapes: a flash no larger than the protected area, odd
// page and sector sizes, a sector size of 0.
struct RecorderShape {
    SimFlashGeometry flash;
    uint32_t sectorSize;
};
const RecorderShape Shapes[8] = {
    {{1, 2048, 64, 2048}, 512}, {{1, 512, 64, 2048}, 512},  {{2, 1024, 32, 4096}, 512},
    {{1, 4096, 128, 512}, 512}, {{1, 2048, 64, 2048}, 4096}, {{4, 4096, 64, 2048}, 512},
    {{1, 2048, 64, 2048}, 0},   {{1, 2048, 1, 2048}, 512},
};

[[noreturn]] void Finding(const char* what, const std::string& output) {
    std::fprintf(stderr, "FINDING: %s\n--- output ---\n%s\n--------------\n", what, output.c_str());
    std::abort();
}

void ResetProcessState() {
    DeviceResetState();
    ConsoleResetState();
    ImagesResetState();
    ControllerResetState();
}

void StartRecorder(uint8_t setup) {
    SimOptions options;
    SimDefaultOptions(&options);
    const RecorderShape& shape = Shapes[setup >> SetupGeometryShift];
    options.flashGiven = true;
    options.flash = shape.flash;
    options.sectorSizeGiven = true;
    options.sectorSize = shape.sectorSize;
    if ((setup & SetupNoFirmware) != 0) {
        options.firmwareGiven = true;
        options.firmwareNone = true;
    }
    char error[128];
    if (!SimStart(options, error, sizeof error)) {
        std::fprintf(stderr, "the simulator did not start: %s\n", error);
        std::abort();
    }
}

int RunUpdater(uint8_t setup) {
    char program[] = "vokari-update", diag[] = "DIAG", noErase[] = "noerase", skip[] = "SkipBlr";
    char* argv[5] = {program};
    int argc = 1;
    if ((setup & SetupDiag) != 0) argv[argc++] = diag;
    if ((setup & SetupNoErase) != 0) argv[argc++] = noErase;
    if ((setup & SetupSkipBootLoader) != 0) argv[argc++] = skip;
    argv[argc] = nullptr;
    return UpdaterMain(argc, argv, "vokari-fuzz");
}

std::string TakeOutput() {
    std::fflush(stdout);
    std::string output;
    char chunk[4096];
    off_t at = 0;
    for (ssize_t n; (n = pread(capturedOutput, chunk, sizeof chunk, at)) > 0; at += n)
        output.append(chunk, static_cast<size_t>(n));
    return output;
}

bool Contains(const std::string& output, const char* text) { return output.find(text) != std::string::npos; }

// The erase line ended in OK: "Erasing memory", its marks, "OK".
bool EraseReportedDone(const std::string& output) {
    size_t at = output.find("Erasing memory");
    if (at == std::string::npos) return false;
    at += std::strlen("Erasing memory");
    while (at < output.size() && output[at] == '.') ++at;
    return output.compare(at, 3, "OK\n") == 0;
}

void CheckRun(int code, const std::string& output) {
    if (code != 0 && code != 1 && code != 2) Finding("an exit code the updater does not have", output);
    if (code == 0 && Contains(output, "Failed\n")) Finding("a failure reported, and exit code 0", output);
    if (code == 0 && Contains(output, "ERROR:")) Finding("an error reported, and exit code 0", output);
    if (EraseReportedDone(output) && TakenFailedErases() != 0)
        Finding("the erase reported OK though an erase command failed", output);
    if (code != 0 || !Contains(output, "Disconnect recorder to apply firmware changes.")) return;
    // Reported as done: the recorder must have taken it.
    if (TakenLastPass() != TakenFirmware)
        Finding("success reported, but the recorder did not take the firmware", output);
    if (Contains(output, "Replacing Boot Loader") && !TakenBootLoaderPass())
        Finding("success reported, but the recorder did not take the boot loader", output);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    capturedOutput = memfd_create("vokari-fuzz-output", 0);
    if (capturedOutput < 0 || dup2(capturedOutput, STDOUT_FILENO) < 0) {
        std::perror("capturing standard output");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = FuzzInputOf(data, size);
    const uint8_t setup = TakeByte(&input);

    std::fflush(stdout);
    if (ftruncate(capturedOutput, 0) != 0 || lseek(capturedOutput, 0, SEEK_SET) != 0) std::abort();
    StartRecorder(setup);
    ResetProcessState();
    TakenReset();
    HostileDriveStart(&input);
    ScriptedConsoleStart("yly", (setup & SetupLockHeld) != 0);

    int code = RunUpdater(setup);
    const std::string output = TakeOutput();
    if (std::getenv("VKR_HOSTILE_TRACE") != nullptr)
        std::fprintf(stderr, "%s[exit code %d, %llu virtual ms]\n", output.c_str(), code,
                     static_cast<unsigned long long>(SimNowMs()));
    CheckRun(code, output);
    if (SimOpenDriveCount() != 0) Finding("a drive was left open", TakeOutput());
    ResetProcessState();  // what the run allocated goes before the leak check
    return 0;
}

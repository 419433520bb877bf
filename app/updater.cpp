#include "app/updater.h"

#include <cstdio>
#include <cstring>

#include "app/console_state.h"
#include "app/device_wait.h"
#include "app/messages.h"
#include "app/program_info.h"
#include "app/read_key.h"
#include "app/switches.h"
#include "app/update_sequence.h"
#include "platform/console.h"
#include "platform/lock.h"
#include "platform/resource.h"

namespace {

char outputBuffer[512];

// Unbuffered on a terminal, so that progress marks show at once; 512-byte
// blocks when redirected, flushed at exit, and written out by the platform
// if a signal ends the program.
void SetUpOutput() {
    if (ConsoleOutputIsTerminal()) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    } else {
        std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
        ConsoleKeepOutputBuffer(outputBuffer);
    }
}

void KeepProgramPath(const char* argv0) {
    ProgramFilePath(ProgramPath, sizeof ProgramPath);
    if (ProgramPath[0] == '\0' && argv0 != nullptr)
        std::snprintf(ProgramPath, sizeof ProgramPath, "%s", argv0);
}

}  // namespace

int UpdaterMain(int argc, char** argv, const char* lockName) {
    // Answered before the terminal, the lock or any drive is touched, and
    // before the switches are read (that changes the arguments in place).
    if (InfoRequest request = FindInfoRequest(argc, argv)) {
        PrintInfo(request);
        return std::fflush(stdout) == 0 ? ExitDone : ExitFailed;
    }
    SetUpOutput();
    ConsoleBegin();
    KeepProgramPath(argc > 0 ? argv[0] : nullptr);
    ReadSwitches(argc, argv, &Options);

    if (Options.diagnostic) std::printf("%s", msg::DiagnosticMode);
    std::printf("%s", msg::Banner);

    // A lock that cannot be created for another reason is no reason to stop.
    if (LockAcquire(lockName) == LockHeldElsewhere) {
        std::printf("%s", msg::CloseOtherApplications);
        std::printf("%s", msg::PressAnyKeyToExit);
        ReadKey();
        return ExitRefused;
    }

    if (WaitForRecorder() == WaitAbandoned) return ExitDone;
    return RunUpdateSequence();
}

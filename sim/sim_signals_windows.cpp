// A control event that ends vokari-update-sim on Windows (Ctrl+C, Ctrl+Break,
// a closed console window) ends the program on the PC, not the recorder: the
// state file is saved among the console's actions before the process ends
// (platform/windows/console_control_windows.h), also when a held Ctrl+C ends
// it at the release of the hold.
//
// The action runs in the control handler's own thread while the main thread
// goes on: a command being carried out is let finish first (the recorder is
// then whole), and the lock stays taken, so that no further command starts
// before the process ends.
#include <windows.h>

#include "platform/windows/console_control_windows.h"
#include "sim/sim_signals.h"
#include "sim/sim_state.h"

namespace {

const char* savePath = nullptr;
CRITICAL_SECTION commandLock;
bool lockReady = false;

void SaveBeforeTheEnd() {
    EnterCriticalSection(&commandLock);
    SimStateSaveNow(savePath);
}

}  // namespace

void SimSaveOnEndingSignals(const char* statePath) {
    savePath = statePath;
    if (savePath == nullptr || lockReady) return;
    InitializeCriticalSection(&commandLock);
    lockReady = true;
    ConsoleControlBegin();
    ConsoleControlAtEnd(SaveBeforeTheEnd);
}

void SimCommandBegins() {
    if (lockReady) EnterCriticalSection(&commandLock);
}

void SimCommandEnds() {
    if (lockReady) LeaveCriticalSection(&commandLock);
}

#include "platform/windows/console_control_windows.h"

namespace {

void (*actions[ConsoleControlActionLimit])();
volatile LONG actionCount = 0;
volatile LONG installed = 0;
// Set by whoever runs the actions first: two events at once (Ctrl+C, then
// the window closed) or an event during ConsoleControlEnd run them once.
volatile LONG ending = 0;

void RunActions() {
    if (InterlockedExchange(&ending, 1) != 0) {
        // The other one is at it and ends the process: wait for that.
        for (;;) Sleep(INFINITE);
    }
    for (LONG i = actionCount; i > 0; --i) actions[i - 1]();
}

BOOL WINAPI OnControlEvent(DWORD) {
    RunActions();
    return FALSE;  // not handled: the default handler ends the process
}

}  // namespace

void ConsoleControlBegin() {
    if (InterlockedExchange(&installed, 1) != 0) return;
    SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

bool ConsoleControlAtEnd(void (*action)()) {
    if (action == nullptr || actionCount >= static_cast<LONG>(ConsoleControlActionLimit)) return false;
    actions[actionCount] = action;
    // Published after it is in place: a handler running now sees it whole or
    // not at all.
    InterlockedIncrement(&actionCount);
    return true;
}

void ConsoleControlEnd() {
    RunActions();
    ExitProcess(ControlEventExitCode);
}

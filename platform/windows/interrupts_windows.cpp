// Holding off the control events that end the program, on Windows. For the
// hold a console control handler of its own goes in front of the console's
// (console_control_windows.cpp): it notes the event and answers TRUE, so that
// the process goes on. The release removes it and, when an event came, ends
// the program as the event would have: the console's actions (input mode,
// buffered output, the simulated recorder's state), then the process ends
// with STATUS_CONTROL_C_EXIT (0xC000013A).
//
// That exit code, not the 130 (128 + SIGINT) of the Linux build: it is what
// Windows gives a program ended by Ctrl+C outside the hold, what cmd.exe,
// PowerShell and a calling program recognise as "ended by Ctrl+C", and a
// held request should end the program no differently from one that was not.
//
// A close, log-off or shut-down event cannot be held: Windows ends the
// process a few seconds after it whatever the handler answers. The handler
// waits for the release then, so that the programming has what time the
// system gives, and the release ends the program properly if it comes first.
#include "platform/windows/interrupts_windows.h"

#include <cstdio>
#include <cstring>

#include "platform/interrupts.h"
#include "platform/windows/console_control_windows.h"

namespace {

// Taken by the handler's thread and by the release, so that an event is
// either noted before the release looks or answered as outside the hold.
CRITICAL_SECTION guard;
INIT_ONCE guardReady = INIT_ONCE_STATIC_INIT;
bool holding = false;
bool requested = false;
const char* noticeText = "";
HANDLE noticeOutput = INVALID_HANDLE_VALUE;
// Set while no hold is on: a close event waiting in the handler goes on.
HANDLE released = nullptr;

BOOL CALLBACK InitGuard(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&guard);
    released = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    return TRUE;
}

void EnsureGuard() { InitOnceExecuteOnce(&guardReady, InitGuard, nullptr, nullptr); }

void ShowNotice() {
    DWORD length = static_cast<DWORD>(std::strlen(noticeText)), written = 0;
    if (length != 0 && noticeOutput != INVALID_HANDLE_VALUE && noticeOutput != nullptr)
        WriteFile(noticeOutput, noticeText, length, &written, nullptr);
}

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return GetConsoleMode(h, &mode) != 0;
}

}  // namespace

BOOL WINAPI InterruptsOnControlEvent(DWORD event) {
    EnsureGuard();
    EnterCriticalSection(&guard);
    bool held = holding;
    if (held && !requested) {
        requested = true;
        ShowNotice();
    }
    LeaveCriticalSection(&guard);
    if (!held) return FALSE;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(released, INFINITE);
    return TRUE;
}

void InterruptsHold(const char* notice) {
    EnsureGuard();
    EnterCriticalSection(&guard);
    bool already = holding;
    if (!already) {
        holding = true;
        requested = false;
        noticeText = notice != nullptr ? notice : "";
        // Redirected output is buffered and may go to a file: the person sees
        // the notice on the console through the other stream.
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        noticeOutput = IsConsole(output) ? output : GetStdHandle(STD_ERROR_HANDLE);
        ResetEvent(released);
    }
    LeaveCriticalSection(&guard);
    if (!already) SetConsoleCtrlHandler(InterruptsOnControlEvent, TRUE);
}

bool InterruptRequested() {
    EnsureGuard();
    EnterCriticalSection(&guard);
    bool noted = holding && requested;
    LeaveCriticalSection(&guard);
    return noted;
}

void InterruptsRelease() {
    EnsureGuard();
    EnterCriticalSection(&guard);
    bool wasHolding = holding;
    bool end = holding && requested;
    holding = false;
    requested = false;
    LeaveCriticalSection(&guard);
    if (!wasHolding) return;
    SetConsoleCtrlHandler(InterruptsOnControlEvent, FALSE);
    if (!end) {
        SetEvent(released);
        return;
    }
    std::fflush(stdout);
    // A close event waiting in the handler stays there: the process ends here.
    ConsoleControlEnd();
}

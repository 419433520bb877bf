#include "platform/windows/console_control_windows.h"

namespace {

HANDLE controlledInput = INVALID_HANDLE_VALUE;
DWORD originalMode = 0;

BOOL WINAPI OnControlEvent(DWORD) {
    SetConsoleMode(controlledInput, originalMode);
    return FALSE;  // not handled: the default handler ends the process
}

}  // namespace

void ConsoleControlBegin(HANDLE input, DWORD mode) {
    controlledInput = input;
    originalMode = mode;
    SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

// Keys from the Windows console. Input comes from the console device CONIN$,
// not from standard input, so redirecting standard input never answers a
// prompt. The console input is raw (mode 0: no echo, no line editing, Ctrl+C
// a key) only while a key is being read; keys pressed meanwhile wait in the
// console's queue and answer the next read. What an event means is decided in
// console_key_event and keys; this file only moves the events.
#include <windows.h>

#include "platform/console.h"
#include "platform/console_key_event.h"
#include "platform/keys.h"
#include "platform/windows/console_control_windows.h"

namespace {

HANDLE input = INVALID_HANDLE_VALUE;
DWORD originalMode = 0;  // put back when a control event ends the program
// Codes of the key press being reported (an extended key gives two).
int codes[2];
size_t codeCount;
size_t codeNext;

// The codes that `record` gives the key read: 0 for what it skips (key
// releases, mouse, focus, menu and size events, keys the table has no code for).
size_t CodesOf(const INPUT_RECORD& record, int out[2]) {
    if (record.EventType != KEY_EVENT) return 0;
    const KEY_EVENT_RECORD& k = record.Event.KeyEvent;
    ConsoleKeyEvent event{k.bKeyDown != FALSE, k.wVirtualKeyCode,
                          static_cast<uint8_t>(k.uChar.AsciiChar), k.dwControlKeyState};
    KeyPress key{};
    if (!KeyPressFromConsoleEvent(event, &key)) return 0;
    return KeyReadCodes(key, out);
}

void RestoreOriginalMode() { SetConsoleMode(input, originalMode); }

}  // namespace

void ConsoleBegin() {
    if (input != INVALID_HANDLE_VALUE) return;
    // Also without console input: the handler keeps the output.
    ConsoleControlBegin();
    HANDLE h = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (!GetConsoleMode(h, &mode)) {
        CloseHandle(h);
        return;
    }
    input = h;
    originalMode = mode;
    codeCount = codeNext = 0;
    ConsoleControlAtEnd(RestoreOriginalMode);
}

int ConsoleReadKey() {
    if (input == INVALID_HANDLE_VALUE) return -1;
    if (codeNext < codeCount) return codes[codeNext++];
    DWORD previous = 0;
    GetConsoleMode(input, &previous);
    SetConsoleMode(input, 0);
    int result = -1;
    for (;;) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!ReadConsoleInputA(input, &record, 1, &read) || read == 0) break;
        codeCount = CodesOf(record, codes);
        if (codeCount == 0) continue;
        codeNext = 0;
        result = codes[codeNext++];
        break;
    }
    SetConsoleMode(input, previous);
    return result;
}

bool ConsoleKeyWaiting() {
    if (input == INVALID_HANDLE_VALUE) return false;
    if (codeNext < codeCount) return true;
    // Looks at the oldest event; one that the key read would skip is taken
    // out of the way, so that a key behind it is seen.
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(input, &record, 1, &count) || count == 0) return false;
        int ignored[2];
        if (CodesOf(record, ignored) != 0) return true;
        if (!ReadConsoleInputA(input, &record, 1, &count)) return false;
    }
}

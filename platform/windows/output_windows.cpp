// Standard output on Windows. Binary mode, so that "\n" and "\r\n" reach a
// pipe or a file exactly as the console's texts hold them, as on Linux (the
// C runtime's text mode would send "\r\n" and "\r\r\n"). A console is told
// by GetConsoleMode on the output handle: _isatty is true for NUL as well.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/windows/console_control_windows.h"

namespace {

// From the control handler's own thread: the C runtime's lock on stdout
// makes it wait for a write the main thread is in the middle of.
void WriteOutOutput() { std::fflush(stdout); }

}  // namespace

bool ConsoleOutputIsTerminal() {
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void ConsoleKeepOutputBuffer(const char* buffer) {
    static bool kept = false;
    if (buffer == nullptr || kept) return;
    ConsoleControlBegin();
    kept = ConsoleControlAtEnd(WriteOutOutput);
}

// Standard output on Windows. Binary mode, so that "\n" and "\r\n" reach a
// pipe or a file exactly as the console's texts hold them, as on Linux (the
// C runtime's text mode would send "\r\n" and "\r\r\n"). A console is told
// by GetConsoleMode on the output handle: _isatty is true for NUL as well.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"

bool ConsoleOutputIsTerminal() {
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

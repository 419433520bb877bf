// The running program's own file on Windows.
#include <windows.h>

#include "platform/resource.h"

void ProgramFilePath(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // A path cut to fit would name another file: none rather than that.
    if (n == 0 || n >= size) n = 0;
    buffer[n] = '\0';
}

// The running program's own file on Windows.
#include <windows.h>

#include "platform/resource.h"

void ProgramFilePath(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // Cut to fit (Windows XP leaves a cut path unterminated). A cut path
    // names no file: the resource lookup then falls back to the running
    // program itself (resource_windows.cpp).
    buffer[n < size ? n : size - 1] = '\0';
}

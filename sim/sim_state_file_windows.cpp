// The state file's calls on Windows. CreateFileA writes the bytes as they
// are (no text mode), its handle is not inherited, and MoveFileExA replaces
// an existing file, which rename() there refuses to do.
#include <windows.h>

#include "sim/sim_state_file.h"

SimFile SimFileCreate(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<SimFile>(h);
}

SimFile SimFileAppend(const char* path) {
    HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<SimFile>(h);
}

bool SimFileWrite(SimFile file, const char* bytes, size_t count) {
    HANDLE h = reinterpret_cast<HANDLE>(file);
    while (count > 0) {
        DWORD chunk = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(h, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        count -= written;
    }
    return true;
}

bool SimFileClose(SimFile file) { return CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE; }

bool SimFileReplace(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void SimFileRemove(const char* path) { DeleteFileA(path); }

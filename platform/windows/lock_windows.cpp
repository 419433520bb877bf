// The single-instance lock on Windows: a named mutex, created with initial
// ownership. Its handle stays open until the process ends, when Windows
// closes it, however the process ends.
#include <windows.h>

#include "platform/lock.h"

LockResult LockAcquire(const char* name) {
    if (name == nullptr) return LockFailed;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    DWORD error = GetLastError();
    if (mutex == nullptr) return LockFailed;
    if (error == ERROR_ALREADY_EXISTS) {
        // The other holder keeps its mutex; ours is only a second handle.
        CloseHandle(mutex);
        return LockHeldElsewhere;
    }
    return LockAcquired;
}

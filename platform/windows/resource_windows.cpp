// Resources on Windows: RCDATA in the program's own file (windres puts
// images/fwc.bin and brc.bin there as "FWC" and "BRC"), reached the way Part
// 4.1 says: the file opened as a module by its path, the resource found,
// loaded, locked, copied, and the module released.
#include <windows.h>

#include <cstring>

#include "platform/resource.h"

size_t ResourceCopy(const char* programPath, const char* name, void* destination, size_t capacity) {
    if (name == nullptr || destination == nullptr) return 0;
    HMODULE module = programPath != nullptr ? LoadLibraryA(programPath) : nullptr;
    // A path that cannot be opened leaves the null module, with which the
    // search goes to the running program's own file: it carries the same.
    size_t copied = 0;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (found != nullptr) {
        DWORD size = SizeofResource(module, found);
        HGLOBAL loaded = LoadResource(module, found);
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes != nullptr) {
            copied = size < capacity ? size : capacity;
            std::memcpy(destination, bytes, copied);
        }
    }
    if (module != nullptr) FreeLibrary(module);
    return copied;
}

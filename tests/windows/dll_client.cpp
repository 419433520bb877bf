// Another program's view of the exported API: loads a module by name and
// calls its exports through GetProcAddress, plain names only, the way a
// recorder tool that knows nothing of this build would.
//
//   vkr_dll_client                 vokari.dll, expecting no recorder (Wine)
//   vkr_dll_client MODULE [COUNT]  another module (vokari-update.exe), or COUNT recorders
//
// For a module that is a program (vokari-update.exe) only the calls that
// need nothing from outside the module are made: Windows runs no start-up
// code of a program loaded as a module, and Wine does not even bind its
// imports (see README), so a call that reaches the system would fault there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vokari/vkr.h"

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

const char* const Names[] = {
    "Execute_SCSI_Cmd", "Vkr_GetDevices",       "Vkr_IsConnected", "Vkr_GetSectorSize",
    "Vkr_GetFlashParams", "Vkr_ReadPages",      "Vkr_WritePages",  "Vkr_ReadPartsOfPages",
    "Vkr_EraseBlocks",  "Vkr_SendI2C",          "Vkr_ReceiveI2C",  "Vkr_SendReceiveI2C",
};

template <typename Function>
Function Find(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
    const char* moduleName = argc > 1 ? argv[1] : "vokari.dll";
    const int expectedDevices = argc > 2 ? std::atoi(argv[2]) : 0;
    const bool isProgram = std::strstr(moduleName, ".exe") != nullptr;

    HMODULE module = LoadLibraryA(moduleName);
    std::printf("LoadLibraryA(\"%s\"): %s\n", moduleName, module != nullptr ? "loaded" : "failed");
    if (module == nullptr) return 1;

    for (const char* name : Names) {
        char line[96];
        std::snprintf(line, sizeof line, "GetProcAddress(%s)", name);
        Expect(GetProcAddress(module, name) != nullptr, line);
    }
    // Only the plain names: neither stdcall decoration is there.
    Expect(GetProcAddress(module, "Vkr_GetSectorSize@0") == nullptr, "no Vkr_GetSectorSize@0");
    Expect(GetProcAddress(module, "_Vkr_GetSectorSize@0") == nullptr, "no _Vkr_GetSectorSize@0");

    auto getSectorSize = Find<int32_t(VKR_CALL*)(void)>(module, "Vkr_GetSectorSize");
    auto isConnected = Find<int32_t(VKR_CALL*)(char**)>(module, "Vkr_IsConnected");
    auto getDevices = Find<int32_t(VKR_CALL*)(char**)>(module, "Vkr_GetDevices");
    if (getSectorSize == nullptr || isConnected == nullptr || getDevices == nullptr) return 1;

    int32_t sectorSize = getSectorSize();
    std::printf("Vkr_GetSectorSize() = %d\n", static_cast<int>(sectorSize));
    Expect(sectorSize == 512, "Vkr_GetSectorSize() is 512 before any discovery");
    int32_t connected = isConnected(nullptr);
    std::printf("Vkr_IsConnected(NULL) = %d\n", static_cast<int>(connected));
    Expect(connected == 0, "Vkr_IsConnected(NULL) is 0");

    if (!isProgram) {
        // A search of drives 0 to 8. Under Wine \\.\PHYSICALDRIVE0 opens (a
        // virtual disk) and refuses the pass-through request; the rest fail
        // to open.
        char* path = nullptr;
        int32_t found = isConnected(&path);
        std::printf("Vkr_IsConnected(&path) = %d, path %s\n", static_cast<int>(found),
                    path != nullptr ? path : "(null)");
        Expect((found != 0) == (expectedDevices != 0), "Vkr_IsConnected(&path) finds what is there");
        std::free(path);

        char* list[9] = {};
        int32_t count = getDevices(list);
        std::printf("Vkr_GetDevices(list) = %d\n", static_cast<int>(count));
        Expect(count == expectedDevices, "Vkr_GetDevices(list) lists what is there");
        for (int32_t i = 0; i < count; ++i) {
            std::printf("  %s\n", list[i]);
            delete[] list[i];
        }
    }
    FreeLibrary(module);
    std::printf("%s\n", failures == 0 ? "all calls as expected" : "SOME CALLS FAILED");
    return failures == 0 ? 0 : 1;
}

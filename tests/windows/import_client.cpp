// A program linked against vokari.dll's import library, calling the API the
// way include/vokari/vkr.h declares it (stdcall): on x86 this only links
// when the import library maps the decorated symbols to the plain exports.
#include <cstdio>

#include "vokari/vkr.h"

int main() {
    int32_t sectorSize = Vkr_GetSectorSize();
    int32_t connected = Vkr_IsConnected(nullptr);
    uint8_t cdb[16] = {0x12};
    int32_t sent = Execute_SCSI_Cmd(VKR_DATA_IN, cdb, nullptr, 0);  // no drive chosen yet
    std::printf("Vkr_GetSectorSize() = %d, Vkr_IsConnected(NULL) = %d, Execute_SCSI_Cmd = %d\n",
                static_cast<int>(sectorSize), static_cast<int>(connected), static_cast<int>(sent));
    return sectorSize == 512 && connected == 0 && sent == 0 ? 0 : 1;
}

/* A program built against the installed libvokari: pkg-config or CMake. */
#include <stdio.h>
#include <stdlib.h>
#include <vokari/vkr.h>

int main(void) {
    int32_t sectorSize = Vkr_GetSectorSize();
    char *path = NULL;
    int32_t connected = Vkr_IsConnected(&path);
    int32_t refused = Execute_SCSI_Cmd(VKR_DATA_IN, NULL, NULL, 0);
    printf("sector size %d, recorder %s\n", (int)sectorSize, connected ? path : "none");
    free(path);
    return sectorSize == 512 && !connected && !refused ? 0 : 1;
}

#include "tools/tool_recorders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controller/commands.h"
#include "platform/drive_notice.h"
#include "tools/tool_args.h"
#include "vokari/vkr.h"

namespace {

void ReleaseList(char** list, int count) {
    for (int i = 0; i < count; ++i) delete[] list[i];
}

// The current device's path goes into `info`, with what discovery left.
bool ProbeInto(const char* path, RecorderInfo* info) {
    *info = RecorderInfo{};
    std::snprintf(info->path, sizeof info->path, "%s", path);
    char* probe = info->path;
    if (!Vkr_IsConnected(&probe)) return false;
    info->drive = info->path[DevicePathDigitIndex] - '0';
    Vkr_GetFlashParams(&info->flash);
    info->sectorSize = static_cast<uint32_t>(Vkr_GetSectorSize());
    // The permission notice's name for a drive is the one a person knows it
    // by: the sg node on Linux, the path itself on Windows.
    DriveAccessFix fix;
    if (!DriveDeniedNotice(info->path, info->node, sizeof info->node, &fix) ||
        std::strcmp(info->node, info->path) == 0)
        info->node[0] = '\0';
    return true;
}

}  // namespace

bool SelectRecorder(int drive, RecorderInfo* info) {
    char* list[MaxRecorders] = {};
    int count = Vkr_GetDevices(list);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        if (drive != AnyDrive && list[i][DevicePathDigitIndex] - '0' != drive) continue;
        // The list's probes left the last drive scanned as the current one.
        found = ProbeInto(list[i], info);
    }
    ReleaseList(list, count);
    return found;
}

bool ReadRecorderRecords(RecorderInfo* info) {
    info->bootLoaderRead = ReadBootLoaderInfo(&info->bootLoader);
    // Read as the frame brings it, so that a failed read is told apart
    // from a record that was read and is not valid.
    FirmwareStatus& status = info->firmware;
    if (!ReadMemory(FirmwareStatusAddress, sizeof status, &status))
        info->firmwareState = FirmwareUnreadable;
    else if (FirmwareStatusValid(status))
        info->firmwareState = FirmwareValid;
    else if (FirmwareStatusErased(status))
        info->firmwareState = FirmwareErased;
    else
        info->firmwareState = FirmwareInvalid;
    return info->bootLoaderRead && info->firmwareState != FirmwareUnreadable;
}

int FindRecorders(RecorderInfo* recorders) {
    char* list[MaxRecorders] = {};
    int count = Vkr_GetDevices(list);
    int found = 0;
    for (int i = 0; i < count; ++i)
        if (ProbeInto(list[i], &recorders[found])) ReadRecorderRecords(&recorders[found++]);
    ReleaseList(list, count);
    return found;
}

uint64_t FlashPageCount(const FlashParams& flash) {
    return uint64_t{flash.unitCount} * FlashBlocksPerUnit(flash) * flash.pagesPerBlock;
}

uint64_t FlashByteCount(const FlashParams& flash) {
    return FlashPageCount(flash) * FlashPageSize(flash);
}

// A denied drive on Linux is named by its sg node; root or the udev rule fix it.
#include "platform/drive_notice.h"
#include "platform/drive_path.h"

bool DriveDeniedNotice(const char* path, char* name, size_t size, DriveAccessFix* fix) {
    if (fix == nullptr || !DriveNodeForPath(path, name, size)) return false;
    *fix = DriveFixRootOrUdevRule;
    return true;
}

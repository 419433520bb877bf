// A denied drive on Windows is named by its path: opening \\.\PHYSICALDRIVEn
// for reading and writing needs an administrator's rights (the program's
// manifest asks for none, so that it runs from any console; see README).
#include <cstdio>

#include "platform/drive_notice.h"

bool DriveDeniedNotice(const char* path, char* name, size_t size, DriveAccessFix* fix) {
    if (path == nullptr || name == nullptr || fix == nullptr || size == 0) return false;
    int n = std::snprintf(name, size, "%s", path);
    if (n <= 0 || static_cast<size_t>(n) >= size) return false;
    *fix = DriveFixAdministrator;
    return true;
}

#include "platform/drive_path.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr char PhysicalDrivePrefix[] = "\\\\.\\PHYSICALDRIVE";
constexpr char DevicePrefix[] = "\\\\.\\";
}  // namespace

bool DriveNodeForPath(const char* path, char* node, size_t size) {
    if (path == nullptr || node == nullptr || size == 0) return false;
    size_t prefix = sizeof PhysicalDrivePrefix - 1;
    if (std::strncmp(path, PhysicalDrivePrefix, prefix) == 0) {
        const char* digits = path + prefix;
        size_t count = std::strspn(digits, "0123456789");
        if (count == 0 || digits[count] != '\0') return false;
        int n = std::snprintf(node, size, "/dev/sg%s", digits);
        return n > 0 && static_cast<size_t>(n) < size;
    }
    // Other Windows device names have no counterpart here.
    if (std::strncmp(path, DevicePrefix, sizeof DevicePrefix - 1) == 0) return false;
    size_t length = std::strlen(path);
    if (length == 0 || length >= size) return false;
    std::memcpy(node, path, length + 1);
    return true;
}

// A drive's INQUIRY strings from sysfs: the kernel publishes the vendor and
// model of every SCSI device, readable by every user, under the device that
// a node's major and minor numbers lead to.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/drive.h"
#include "platform/drive_path.h"

namespace {

// The first line of a small sysfs attribute into `text`, without its line end.
bool ReadAttribute(const char* path, char* text, size_t size) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char bytes[64];
    ssize_t got = read(fd, bytes, sizeof bytes - 1);
    close(fd);
    if (got < 0) return false;
    bytes[got] = '\0';
    // Longer than the field it holds: cut, the comparison will tell.
    size_t length = std::strcspn(bytes, "\n");
    if (length >= size) length = size - 1;
    std::memcpy(text, bytes, length);
    text[length] = '\0';
    return true;
}

}  // namespace

bool DriveReadIdentity(const char* path, DriveIdentity* identity) {
    if (path == nullptr || identity == nullptr) return false;
    char node[256];
    if (!DriveNodeForPath(path, node, sizeof node)) return false;
    struct stat info {};
    if (stat(node, &info) != 0) return false;
    const char* kind = S_ISCHR(info.st_mode) ? "char" : S_ISBLK(info.st_mode) ? "block" : nullptr;
    if (kind == nullptr) return false;

    char attribute[96];
    const unsigned deviceMajor = major(info.st_rdev), deviceMinor = minor(info.st_rdev);
    const char format[] = "/sys/dev/%s/%u:%u/device/%s";
    std::snprintf(attribute, sizeof attribute, format, kind, deviceMajor, deviceMinor, "vendor");
    if (!ReadAttribute(attribute, identity->vendor, sizeof identity->vendor)) return false;
    std::snprintf(attribute, sizeof attribute, format, kind, deviceMajor, deviceMinor, "model");
    return ReadAttribute(attribute, identity->model, sizeof identity->model);
}

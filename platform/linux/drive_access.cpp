// Tells an absent drive from one that refuses us, without sending anything.
#include <unistd.h>

#include "platform/drive.h"
#include "platform/linux/drive_node.h"

DriveOpenResult DriveCheckAccess(const char* path) {
    if (path == nullptr) return DriveFailed;
    int fd = -1;
    DriveOpenResult result = OpenDriveNode(path, &fd);
    if (result == DriveOpened) close(fd);
    return result;
}

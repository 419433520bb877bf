#include "platform/linux/drive_node.h"

#include <fcntl.h>

#include "platform/drive_path.h"

DriveOpenResult OpenDriveNode(const char* path, int* fd) {
    char node[256];
    // The placeholder path before discovery, and any other Windows device
    // name, stand for no node here.
    if (!DriveNodeForPath(path, node, sizeof node)) return DriveAbsent;
    // O_NONBLOCK: never wait on an sg node held exclusively elsewhere, nor on
    // a removable disk without its medium. SG_IO itself still blocks.
    int descriptor = open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return DriveOpenResultForErrno(errno);
    *fd = descriptor;
    return DriveOpened;
}

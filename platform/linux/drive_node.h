// Opening the device node behind a drive path, shared by the drive layer and
// the access check.
#pragma once

#include <cerrno>

#include "platform/drive.h"

// Why an open failed, as the seam reports it. A node that is missing, or one
// whose device has gone, is an absent drive; a node that refuses us is
// denied, so that the console can name it and the fix.
inline DriveOpenResult DriveOpenResultForErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV: return DriveAbsent;
        case EACCES:
        case EPERM: return DriveDenied;
        default: return DriveFailed;
    }
}

// Maps `path` to its node and opens it for reading and writing (vendor
// commands need a writable sg node). On DriveOpened *fd is the descriptor.
DriveOpenResult OpenDriveNode(const char* path, int* fd);

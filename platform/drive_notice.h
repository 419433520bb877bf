// How the person is told about a drive that is there but refuses us for lack
// of permission: under which name they know it, and which fix this system
// has. The texts themselves are the console's (app/messages.h).
//
// Native implementations: linux/drive_notice_linux.cpp (the sg node; run as
// root or install the udev rule), windows/drive_notice_windows.cpp (the drive
// path; run as administrator). They go with the keys and the lock: the
// simulated console, whose drives are simulated, tells it the same way.
#pragma once

#include <cstddef>

enum DriveAccessFix : int {
    DriveFixRootOrUdevRule = 0,  // Linux
    DriveFixAdministrator = 1,   // Windows: raw drive access needs an administrator
};

// Writes the name of the drive at `path` into `name` and the fix into *fix.
// False when the path names nothing the person could be told about.
bool DriveDeniedNotice(const char* path, char* name, size_t size, DriveAccessFix* fix);

// Why a Windows drive open failed, as the drive seam reports it. Pure: the
// Windows drive layer hands in GetLastError's value, so that the mapping is
// tested on every host.
#pragma once

#include <cstdint>

#include "platform/drive.h"

// The GetLastError values the mapping knows (winerror.h).
enum WinError : uint32_t {
    WinErrorFileNotFound = 2,
    WinErrorPathNotFound = 3,
    WinErrorAccessDenied = 5,
    WinErrorSharingViolation = 32,
    WinErrorDevNotExist = 55,
    WinErrorInvalidName = 123,
    WinErrorNoSuchDevice = 433,
    WinErrorDeviceNotConnected = 1167,
    WinErrorDeviceRemoved = 1617,
};

// No such drive, or a drive that the system says has gone or is going off
// the bus (also the placeholder path before discovery): absent. The drive is
// there but the open needs rights we lack (on Windows, an administrator's):
// denied. Anything else (busy, not ready, I/O error): failed, since a drive
// that still answers is still attached and a restart must not be counted.
DriveOpenResult DriveOpenResultForWinError(uint32_t error);

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
    WinErrorInvalidName = 123,
};

// No such drive (also the placeholder path before discovery): absent. The
// drive is there but the open needs rights we lack (on Windows, an
// administrator's): denied. Anything else (busy, I/O error): failed.
DriveOpenResult DriveOpenResultForWinError(uint32_t error);

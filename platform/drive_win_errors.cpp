#include "platform/drive_win_errors.h"

DriveOpenResult DriveOpenResultForWinError(uint32_t error) {
    switch (error) {
        case WinErrorFileNotFound:
        case WinErrorPathNotFound:
        case WinErrorInvalidName:
        // A handle or name whose device was removed: the drive's node may
        // outlive it for a moment (Wine answers 433 for a node whose device
        // is gone), but nothing is attached behind it.
        case WinErrorDevNotExist:
        case WinErrorNoSuchDevice:
        case WinErrorDeviceNotConnected:
        case WinErrorDeviceRemoved: return DriveAbsent;
        case WinErrorAccessDenied: return DriveDenied;
        default: return DriveFailed;
    }
}

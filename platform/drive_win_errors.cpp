#include "platform/drive_win_errors.h"

DriveOpenResult DriveOpenResultForWinError(uint32_t error) {
    switch (error) {
        case WinErrorFileNotFound:
        case WinErrorPathNotFound:
        case WinErrorInvalidName: return DriveAbsent;
        case WinErrorAccessDenied: return DriveDenied;
        default: return DriveFailed;
    }
}

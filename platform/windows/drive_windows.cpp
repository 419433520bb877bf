// The drive seam on Windows: SCSI pass-through (IOCTL_SCSI_PASS_THROUGH_DIRECT)
// on \\.\PHYSICALDRIVEn, with exactly the calls, flags and request block the
// recorder's drive is known to take. The block is built and read back by the
// portable passthrough_block.cpp; the layouts are checked against the SDK's
// structure in passthrough_check.cpp.
#include <windows.h>

#include <ntddscsi.h>

#include "platform/drive.h"
#include "platform/drive_win_errors.h"
#include "platform/passthrough_block.h"

namespace {

DriveOpenResult OpenDrive(const char* path, HANDLE* handle) {
    // Read-write (vendor commands need it), shared for writing only, as the
    // maker's own tools open it.
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_SYSTEM, nullptr);
    if (h == INVALID_HANDLE_VALUE) return DriveOpenResultForWinError(GetLastError());
    *handle = h;
    return DriveOpened;
}

}  // namespace

// Kernel handles carry 32 significant bits also in 64-bit programs
// (HandleToLong / LongToHandle), so a handle fits the seam's integer.
DriveOpenResult DriveOpen(const char* path, int* handle) {
    if (path == nullptr || handle == nullptr) return DriveFailed;
    HANDLE h = nullptr;
    DriveOpenResult result = OpenDrive(path, &h);
    if (result == DriveOpened) *handle = static_cast<int>(HandleToLong(h));
    return result;
}

void DriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    // The OS reads the structure in place: give it the pointer's alignment.
    alignas(8) PassThroughBlock block;
    BuildPassThroughBlock(NativePassThroughLayout(), request, &block);
    DWORD returned = 0;
    BOOL done = DeviceIoControl(LongToHandle(handle), IOCTL_SCSI_PASS_THROUGH_DIRECT, block.bytes,
                                block.size, block.bytes, block.size, &returned, nullptr);
    DWORD error = done ? 0 : GetLastError();
    ReadPassThroughOutcome(block, done != FALSE, error, request.length, outcome);
}

void DriveClose(int handle) { CloseHandle(LongToHandle(handle)); }

DriveOpenResult DriveCheckAccess(const char* path) {
    if (path == nullptr) return DriveFailed;
    HANDLE h = nullptr;
    DriveOpenResult result = OpenDrive(path, &h);
    if (result == DriveOpened) CloseHandle(h);
    return result;
}

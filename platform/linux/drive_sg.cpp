// The drive seam on Linux: SCSI generic (SG_IO). Everything that can be
// computed without the kernel lives in sg_request.cpp and drive_node.h.
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/drive.h"
#include "platform/linux/drive_node.h"
#include "platform/linux/sg_request.h"

DriveOpenResult DriveOpen(const char* path, int* handle) {
    if (path == nullptr || handle == nullptr) return DriveFailed;
    return OpenDriveNode(path, handle);
}

void DriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    *outcome = ScsiOutcome{};
    sg_io_hdr header;
    BuildSgRequest(request, outcome->sense, &header);
    int result = ioctl(handle, SG_IO, &header);
    ReadSgOutcome(header, result == 0 ? 0 : errno, outcome);
}

void DriveClose(int handle) { close(handle); }

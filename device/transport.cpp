// Execute_SCSI_Cmd: the one primitive through which every device operation
// reaches the drive. One open, one command, one close per call.
#include <cstring>

#include "device/device_state.h"
#include "platform/drive.h"
#include "vokari/vkr.h"

extern "C" VKR_API int32_t VKR_CALL Execute_SCSI_Cmd(int32_t direction, const uint8_t* cdb,
                                                     void* data, uint32_t length) {
    // Hostile arguments: nothing to send, or nowhere to put the data.
    if (cdb == nullptr || (data == nullptr && length != 0)) return 0;

    int handle = -1;
    if (DriveOpen(DevicePath, &handle) != DriveOpened) return 0;

    ScsiRequest request{};
    std::memcpy(request.cdb, cdb, ScsiCdbLength);
    request.direction = static_cast<uint8_t>(direction);  // the low byte only
    request.data = data;
    request.length = length;

    ScsiOutcome outcome{};
    DriveCommand(handle, request, &outcome);
    DriveClose(handle);

    // Bytes that did not move are not examined: a short transfer is a success.
    return outcome.carriedOut && outcome.status == 0 ? 1 : 0;
}

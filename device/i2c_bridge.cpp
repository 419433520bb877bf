// The storage controller's bridge to the microcontroller's I2C bus: each
// transfer is one vendor command (0x02 write, 0x03 read) of at most 64 bytes.
// The command carries no bus address; whatever addressing the microcontroller
// needs travels inside the data.
#include <cstdint>

#include "device/scsi_commands.h"
#include "vokari/vkr.h"

namespace {

// Although the length travels in one byte, the bridge moves no more than this.
constexpr uint8_t I2CTransferLimit = 64;

int32_t Transfer(uint8_t subCommand, int32_t direction, void* buffer, uint8_t length) {
    if (length > I2CTransferLimit) return 0;
    // A zero-length transfer is still a command; a missing buffer for real
    // bytes is not.
    if (buffer == nullptr && length != 0) return 0;
    uint8_t cdb[ScsiCdbBytes] = {ScsiOpVendor, subCommand, length};
    return Execute_SCSI_Cmd(direction, cdb, buffer, length);
}

}  // namespace

extern "C" VKR_API int32_t VKR_CALL Vkr_SendI2C(const void* buffer, uint8_t length) {
    // The transport takes one pointer for both directions; a data-out command
    // only reads through it.
    return Transfer(VendorI2CSend, VKR_DATA_OUT, const_cast<void*>(buffer), length);
}

extern "C" VKR_API int32_t VKR_CALL Vkr_ReceiveI2C(void* buffer, uint8_t length) {
    return Transfer(VendorI2CReceive, VKR_DATA_IN, buffer, length);
}

extern "C" VKR_API uint8_t VKR_CALL Vkr_SendReceiveI2C(const void* sendBuffer, uint8_t sendLength,
                                                       void* receiveBuffer, uint8_t receiveLength) {
    // An empty half is skipped and counts as done; the read never follows a
    // failed write, so the receive buffer is only touched after a good one.
    int32_t result = 1;
    if (sendBuffer != nullptr && sendLength != 0) result = Vkr_SendI2C(sendBuffer, sendLength);
    if (result != 0 && receiveBuffer != nullptr && receiveLength != 0)
        result = Vkr_ReceiveI2C(receiveBuffer, receiveLength);
    return result != 0 ? 1 : 0;
}

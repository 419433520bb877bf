// The four frames. Each is one exchange over the bridge: the frame is written
// and the reply, where there is one, read back into the same buffer. A
// command succeeds only when the whole exchange did, even where the reply is
// never looked at.
#include "controller/commands.h"

#include <cstring>

#include "vokari/vkr.h"

namespace {

enum : uint8_t {
    OpReadMemory = 'P',
    OpWriteMemory = 'Q',
    OpBeginBlock = 'R',
    OpRestart = 'S',
};

enum : uint8_t {
    FrameBufferSize = 64,  // no frame or reply is longer: the bridge's limit
    BeginBlockReplyLength = 64,
    RestartFrameLength = 2,
};

// Addresses travel low byte first on this link, unlike the big-endian
// fields of the SCSI commands around them.
void PutAddress(uint8_t* frame, uint16_t address) {
    frame[1] = static_cast<uint8_t>(address);
    frame[2] = static_cast<uint8_t>(address >> 8);
}

}  // namespace

bool ReadMemory(uint16_t address, uint8_t length, void* destination) {
    if (length > ReadMemoryLimit || (destination == nullptr && length != 0)) return false;
    uint8_t frame[FrameBufferSize] = {OpReadMemory};
    PutAddress(frame, address);
    frame[3] = length;
    if (!Vkr_SendReceiveI2C(frame, 4, frame, length)) return false;
    // Only a good exchange reaches the caller's buffer: a failed read leaves
    // whatever record it was meant for as it was.
    if (length != 0) std::memcpy(destination, frame, length);
    return true;
}

bool WriteMemory(uint16_t address, uint8_t length, const void* source) {
    if (length > WriteMemoryLimit || (source == nullptr && length != 0)) return false;
    uint8_t frame[FrameBufferSize] = {OpWriteMemory};
    PutAddress(frame, address);
    frame[3] = length;
    if (length != 0) std::memcpy(frame + 4, source, length);
    // The controller answers with `length` bytes; they are read so that the
    // exchange completes, not compared with what was written.
    return Vkr_SendReceiveI2C(frame, static_cast<uint8_t>(length + 4), frame, length) != 0;
}

bool BeginBlock(uint16_t address) {
    uint8_t frame[FrameBufferSize] = {OpBeginBlock};
    PutAddress(frame, address);
    return Vkr_SendReceiveI2C(frame, 3, frame, BeginBlockReplyLength) != 0;
}

bool RestartController() {
    // The second byte carries nothing the controller looks at; it is sent as
    // zero. No reply: the controller is gone before it could give one.
    uint8_t frame[FrameBufferSize] = {OpRestart, 0x00};
    return Vkr_SendReceiveI2C(frame, RestartFrameLength, nullptr, 0) != 0;
}

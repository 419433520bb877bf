#include "sim/usb/bot_wire.h"

#include <cstring>

namespace {

uint32_t Little32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void PutLittle32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool BotParseCbw(const uint8_t* bytes, size_t size, BotCbw* cbw) {
    if (bytes == nullptr || size != BotCbwSize || Little32(bytes) != BotCbwSignature) return false;
    uint8_t lun = bytes[13] & 0x0F;
    uint8_t cbLength = bytes[14] & 0x1F;
    // One logical unit; a command block of 1 to 16 bytes.
    if (lun != 0 || cbLength == 0 || cbLength > 16) return false;
    *cbw = BotCbw{};
    cbw->tag = Little32(bytes + 4);
    cbw->dataLength = Little32(bytes + 8);
    cbw->dataIn = (bytes[12] & 0x80) != 0;
    cbw->lun = lun;
    cbw->cbLength = cbLength;
    std::memcpy(cbw->cdb, bytes + 15, cbLength);
    return true;
}

void BotBuildCsw(uint32_t tag, uint32_t residue, BotStatus status, uint8_t (&csw)[BotCswSize]) {
    PutLittle32(csw, BotCswSignature);
    PutLittle32(csw + 4, tag);
    PutLittle32(csw + 8, residue);
    csw[12] = status;
}

// The USB mass-storage Bulk-Only Transport on the wire: the 31-byte command
// block wrapper (CBW) the host sends, the 13-byte status wrapper (CSW) the
// device answers with, and the rule for ending a short data-in phase.
// Nothing here touches the OS, so it is tested on any host.
#pragma once

#include <cstddef>
#include <cstdint>

enum : uint32_t {
    BotCbwSize = 31,
    BotCswSize = 13,
    BotCbwSignature = 0x43425355,  // "USBC"
    BotCswSignature = 0x53425355,  // "USBS"
};

enum BotStatus : uint8_t {
    BotPassed = 0,
    BotFailed = 1,       // the host fetches the sense with REQUEST SENSE
    BotPhaseError = 2,   // the host answers with reset recovery
};

struct BotCbw {
    uint32_t tag;
    uint32_t dataLength;
    bool dataIn;  // bmCBWFlags bit 7
    uint8_t lun;
    uint8_t cbLength;  // 1..16 bytes of command block
    uint8_t cdb[16];   // the command block, zero past cbLength
};

// False for a block that is not a meaningful CBW (size, signature, LUN,
// command block length): the device then halts both bulk endpoints until
// the host's reset recovery.
bool BotParseCbw(const uint8_t* bytes, size_t size, BotCbw* cbw);

void BotBuildCsw(uint32_t tag, uint32_t residue, BotStatus status, uint8_t (&csw)[BotCswSize]);

// A data-in phase that supplies fewer bytes than the host asked for ends
// with a short packet when its length is not a whole number of packets; when
// it is (0 included), the host would wait for more, so bulk-in is halted.
inline bool BotHaltAfterDataIn(uint32_t asked, uint32_t supplied, uint32_t maxPacket) {
    return supplied < asked && (maxPacket == 0 || supplied % maxPacket == 0);
}

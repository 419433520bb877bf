#include "tests/fuzz/taken_update.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controller/records.h"
#include "device/discovery.h"
#include "device/scsi_commands.h"
#include "images/image_store.h"

namespace {

enum : uint32_t {
    ProgrammableEnd = 0xD400,  // first address past the programmable area
    BlockSize = 1024,
    ChunkSize = 32,
    Blocks = ProgrammableEnd / BlockSize,  // 53
    Chunks = ProgrammableEnd / ChunkSize,
};

struct Ledger {
    // The pass under way: what was written since the last restart frame.
    uint8_t written[ProgrammableEnd];
    bool blockBegun[Blocks];
    bool chunkTaken[Chunks];
    // The restart frame sent last, and the pass it closed: whether that pass
    // wrote anything, and which image it wrote whole (TakenNothing: none).
    bool restartSent;
    bool vanished;
    bool closedPassWrote;
    TakenImage closedPass;
    TakenImage lastPass;
    bool bootLoaderPass;
    uint32_t failedErases;
};

Ledger ledger;

[[noreturn]] void Finding(const char* what, uint32_t address) {
    std::fprintf(stderr, "FINDING: %s (address 0x%04X)\n", what, address);
    std::abort();
}

bool Good(const ScsiOutcome& answer) { return answer.carriedOut && answer.status == 0; }

bool AllChunksTaken() {
    for (bool taken : ledger.chunkTaken)
        if (!taken) return false;
    return true;
}

bool AnyChunkTaken() {
    for (bool taken : ledger.chunkTaken)
        if (taken) return true;
    return false;
}

TakenImage ImageWritten() {
    if (!AllChunksTaken()) return TakenNothing;
    if (std::memcmp(ledger.written, FirmwareImage, ProgrammableEnd) == 0) return TakenFirmware;
    if (std::memcmp(ledger.written, BootLoaderImage, ProgrammableEnd) == 0) return TakenBootLoader;
    return TakenOther;
}

// One controller frame, as carried by an I2C send: letter, address low byte
// first, then a length and data where the frame has them.
void SeeFrame(const uint8_t* frame, uint32_t length, bool good) {
    if (length < 1) return;
    const uint32_t address = length >= 3 ? uint32_t{frame[1]} | uint32_t{frame[2]} << 8 : 0;
    switch (frame[0]) {
        case 'R':
            if (length < 3) return;
            if (address >= ProgrammableEnd) Finding("block begun outside the programmable area", address);
            if (good && address % BlockSize == 0) {
                ledger.blockBegun[address / BlockSize] = true;
                for (uint32_t c = address / ChunkSize; c < (address + BlockSize) / ChunkSize && c < Chunks; ++c)
                    ledger.chunkTaken[c] = false;
            }
            return;
        case 'Q': {
            if (length < 4) return;
            const uint32_t count = frame[3];
            if (address + count > ProgrammableEnd)
                Finding("memory written outside the programmable area", address);
            if (!good || count != ChunkSize || address % ChunkSize != 0 || length < 4 + count) return;
            if (!ledger.blockBegun[address / BlockSize]) return;
            std::memcpy(ledger.written + address, frame + 4, count);
            ledger.chunkTaken[address / ChunkSize] = true;
            return;
        }
        case 'S':
            // A restart closes the pass under way, whatever became of it.
            ledger.closedPassWrote = AnyChunkTaken();
            ledger.closedPass = ImageWritten();
            std::memset(ledger.blockBegun, 0, sizeof ledger.blockBegun);
            std::memset(ledger.chunkTaken, 0, sizeof ledger.chunkTaken);
            ledger.restartSent = true;
            ledger.vanished = false;
            return;
        default:
            return;
    }
}

}  // namespace

void TakenReset() { ledger = Ledger{}; }

void TakenSeeOpen(DriveOpenResult result) {
    if (!ledger.restartSent) return;
    if (result == DriveAbsent) ledger.vanished = true;
    if (result != DriveOpened || !ledger.vanished) return;
    // Gone and back: the restart happened, and with it the pass it closed
    // took effect, whole or not. One that wrote nothing (the restart into
    // programming mode) changes nothing.
    ledger.restartSent = false;
    if (!ledger.closedPassWrote) return;
    ledger.lastPass = ledger.closedPass;
    if (ledger.lastPass == TakenBootLoader) ledger.bootLoaderPass = true;
}

void TakenSeeCommand(const ScsiRequest& request, const ScsiOutcome& answer) {
    if (request.cdb[0] != ScsiOpVendor) return;
    switch (request.cdb[1]) {
        case VendorI2CSend:
            if (request.direction == ScsiDataOut && request.data != nullptr)
                SeeFrame(static_cast<const uint8_t*>(request.data), request.length, Good(answer));
            return;
        case VendorWritePages:
            Finding("flash pages written: the updater has no reason to", 0);
        case VendorEraseBlocks:
            if (!Good(answer)) ++ledger.failedErases;
            return;
        default:
            return;
    }
}

TakenImage TakenLastPass() { return ledger.lastPass; }
bool TakenBootLoaderPass() { return ledger.bootLoaderPass; }
uint32_t TakenFailedErases() { return ledger.failedErases; }

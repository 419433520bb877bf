// The storage controller of each simulated drive: the standard commands the
// updater uses, the recorder's vendor frame 0xC8, and the commands a host's
// disk drivers send to any removable USB disk, answered as a plain one does
// (medium present, not write protected, no mode pages, sense kept for REQUEST
// SENSE). Anything else ends in CHECK CONDITION, as on the real controller.
#include "sim/recorder/sim_storage.h"

#include <cerrno>
#include <cstring>

#include "device/scsi_commands.h"
#include "sim/sim.h"
#include "sim/recorder/sim_flash.h"
#include "sim/recorder/sim_mcu.h"

namespace {

// Commands of a removable disk that the updater itself never sends.
enum : uint8_t {
    ScsiOpTestUnitReady = 0x00,
    ScsiOpRequestSense = 0x03,
    ScsiOpModeSense6 = 0x1A,
    ScsiOpPreventAllowRemoval = 0x1E,
};

enum : uint8_t {
    SenseKeyNone = 0x00,
    SenseKeyIllegalRequest = 0x05,
    AscInvalidOpcode = 0x20,
    AscInvalidFieldInCdb = 0x24,
    ModePageAll = 0x3F,
};

// The sense of the last command that ended in CHECK CONDITION, until REQUEST
// SENSE fetches it or a later command succeeds: a host that takes no sense
// with the status (USB mass storage) asks for it next.
uint8_t pendingSense[18];
bool sensePending = false;

enum class Phase { None, In, Out, Unknown };

// What data phase a command has; a request whose direction contradicts it
// is a phase error, which the host reports as a failed request. Commands the
// controller does not know are refused with CHECK CONDITION instead.
Phase PhaseOf(const uint8_t* cdb) {
    switch (cdb[0]) {
        case ScsiOpInquiry:
        case ScsiOpReadCapacity10:
        case ScsiOpRead10:
        case ScsiOpRequestSense:
        case ScsiOpModeSense6:
            return Phase::In;
        case ScsiOpTestUnitReady:
        case ScsiOpPreventAllowRemoval:
            return Phase::None;
        case ScsiOpVendor:
            switch (cdb[1]) {
                case VendorReadGeometry:
                case VendorI2CReceive:
                case VendorReadPartsOfPages:
                    return Phase::In;
                case VendorEraseBlocks:
                    return Phase::None;
                case VendorWritePages:
                case VendorI2CSend:
                    return Phase::Out;
                default:
                    return Phase::Unknown;
            }
        default:
            return Phase::Unknown;
    }
}

bool DirectionFits(const ScsiRequest& request) {
    if (request.length == 0) return true;
    switch (PhaseOf(request.cdb)) {
        case Phase::In:
            return request.direction == ScsiDataIn;
        case Phase::Out:
            return request.direction == ScsiDataOut;
        case Phase::None:
            return false;
        case Phase::Unknown:
            return true;
    }
    return false;
}

uint32_t CopyIn(const ScsiRequest& request, const void* source, uint32_t size) {
    uint32_t n = request.length < size ? request.length : size;
    // A command without a data phase may come with no buffer at all.
    if (n != 0) std::memcpy(request.data, source, n);
    return n;
}

uint64_t FlashBytes(const SimSlot& slot) {
    const uint8_t* g = slot.geometry;
    uint64_t blocks = uint64_t{g[0]} * (g[6] | g[7] << 8);
    return blocks * g[8] * (g[9] | g[10] << 8);
}

bool ReadCapacity(const SimSlot& slot, const ScsiRequest& request, uint32_t* bytesIn) {
    uint64_t blocks = slot.blockLength == 0 ? 0 : FlashBytes(slot) / slot.blockLength;
    uint32_t lastLba = blocks == 0 ? 0 : static_cast<uint32_t>(blocks - 1);
    uint8_t answer[8];
    PutBigEndian(answer, lastLba, 4);
    PutBigEndian(answer + 4, slot.blockLength, 4);
    *bytesIn = CopyIn(request, answer, sizeof answer);
    return true;
}

void FixedSense(uint8_t* sense, uint8_t key, uint8_t asc) {
    std::memset(sense, 0, 18);
    sense[0] = 0x70;  // current error, fixed format
    sense[2] = key;
    sense[7] = 10;  // additional length: 18 bytes in all
    sense[12] = asc;
}

bool RequestSense(const ScsiRequest& request, uint32_t* bytesIn) {
    uint8_t sense[18];
    if (sensePending)
        std::memcpy(sense, pendingSense, sizeof sense);
    else
        FixedSense(sense, SenseKeyNone, 0);
    sensePending = false;
    uint32_t allocation = request.cdb[4];
    *bytesIn = CopyIn(request, sense, allocation < sizeof sense ? allocation : sizeof sense);
    return true;
}

// MODE SENSE(6) of all pages: the header alone (no block descriptor, no
// pages), its device-specific byte saying the medium is not write protected.
// A single page is refused as a disk without mode pages refuses it.
bool ModeSense6(const ScsiRequest& request, uint32_t* bytesIn, uint8_t* asc) {
    if ((request.cdb[2] & 0x3F) != ModePageAll) {
        *asc = AscInvalidFieldInCdb;
        return false;
    }
    const uint8_t header[4] = {3, 0x00, 0x00 /* bit 7: write protected */, 0};
    uint32_t allocation = request.cdb[4];
    *bytesIn = CopyIn(request, header, allocation < sizeof header ? allocation : sizeof header);
    return true;
}

bool RecorderVendorCommand(const SimSlot& slot, const ScsiRequest& request, uint32_t* bytesIn) {
    auto* data = static_cast<uint8_t*>(request.data);
    const uint8_t* cdb = request.cdb;
    switch (cdb[1]) {
        case VendorReadGeometry:
            if (slot.rejectGeometry || SimFaultFires(FaultGeometry, 0)) return false;
            *bytesIn = CopyIn(request, slot.geometry, sizeof slot.geometry);
            return true;
        case VendorI2CSend:
            return SimMcuWrite(data, request.length);
        case VendorI2CReceive:
            if (!SimMcuRead(data, request.length)) return false;
            *bytesIn = request.length;
            return true;
        case VendorWritePages:
            return SimFlashWritePages(cdb, data, request.length);
        case VendorReadPartsOfPages:
            return SimFlashReadParts(cdb, data, request.length, bytesIn);
        case VendorEraseBlocks:
            return SimFlashErase(cdb);
        default:
            return false;
    }
}

bool Carry(const SimSlot& slot, const ScsiRequest& request, uint32_t* bytesIn, uint8_t* asc) {
    switch (request.cdb[0]) {
        case ScsiOpTestUnitReady:
        case ScsiOpPreventAllowRemoval:
            return true;
        case ScsiOpRequestSense:
            return RequestSense(request, bytesIn);
        case ScsiOpModeSense6:
            return ModeSense6(request, bytesIn, asc);
        case ScsiOpInquiry:
            if (SimFaultFires(FaultInquiry, 0)) return false;
            *bytesIn = CopyIn(request, slot.inquiry, sizeof slot.inquiry);
            return true;
        case ScsiOpReadCapacity10:
            if (slot.rejectCapacity || SimFaultFires(FaultCapacity, 0)) return false;
            return ReadCapacity(slot, request, bytesIn);
        case ScsiOpRead10:
            if (slot.kind != SlotRecorder) return false;
            return SimFlashRead10(slot.blockLength, request.cdb,
                                  static_cast<uint8_t*>(request.data), request.length, bytesIn);
        case ScsiOpVendor:
            return slot.kind == SlotRecorder && RecorderVendorCommand(slot, request, bytesIn);
        default:
            return false;
    }
}

}  // namespace

namespace {

void CheckCondition(ScsiOutcome* outcome, uint8_t asc) {
    outcome->carriedOut = true;
    outcome->status = 0x02;  // CHECK CONDITION
    std::memset(outcome->sense, 0, sizeof outcome->sense);
    FixedSense(outcome->sense, SenseKeyIllegalRequest, asc);
    outcome->senseLength = 18;
    std::memcpy(pendingSense, outcome->sense, sizeof pendingSense);
    sensePending = true;
}

}  // namespace

void SimCheckCondition(ScsiOutcome* outcome) { CheckCondition(outcome, AscInvalidOpcode); }

void SimStorageReset() { sensePending = false; }

void SimStorageCommand(int slotIndex, const ScsiRequest& request, ScsiOutcome* outcome,
                       uint32_t* bytesIn) {
    *bytesIn = 0;
    const SimSlot* slot = SimSlotAt(slotIndex);
    if (!DirectionFits(request)) {
        outcome->carriedOut = false;
        outcome->osError = EIO;
        return;
    }
    uint8_t asc = AscInvalidOpcode;
    if (slot == nullptr || !Carry(*slot, request, bytesIn, &asc)) {
        *bytesIn = 0;
        CheckCondition(outcome, asc);
        return;
    }
    if (request.cdb[0] != ScsiOpRequestSense) sensePending = false;
    outcome->carriedOut = true;
    outcome->status = 0;
    if (PhaseOf(request.cdb) == Phase::In) outcome->residual = request.length - *bytesIn;
}

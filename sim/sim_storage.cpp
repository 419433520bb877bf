// The storage controller of each simulated drive: the standard commands the
// updater uses and the recorder's vendor frame 0xC8. Anything else ends in
// CHECK CONDITION, as on the real controller.
#include "sim/sim_storage.h"

#include <cerrno>
#include <cstring>

#include "device/scsi_commands.h"
#include "sim/sim.h"
#include "sim/sim_flash.h"
#include "sim/sim_mcu.h"

namespace {

enum class Phase { None, In, Out, Unknown };

// What data phase a command has; a request whose direction contradicts it
// is a phase error, which the host reports as a failed request. Commands the
// controller does not know are refused with CHECK CONDITION instead.
Phase PhaseOf(const uint8_t* cdb) {
    switch (cdb[0]) {
        case ScsiOpInquiry:
        case ScsiOpReadCapacity10:
        case ScsiOpRead10:
            return Phase::In;
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

bool Carry(const SimSlot& slot, const ScsiRequest& request, uint32_t* bytesIn) {
    switch (request.cdb[0]) {
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

void SimCheckCondition(ScsiOutcome* outcome) {
    outcome->carriedOut = true;
    outcome->status = 0x02;  // CHECK CONDITION
    std::memset(outcome->sense, 0, sizeof outcome->sense);
    outcome->sense[0] = 0x70;  // current error, fixed format
    outcome->sense[2] = 0x05;  // ILLEGAL REQUEST
    outcome->sense[7] = 10;
    outcome->sense[12] = 0x20;  // invalid command operation code
    outcome->senseLength = 18;
}

void SimStorageCommand(int slotIndex, const ScsiRequest& request, ScsiOutcome* outcome,
                       uint32_t* bytesIn) {
    *bytesIn = 0;
    const SimSlot* slot = SimSlotAt(slotIndex);
    if (!DirectionFits(request)) {
        outcome->carriedOut = false;
        outcome->osError = EIO;
        return;
    }
    if (slot == nullptr || !Carry(*slot, request, bytesIn)) {
        *bytesIn = 0;
        SimCheckCondition(outcome);
        return;
    }
    outcome->carriedOut = true;
    outcome->status = 0;
    if (PhaseOf(request.cdb) == Phase::In) outcome->residual = request.length - *bytesIn;
}

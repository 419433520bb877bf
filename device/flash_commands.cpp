// The flash page and block commands: whole pages through the disk's block
// space (READ(10)) and the vendor sub-commands for page writes, part reads
// and block erase. Every command goes through Execute_SCSI_Cmd to the drive
// that discovery selected.
#include <cstdint>

#include "device/device_state.h"
#include "device/scsi_commands.h"
#include "vokari/vkr.h"

namespace {

enum : uint32_t {
    MaxCommandBytes = 65536,  // no command moves more
    MaxCommandUnits = 0xFFFF, // the count field of a command block is 16 bits wide
};

// One transfer, to be cut into commands of at most MaxCommandBytes. Only the
// address (bytes 2-5) and the unit count (bytes 7-8) change from command to
// command; everything else in `cdb` is fixed for the whole transfer.
struct Transfer {
    uint8_t cdb[ScsiCdbBytes];
    int32_t direction;
    uint32_t address;      // of the first command
    uint32_t addressStep;  // address advance per unit moved
    uint32_t unitCount;
    uint32_t unitSize;
    uint8_t* buffer;
};

uint32_t UnitsPerCommand(uint32_t unitSize) {
    uint32_t units = MaxCommandBytes / unitSize;
    return units < MaxCommandUnits ? units : MaxCommandUnits;
}

// A transfer goes out only when all of it can: there is a buffer and a unit
// size to divide by, and the address of its last command still fits the
// 32-bit field (a wrapped address would quietly move other pages).
bool CanSend(const Transfer& t) {
    if (t.buffer == nullptr || t.unitSize == 0 || t.unitSize > MaxCommandBytes) return false;
    uint64_t perCommand = UnitsPerCommand(t.unitSize);
    uint64_t unitsBeforeLast = (t.unitCount - 1) / perCommand * perCommand;
    return t.address + unitsBeforeLast * t.addressStep <= UINT32_MAX;
}

// The chunking loop the three transfers share. Stops at the first command
// that fails; what earlier commands moved stays moved.
uint8_t RunTransfer(Transfer& t) {
    if (t.unitCount == 0) return 1;
    if (!CanSend(t)) return 0;

    const uint32_t perCommand = UnitsPerCommand(t.unitSize);
    uint32_t address = t.address;
    uint32_t remaining = t.unitCount;
    uint64_t moved = 0;
    while (remaining != 0) {
        uint32_t units = remaining < perCommand ? remaining : perCommand;
        PutBigEndian(t.cdb + 2, address, 4);
        PutBigEndian(t.cdb + 7, units, 2);
        if (!Execute_SCSI_Cmd(t.direction, t.cdb, t.buffer + moved * t.unitSize,
                              units * t.unitSize))
            return 0;
        remaining -= units;
        moved += units;
        address += units * t.addressStep;
    }
    return 1;
}

}  // namespace

extern "C" VKR_API uint8_t VKR_CALL Vkr_ReadPages(uint32_t pageAddress, void* buffer,
                                                 uint16_t pageCount) {
    if (pageCount == 0) return 1;
    // A page shorter than a sector (a page size of 0 included) has no whole
    // sector to read: failing beats reporting an untouched buffer as read.
    const uint32_t pageSize = FlashPageSize(DeviceFlashParams);
    if (SectorSize == 0 || pageSize < SectorSize) return 0;
    const uint32_t sectorsPerPage = pageSize / SectorSize;
    const uint64_t startSector = uint64_t{pageAddress} * sectorsPerPage;
    if (startSector > UINT32_MAX) return 0;

    // The sector count is kept in 32 bits and chunked like any other, so a
    // large page count is never cut to the 16 bits of one command.
    Transfer t{{ScsiOpRead10},
               VKR_DATA_IN,
               static_cast<uint32_t>(startSector),
               1,
               uint32_t{pageCount} * sectorsPerPage,
               SectorSize,
               static_cast<uint8_t*>(buffer)};
    return RunTransfer(t);
}

extern "C" VKR_API uint8_t VKR_CALL Vkr_WritePages(uint32_t pageAddress, const void* buffer,
                                                  uint16_t pageCount) {
    // The transport takes a mutable pointer for both directions; a data-out
    // command only reads from it.
    Transfer t{{ScsiOpVendor, VendorWritePages},
               VKR_DATA_OUT,
               pageAddress,
               1,
               pageCount,
               FlashPageSize(DeviceFlashParams),
               static_cast<uint8_t*>(const_cast<void*>(buffer))};
    return RunTransfer(t);
}

extern "C" VKR_API uint8_t VKR_CALL Vkr_ReadPartsOfPages(uint32_t pageAddress, uint16_t partCount,
                                                        uint16_t partOffset, uint16_t partLength,
                                                        uint16_t pageStride, void* buffer) {
    Transfer t{{ScsiOpVendor, VendorReadPartsOfPages},
               VKR_DATA_IN,
               pageAddress,
               pageStride,
               partCount,
               partLength,
               static_cast<uint8_t*>(buffer)};
    PutBigEndian(t.cdb + 9, partLength, 2);
    PutBigEndian(t.cdb + 11, pageStride, 2);
    PutBigEndian(t.cdb + 13, partOffset, 2);
    return RunTransfer(t);
}

extern "C" VKR_API int32_t VKR_CALL Vkr_EraseBlocks(uint32_t pageAddress, uint8_t blockCount) {
    // A count of 0 goes out as it is: what it means is the recorder's affair.
    uint8_t cdb[ScsiCdbBytes] = {ScsiOpVendor, VendorEraseBlocks};
    PutBigEndian(cdb + 2, pageAddress, 4);
    cdb[8] = blockCount;
    return Execute_SCSI_Cmd(VKR_DATA_OUT, cdb, nullptr, 0);
}

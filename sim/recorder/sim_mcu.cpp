// The recorder's microcontroller, as the updater meets it over the I2C
// bridge: an I2C write carries one frame, which is carried out at once; the
// next I2C read returns its reply.
//
// Two modes. While the firmware runs, the programmable area and the
// boot-loader section are read only, and a BeginBlock is taken only at the
// firmware status record, where it asks for programming mode at the next
// restart. In programming mode (the boot loader) each BeginBlock opens (and
// erases) one block of the programmable area, and WriteMemory is taken only
// inside the open block.
//
// What survives what: memory survives everything, as flash does; being
// armed for programming and the open block live only while the controller
// is powered. A restart that was not armed, and every power-on, decide as a
// boot loader does from memory alone: a status record carrying "BLDR"
// brings a new boot-loader section, copied from 0x2000 to 0xD800; the
// firmware is started only when the record carries "FWOK"; otherwise the
// controller stays in its boot loader, ready to be programmed. The record is
// erased by the BeginBlock that opens a pass and is valid again only once
// the pass's last chunk has rewritten it, so a half-written firmware is never
// started, whenever the power goes.
#include "sim/recorder/sim_mcu.h"

#include <cstring>

#include "sim/sim.h"

namespace {

enum : uint32_t {
    BlockSize = 1024,
    ProgrammableEnd = 53 * BlockSize,  // 0xD400
    StatusAddress = 0xD3F5,
    StatusMarkerOffset = 7,
    BootLoaderAddress = 0xD800,
    BootLoaderSize = 8192,
    BootLoaderSource = 0x2000,  // where a boot-loader image carries its new section
    TransferLimit = 64,
    WriteLimit = 32,
    BeginReplyLength = 64,
};

enum : uint8_t { Erased = 0xFF };

const uint8_t BootLoaderMarker[4] = {'B', 'L', 'D', 'R'};
const uint8_t FirmwareMarker[4] = {'F', 'W', 'O', 'K'};

struct McuState {
    uint8_t memory[SimMcuMemorySize];
    SimMcuMode mode;
    // Held only while powered.
    bool armed;  // BeginBlock at the status record seen: the next restart programs
    bool blockOpen;
    uint32_t openBlock;
    uint8_t reply[TransferLimit];
    uint32_t replyLength;
};

McuState mcu;
SimMcuChangeWatcher changeWatcher = nullptr;

// Memory, mode or what is held while powered changed: whoever keeps the
// recorder on disk hears of it at once (length 0: not memory).
void Changed(uint32_t address, uint32_t length) {
    if (changeWatcher != nullptr) changeWatcher(address, length);
}

uint16_t AddressOf(const uint8_t* frame) { return static_cast<uint16_t>(frame[1] | frame[2] << 8); }

// Replies wrap at the top of the 16-bit address space, as the bus does.
void ReplyFromMemory(uint32_t address, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) mcu.reply[i] = mcu.memory[(address + i) & 0xFFFF];
    mcu.replyLength = length;
}

bool Protected(uint32_t address) {
    return address < ProgrammableEnd ||
           (address >= BootLoaderAddress && address < BootLoaderAddress + BootLoaderSize);
}

// The boot loader takes a write only inside its open block, even one of no
// bytes; the firmware takes any write that keeps off what it protects.
bool WriteAllowed(uint32_t address, uint32_t length) {
    if (mcu.mode == SimMcuProgramming)
        return mcu.blockOpen && address >= mcu.openBlock && address < mcu.openBlock + BlockSize &&
               address + length <= mcu.openBlock + BlockSize;
    for (uint32_t i = 0; i < length; ++i)
        if (Protected((address + i) & 0xFFFF)) return false;
    return true;
}

bool RecordCarries(const uint8_t (&marker)[4]) {
    return std::memcmp(mcu.memory + StatusAddress + StatusMarkerOffset, marker, sizeof marker) == 0;
}

// What a boot loader does when it comes up, from memory alone.
void PowerOnDecision() {
    mcu.armed = false;
    mcu.blockOpen = false;
    if (RecordCarries(BootLoaderMarker)) {
        std::memmove(mcu.memory + BootLoaderAddress, mcu.memory + BootLoaderSource, BootLoaderSize);
        Changed(BootLoaderAddress, BootLoaderSize);
    }
    mcu.mode = RecordCarries(FirmwareMarker) ? SimMcuRunning : SimMcuProgramming;
    Changed(0, 0);
}

void Restart() {
    if (!mcu.armed) {
        PowerOnDecision();
        return;
    }
    mcu.armed = false;
    mcu.blockOpen = false;
    mcu.mode = SimMcuProgramming;
    Changed(0, 0);
}

bool ReadFrame(const uint8_t* frame, uint32_t length) {
    if (length != 4 || frame[3] > TransferLimit) return false;
    uint16_t address = AddressOf(frame);
    if (SimFaultFires(FaultRead, address)) return false;
    ReplyFromMemory(address, frame[3]);
    return true;
}

bool WriteFrame(const uint8_t* frame, uint32_t length) {
    if (length < 4 || frame[3] > WriteLimit || length != frame[3] + 4u) return false;
    uint16_t address = AddressOf(frame);
    uint32_t count = frame[3];
    if (SimFaultFires(FaultWrite, address) || !WriteAllowed(address, count)) return false;
    for (uint32_t i = 0; i < count; ++i) mcu.memory[(address + i) & 0xFFFF] = frame[4 + i];
    if (count != 0) Changed(address, count);
    // The reply echoes what was stored.
    ReplyFromMemory(address, count);
    return true;
}

bool BeginFrame(const uint8_t* frame, uint32_t length) {
    if (length != 3) return false;
    uint16_t address = AddressOf(frame);
    if (SimFaultFires(FaultBegin, address)) return false;
    if (address == StatusAddress) {
        // From here until the pass's last chunk the firmware below the
        // record is not to be trusted.
        mcu.armed = true;
        Changed(0, 0);
        std::memset(mcu.memory + StatusAddress, Erased, StatusMarkerOffset + 4);
        Changed(StatusAddress, StatusMarkerOffset + 4);
    } else if (mcu.mode == SimMcuProgramming && address % BlockSize == 0 &&
               address < ProgrammableEnd) {
        mcu.blockOpen = true;
        mcu.openBlock = address;
        Changed(0, 0);
        std::memset(mcu.memory + address, Erased, BlockSize);
        Changed(address, BlockSize);
    } else {
        return false;
    }
    ReplyFromMemory(address, BeginReplyLength);
    return true;
}

bool RestartFrame(uint32_t length) {
    if (length != 2 || SimFaultFires(FaultRestart, 0)) return false;
    Restart();
    mcu.replyLength = 0;
    SimRecorderRestart();
    return true;
}

}  // namespace

void SimMcuReset(const SimOptions& options) {
    changeWatcher = nullptr;
    std::memset(&mcu, 0, sizeof mcu);
    std::memset(mcu.memory, Erased, sizeof mcu.memory);
    mcu.mode = SimMcuRunning;
    SimMcuWriteRecords(options, false);
}

void SimMcuWriteRecords(const SimOptions& options, bool onlyGiven) {
    uint8_t* bootLoader = mcu.memory + BootLoaderAddress;
    if (!onlyGiven || options.bootLoaderGiven) {
        bootLoader[0] = static_cast<uint8_t>(options.bootLoaderVersion >> 8);  // major first
        bootLoader[1] = static_cast<uint8_t>(options.bootLoaderVersion);
    }
    if (!onlyGiven || options.signatureGiven)
        std::memcpy(bootLoader + 2, options.signature, sizeof options.signature);

    uint8_t* status = mcu.memory + StatusAddress;
    if (options.firmwareNone) {
        // No firmware: the status record is erased, as the rest of the area.
        if (!onlyGiven || options.firmwareGiven) std::memset(status, Erased, StatusMarkerOffset + 4);
        return;
    }
    if (!onlyGiven || options.firmwareGiven) {
        status[0] = static_cast<uint8_t>(options.firmwareVersion);  // minor first
        status[1] = static_cast<uint8_t>(options.firmwareVersion >> 8);
        std::memset(status + 2, 0, 5);
    }
    if (!onlyGiven || options.markerGiven)
        std::memcpy(status + StatusMarkerOffset, options.marker, sizeof options.marker);
}

bool SimMcuWrite(const uint8_t* data, uint32_t length) {
    mcu.replyLength = 0;  // a refused frame leaves no reply behind
    if (data == nullptr || length == 0 || length > TransferLimit) return false;
    switch (data[0]) {
        case 'P':
            return ReadFrame(data, length);
        case 'Q':
            return WriteFrame(data, length);
        case 'R':
            return BeginFrame(data, length);
        case 'S':
            return RestartFrame(length);
        default:
            return false;
    }
}

bool SimMcuRead(uint8_t* data, uint32_t length) {
    if (length > TransferLimit || (data == nullptr && length != 0)) return false;
    // Past the end of the reply the bus reads as idle (all ones).
    for (uint32_t i = 0; i < length; ++i)
        data[i] = i < mcu.replyLength ? mcu.reply[i] : uint8_t{Erased};
    return true;
}

const uint8_t* SimMcuMemory() { return mcu.memory; }

SimMcuMode SimMcuCurrentMode() { return mcu.mode; }

void SimMcuRestore(const uint8_t* memory, SimMcuMode mode) {
    if (memory != nullptr) std::memcpy(mcu.memory, memory, sizeof mcu.memory);
    mcu.mode = mode == SimMcuProgramming ? SimMcuProgramming : SimMcuRunning;
    mcu.armed = false;
    mcu.blockOpen = false;
    mcu.replyLength = 0;
}

void SimMcuPowerOn() {
    mcu.replyLength = 0;
    PowerOnDecision();
}

void SimMcuWatchChanges(SimMcuChangeWatcher watcher) { changeWatcher = watcher; }

bool SimMcuArmed() { return mcu.armed; }

bool SimMcuOpenBlock(uint32_t* address) {
    if (mcu.blockOpen) *address = mcu.openBlock;
    return mcu.blockOpen;
}

void SimMcuRestorePowered(bool armed, bool blockOpen, uint32_t openBlock) {
    mcu.armed = armed;
    mcu.blockOpen = blockOpen && mcu.mode == SimMcuProgramming && openBlock % BlockSize == 0 &&
                    openBlock < ProgrammableEnd;
    mcu.openBlock = mcu.blockOpen ? openBlock : 0;
}

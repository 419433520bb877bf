// The recorder's microcontroller, as the updater meets it over the I2C
// bridge: an I2C write carries one frame, which is carried out at once; the
// next I2C read returns its reply.
//
// Two modes. While the firmware runs, the programmable area and the
// boot-loader section are read only, and a BeginBlock is taken only at the
// firmware status record, where it asks for programming mode at the next
// restart. In programming mode each BeginBlock opens (and erases) one block of
// the programmable area, and WriteMemory is taken only inside the open block.
// A restart after a complete pass installs it and goes back to running;
// a pass whose status record carries "BLDR" brings a new boot-loader section,
// which the restart copies from 0x2000 to 0xD800.
#include "sim/sim_mcu.h"

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

struct McuState {
    uint8_t memory[SimMcuMemorySize];
    SimMcuMode mode;
    bool armed;  // BeginBlock at the status record seen: the next restart programs
    bool blockOpen;
    uint32_t openBlock;
    // Bytes of the programmable area written since their block was begun.
    uint8_t written[ProgrammableEnd / 8];
    uint8_t reply[TransferLimit];
    uint32_t replyLength;
};

McuState mcu;

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

bool WriteAllowed(uint32_t address, uint32_t length) {
    if (mcu.mode == SimMcuProgramming)
        return mcu.blockOpen && address >= mcu.openBlock &&
               address + length <= mcu.openBlock + BlockSize;
    for (uint32_t i = 0; i < length; ++i)
        if (Protected((address + i) & 0xFFFF)) return false;
    return true;
}

void MarkWritten(uint32_t address, uint32_t length, bool written) {
    for (uint32_t a = address; a < address + length; ++a) {
        auto bit = static_cast<uint8_t>(1u << (a % 8));
        if (written)
            mcu.written[a / 8] |= bit;
        else
            mcu.written[a / 8] &= static_cast<uint8_t>(~bit);
    }
}

bool PassComplete() {
    for (uint8_t bits : mcu.written)
        if (bits != 0xFF) return false;
    return true;
}

void ClearPass() {
    mcu.blockOpen = false;
    std::memset(mcu.written, 0, sizeof mcu.written);
}

void Restart() {
    if (mcu.mode == SimMcuProgramming && PassComplete()) {
        const uint8_t* marker = mcu.memory + StatusAddress + StatusMarkerOffset;
        if (std::memcmp(marker, BootLoaderMarker, sizeof BootLoaderMarker) == 0)
            std::memmove(mcu.memory + BootLoaderAddress, mcu.memory + BootLoaderSource,
                         BootLoaderSize);
        mcu.mode = SimMcuRunning;
    }
    // An unfinished pass keeps the controller in programming mode: the
    // firmware it would start is incomplete.
    if (mcu.armed) mcu.mode = SimMcuProgramming;
    mcu.armed = false;
    ClearPass();
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
    if (mcu.mode == SimMcuProgramming) MarkWritten(address, count, true);
    // The reply echoes what was stored.
    ReplyFromMemory(address, count);
    return true;
}

bool BeginFrame(const uint8_t* frame, uint32_t length) {
    if (length != 3) return false;
    uint16_t address = AddressOf(frame);
    if (SimFaultFires(FaultBegin, address)) return false;
    if (address == StatusAddress) {
        mcu.armed = true;
    } else if (mcu.mode == SimMcuProgramming && address % BlockSize == 0 &&
               address < ProgrammableEnd) {
        mcu.blockOpen = true;
        mcu.openBlock = address;
        std::memset(mcu.memory + address, Erased, BlockSize);
        MarkWritten(address, BlockSize, false);
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
    mcu.replyLength = 0;
    ClearPass();
}

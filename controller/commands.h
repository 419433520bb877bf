// The microcontroller's command frames, each one exchange over the I2C bridge
// (Vkr_SendReceiveI2C): 'P' read memory, 'Q' write memory, 'R' begin a
// block, 'S' restart. Addresses travel low byte first. Nothing here prints or
// retries; results are success flags.
#pragma once

#include <cstdint>

#include "controller/records.h"

enum : uint8_t {
    ReadMemoryLimit = 64,   // bytes per 'P' reply
    WriteMemoryLimit = 32,  // data bytes per 'Q' frame
};

bool ReadMemory(uint16_t address, uint8_t length, void* destination);
bool WriteMemory(uint16_t address, uint8_t length, const void* source);
bool BeginBlock(uint16_t address);
bool RestartController();

// The device's records, zero-filled at start, filled by the reads below.
extern BootLoaderInfo DeviceBootLoaderInfo;
extern FirmwareStatus DeviceFirmwareStatus;

// Reads the 9 bytes at 0xD800 and turns `version` into host order. A failed
// read leaves the record as it was.
bool ReadBootLoaderInfo(BootLoaderInfo* record);

// Reads the 11 bytes at 0xD3F5; true only when read and the marker is "FWOK".
// The record holds what was read either way.
bool ReadFirmwareStatus(FirmwareStatus* record);

// True when the record's marker is "FWOK".
bool FirmwareStatusValid(const FirmwareStatus& record);

// True when every byte of the record reads 0xFF: the block that holds it was
// opened (erased) and never finished, so there is no firmware at all.
bool FirmwareStatusErased(const FirmwareStatus& record);

// True when the controller answers from its boot loader (waiting to be
// programmed) rather than from a running firmware. It sends a WriteMemory of
// no bytes, which stores nothing whichever answers, and a one-byte read.
bool ControllerInBootLoader();

// Back to the state of a fresh process (tests start from it).
void ControllerResetState();

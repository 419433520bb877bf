// The recorders attached, found and read through the exported API and the
// controller's read frames only.
#pragma once

#include <cstdint>

#include "controller/records.h"
#include "device/device_state.h"
#include "device/discovery.h"
#include "device/flash_params.h"

enum : int { MaxRecorders = ScanLastDrive - ScanFirstDrive + 1 };

enum FirmwareState : int {
    FirmwareUnreadable = 0,  // the read frame failed
    FirmwareValid = 1,       // marker "FWOK"
    FirmwareInvalid = 2,     // another marker: what it says is not to be trusted
    FirmwareErased = 3,      // every byte 0xFF: a pass opened the block and stopped
};

struct RecorderInfo {
    int drive;
    char path[DevicePathLength + 1];
    char node[64];  // the name the system gives the drive; "" when that is the path
    FlashParams flash;
    uint32_t sectorSize;
    bool bootLoaderRead;
    BootLoaderInfo bootLoader;  // version in host order
    FirmwareState firmwareState;
    FirmwareStatus firmware;
};

// Every recorder among drives 0 to 8, in drive order, with its records read.
// Returns how many were found (at most MaxRecorders).
int FindRecorders(RecorderInfo* recorders);

// Makes the recorder on `drive` (AnyDrive: the first one) the current
// device, and fills `info` with what discovery fetched (no records read).
// False when there is no recorder there.
bool SelectRecorder(int drive, RecorderInfo* info);

// Reads the two version records of the current device into `info`. False
// when either read frame failed.
bool ReadRecorderRecords(RecorderInfo* info);

// Whole flash in pages and in bytes, as the geometry record gives it.
uint64_t FlashPageCount(const FlashParams& flash);
uint64_t FlashByteCount(const FlashParams& flash);

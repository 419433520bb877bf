// Bringing the simulator up from its options, and down again.
#include <cstdio>
#include <cstring>

#include "sim/sim.h"
#include "sim/sim_drives.h"
#include "sim/sim_faults.h"
#include "sim/recorder/sim_flash.h"
#include "sim/recorder/sim_mcu.h"
#include "sim/sim_signals.h"
#include "sim/sim_state.h"
#include "sim/recorder/sim_storage.h"
#include "sim/sim_trace_write.h"

namespace {

// The recorder's standard INQUIRY data: zero bytes inside the vendor and
// product fields, additional length 0x20, revision all zero.
const uint8_t RecorderInquiry[36] = {
    0x00, 0x80, 0x05, 0x02, 0x20, 0x00, 0x80, 0x00, 'V', 'e', 'x', 'o', 0x20, 0x00, 0x20, 0x20,
    'M',  'a',  's',  's',  ' ',  'S',  't',  'o',  'r', 'a', 'g', 'e', ' ',  0x00, 0x20, 0x20,
    0x00, 0x00, 0x00, 0x00,
};

void PutLittle16(uint8_t* field, uint16_t value) {
    field[0] = static_cast<uint8_t>(value);
    field[1] = static_cast<uint8_t>(value >> 8);
}

void MakeRecorderSlot(SimSlot* slot, const SimOptions& options) {
    *slot = SimSlot{};
    slot->kind = SlotRecorder;
    std::memcpy(slot->inquiry, RecorderInquiry, sizeof slot->inquiry);
    // The bytes nobody reads carry something, as a real device's would.
    const SimFlashGeometry& g = options.flash;
    uint8_t* p = slot->geometry;
    p[0] = g.unitCount;
    p[1] = 0x01;
    p[2] = 0x00;
    p[3] = 0x08;
    p[4] = 0x00;
    p[5] = 0x00;
    PutLittle16(p + 6, g.blocksPerUnit);
    p[8] = g.pagesPerBlock;
    PutLittle16(p + 9, g.pageSize);
    p[11] = 0x40;
    slot->blockLength = options.sectorSize;
    slot->presentFrom = options.attachAfterMs;
}

}  // namespace

const uint8_t SimForeignInquiry[36] = {
    0x00, 0x00, 0x05, 0x02, 0x1F, 0x00, 0x00, 0x00, 'G', 'e', 'n', 'e', 'r', 'i', 'c', ' ',
    'U',  'S',  'B',  ' ',  'D',  'i',  's',  'k',  ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    '1',  '.',  '0',  '0',
};

void SimReset() {
    SimOptions defaults;
    SimDefaultOptions(&defaults);
    char error[128];
    SimStart(defaults, error, sizeof error);
}

namespace {
const char* statePath = nullptr;
}  // namespace

bool SimStart(const SimOptions& given, char* error, size_t errorSize) {
    // A saved recorder supplies what the command line leaves open.
    SimOptions options = given;
    statePath = options.statePath;
    if (statePath != nullptr && !SimStateLoad(statePath, &options, error, errorSize)) return false;

    SimTraceClose();
    SimTraceKeep(false);
    SimTraceClear();
    SimClockReset();
    SimDrivesReset();
    SimDrivesConfigure(options);
    SimFaultsReset();
    SimFaultsConfigure(options);
    SimMcuReset(options);
    SimFlashReset(options);
    SimStorageReset();

    if (SimSlot* recorder = SimSlotAt(options.drive)) MakeRecorderSlot(recorder, options);
    if (SimSlot* disk = SimSlotAt(options.diskDrive)) {
        *disk = SimSlot{};
        disk->kind = SlotForeignDisk;
        std::memcpy(disk->inquiry, SimForeignInquiry, sizeof disk->inquiry);
    }
    if (SimSlot* denied = SimSlotAt(options.deniedDrive)) {
        if (denied->kind == SlotEmpty) MakeRecorderSlot(denied, options);
        denied->denied = true;
    }
    SimSetRealTime(options.realTime);
    SimStateStopWriting();
    if (statePath != nullptr && !SimStateApply(options, error, errorSize)) return false;
    if (statePath != nullptr && !SimStateKeepWritten(statePath, error, errorSize)) return false;

    if (options.tracePath != nullptr && !SimTraceOpen(options.tracePath)) {
        std::snprintf(error, errorSize, "cannot write the trace file %s", options.tracePath);
        return false;
    }
    return true;
}

bool SimFinish(char* error, size_t errorSize) {
    SimTraceClose();
    if (statePath == nullptr) return true;
    // A signal during this save is acted on after it (and saves again).
    SimCommandBegins();
    SimStateStopWriting();
    // Written whole once more, which folds in the changes appended.
    bool saved = SimStateSave(statePath, error, errorSize);
    SimCommandEnds();
    return saved;
}

void SimSaveOnSignals() { SimSaveOnEndingSignals(statePath); }

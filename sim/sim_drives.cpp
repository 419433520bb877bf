// The simulator's drives, behind the drive seam (platform/drive.h).
//
// Paths "\\.\PHYSICALDRIVE0" to "\\.\PHYSICALDRIVE9" name the ten slots; any
// other path names nothing. Every open attempt and every command costs one
// virtual millisecond, so that loops which poll without pausing still see
// time pass. Every command is traced.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/drive.h"
#include "platform/process_stop.h"
#include "sim/sim.h"
#include "sim/sim_drives.h"
#include "sim/sim_faults.h"
#include "sim/recorder/sim_mcu.h"
#include "sim/sim_signals.h"
#include "sim/recorder/sim_storage.h"
#include "sim/sim_trace_write.h"

namespace {

SimSlot slots[SimSlotCount];
int recorderSlot = SimNoSlot;
int returnSlot = SimNoSlot;  // where the recorder comes back after a restart
bool neverReturns = false;
bool returnsDenied = false;
// A restarted recorder drops off the bus even when it is back at once: the
// first open after the restart fails, however short the restart time.
int droppedSlot = SimNoSlot;
uint32_t restartMs = 1500;
uint64_t commandCount = 0;
int openDrives = 0;
uint64_t failCommandFirst = 0;
uint32_t failCommandCount = 0;
uint64_t killAt = 0;       // --kill-at: the process dies before this command
uint64_t powerLossAt = 0;  // --power-loss-at: the recorder loses power before it
SimCommandWatcher watcher = nullptr;

constexpr char DrivePrefix[] = "\\\\.\\PHYSICALDRIVE";

int SlotForPath(const char* path) {
    size_t prefix = sizeof DrivePrefix - 1;
    if (path == nullptr || std::strncmp(path, DrivePrefix, prefix) != 0) return SimNoSlot;
    char digit = path[prefix];
    if (digit < '0' || digit > '9' || path[prefix + 1] != '\0') return SimNoSlot;
    return digit - '0';
}

bool CommandFailsByNumber(uint64_t number) {
    return failCommandFirst != 0 && number >= failCommandFirst &&
           number - failCommandFirst < failCommandCount;
}

}  // namespace

void SimDrivesReset() {
    std::memset(slots, 0, sizeof slots);
    recorderSlot = SimNoSlot;
    returnSlot = SimNoSlot;
    neverReturns = false;
    returnsDenied = false;
    droppedSlot = SimNoSlot;
    restartMs = 1500;
    commandCount = 0;
    openDrives = 0;
    failCommandFirst = 0;
    failCommandCount = 0;
    killAt = 0;
    powerLossAt = 0;
    watcher = nullptr;
}

void SimDrivesConfigure(const SimOptions& options) {
    recorderSlot = options.drive;
    returnSlot = options.returnOn;
    neverReturns = options.noReturn;
    returnsDenied = options.returnDenied;
    restartMs = options.restartMs;
    failCommandFirst = options.failCommand;
    failCommandCount = options.failCommandCount;
    killAt = options.killAt;
    powerLossAt = options.powerLossAt;
}

SimSlot* SimSlotAt(int slot) { return slot >= 0 && slot < SimSlotCount ? &slots[slot] : nullptr; }

int SimRecorderSlot() { return recorderSlot; }

uint64_t SimCommandCount() { return commandCount; }

int SimOpenDriveCount() { return openDrives; }

bool SimSlotPresent(int slot) {
    const SimSlot* s = SimSlotAt(slot);
    return s != nullptr && s->kind != SlotEmpty && SimNowMs() >= s->presentFrom;
}

bool SimDrivesSettled() {
    uint64_t now = SimNowMs();
    for (const SimSlot& s : slots) {
        if (s.kind != SlotRecorder || s.presentFrom == SimNever) continue;
        if (s.presentFrom > now) return false;  // on its way
        if (!s.denied) return false;            // present and usable
    }
    return true;
}

void SimRecorderRestart() {
    SimSlot* current = SimSlotAt(recorderSlot);
    if (current == nullptr) return;
    // The drop is seen where the recorder was: a recorder that comes back on
    // another drive has left its old one empty, and its new one opens (or
    // refuses us) as soon as it is there.
    droppedSlot = recorderSlot;
    uint64_t back = neverReturns ? SimNever : SimNowMs() + restartMs;
    if (returnSlot != SimNoSlot && returnSlot != recorderSlot && SimSlotAt(returnSlot) != nullptr) {
        slots[returnSlot] = *current;
        current->kind = SlotEmpty;
        recorderSlot = returnSlot;
        returnSlot = SimNoSlot;  // one move per restart option
        current = &slots[recorderSlot];
    }
    current->presentFrom = back;
    // Re-created by the system without the rule that let us in.
    if (returnsDenied) current->denied = true;
}

void SimRecorderPowerLoss() {
    SimSlot* current = SimSlotAt(recorderSlot);
    if (current == nullptr || current->kind != SlotRecorder) return;
    // The drive is gone at once, with no drop to see first; the controller
    // comes up from what its memory holds once the power is back.
    current->presentFrom = SimNowMs() + SimPowerOffMs;
    if (droppedSlot == recorderSlot) droppedSlot = SimNoSlot;
    SimStorageReset();
    SimMcuPowerOn();
}

namespace {

// Before command `number` is carried out: the interruptions asked for at it.
void InterruptAt(uint64_t number) {
    if (number == killAt) {
        // The recorder is on disk already; what was printed is out.
        std::fflush(stdout);
        ProcessKill();
    }
    if (number == powerLossAt) SimRecorderPowerLoss();
}

// One open attempt, whoever makes it: it costs a millisecond, may be the one
// that finds a restarted recorder off the bus, and is traced when it fails.
DriveOpenResult AttemptOpen(const char* path, int* slotOpened) {
    SimAdvanceMs(1);
    int slot = SlotForPath(path);
    DriveOpenResult result = DriveAbsent;
    if (slot != SimNoSlot && slot == droppedSlot)
        droppedSlot = SimNoSlot;
    else if (SimSlotPresent(slot))
        result = slots[slot].denied ? DriveDenied : DriveOpened;
    if (result != DriveOpened) SimTraceFailedOpen(path);
    *slotOpened = slot;
    return result;
}

}  // namespace

DriveOpenResult DriveOpen(const char* path, int* handle) {
    int slot = SimNoSlot;
    DriveOpenResult result = AttemptOpen(path, &slot);
    if (result != DriveOpened) return result;
    *handle = slot;
    ++openDrives;
    return DriveOpened;
}

DriveOpenResult DriveCheckAccess(const char* path) {
    int slot = SimNoSlot;
    return AttemptOpen(path, &slot);
}

namespace {

// An INQUIRY field as the Linux kernel shows it: a zero byte ends it, and
// anything that is not printable becomes a blank.
void ShownInquiryField(const uint8_t* field, size_t length, char* text) {
    bool ended = false;
    for (size_t i = 0; i < length; ++i) {
        ended = ended || field[i] == 0;
        text[i] = ended || field[i] < 0x20 || field[i] > 0x7E ? ' ' : static_cast<char>(field[i]);
    }
    text[length] = '\0';
}

}  // namespace

bool DriveReadIdentity(const char* path, DriveIdentity* identity) {
    int slot = SlotForPath(path);
    if (identity == nullptr || !SimSlotPresent(slot)) return false;
    ShownInquiryField(slots[slot].inquiry + 8, 8, identity->vendor);
    ShownInquiryField(slots[slot].inquiry + 16, 16, identity->model);
    return true;
}

void DriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    SimAdvanceMs(1);
    SimCommandBegins();
    *outcome = ScsiOutcome{};
    uint64_t number = ++commandCount;
    InterruptAt(number);
    uint64_t t = SimNowMs();
    SimSlot* slot = SimSlotAt(handle);
    uint32_t bytesIn = 0;
    if (slot == nullptr) {
        outcome->osError = EBADF;
    } else if (!SimSlotPresent(handle)) {
        // Gone under an open handle: the system reports the device lost.
        outcome->osError = ENODEV;
    } else if (CommandFailsByNumber(number)) {
        SimCheckCondition(outcome);
    } else {
        SimStorageCommand(handle, request, outcome, &bytesIn);
    }
    SimTraceCommand(t, handle, request, *outcome, bytesIn, TracedUpdater);
    if (watcher != nullptr) {
        const auto* out = request.direction == ScsiDataOut ? static_cast<const uint8_t*>(request.data)
                                                           : nullptr;
        watcher(request.cdb, out, request.length, outcome->carriedOut && outcome->status == 0);
    }
    SimCommandEnds();
}

void SimHostCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    *outcome = ScsiOutcome{};
    uint32_t bytesIn = 0;
    if (SimSlotAt(handle) == nullptr) {
        outcome->osError = EBADF;
    } else {
        SimFaultsHold(true);
        SimStorageCommand(handle, request, outcome, &bytesIn);
        SimFaultsHold(false);
    }
    SimTraceCommand(SimNowMs(), handle, request, *outcome, bytesIn, TracedHost);
}

bool SimOpenRecorder(int* handle) {
    if (!SimSlotPresent(recorderSlot) || slots[recorderSlot].denied) return false;
    if (droppedSlot == recorderSlot) droppedSlot = SimNoSlot;
    *handle = recorderSlot;
    ++openDrives;
    return true;
}

void SimWatchCommands(SimCommandWatcher w) { watcher = w; }

void DriveClose(int) { --openDrives; }

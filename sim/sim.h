// The simulated recorder: a stand-in for the drives behind the drive seam and
// for the clock behind the clock seam (platform/drive.h, platform/clock.h).
//
// It models ten drive slots, the recorder's storage controller, its flash and
// its microcontroller (the recorder itself, in recorder/), and it can be told
// to fail and to be interrupted. Time is virtual unless real
// time is asked for: pauses take no real time, and every drive open and every
// command costs one virtual millisecond, like a USB round trip.
//
// All state is module-wide; SimReset() brings back the defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/drive.h"

enum : int {
    SimSlotCount = 10,  // slots 0..9; discovery only looks at 0..8
    SimNoSlot = -1,
    SimMaxFaultRules = 32,
};

enum SimSlotKind : int {
    SlotEmpty = 0,
    SlotForeignDisk = 1,  // answers INQUIRY with other data
    SlotRecorder = 2,
};

// One drive slot, as discovery sees it.
struct SimSlot {
    SimSlotKind kind;
    uint8_t inquiry[36];
    uint8_t geometry[12];  // the FlashParams record that sub-command 0x00 returns
    uint32_t blockLength;  // READ CAPACITY(10) block length
    bool rejectGeometry;   // sub-command 0x00 ends in CHECK CONDITION
    bool rejectCapacity;   // READ CAPACITY(10) ends in CHECK CONDITION
    bool denied;           // the node exists but refuses us for lack of permission
    uint64_t presentFrom;  // ms from which the slot is there; SimNever: gone for good
};

constexpr uint64_t SimNever = UINT64_MAX;

// What a --fail rule matches.
enum SimFaultKind : int {
    FaultRead = 0,     // frame 'P'; address: controller address
    FaultWrite = 1,    // frame 'Q'
    FaultBegin = 2,    // frame 'R'
    FaultRestart = 3,  // frame 'S'
    FaultErase = 4,    // sub-command 0x0A; address: page address
    FaultInquiry = 5,
    FaultGeometry = 6,
    FaultCapacity = 7,
    FaultKindCount = 8,
};

struct SimFaultRule {
    SimFaultKind kind;
    bool anyAddress;
    uint32_t address;
    uint32_t remaining;  // how many more matching commands fail
};

// Flash geometry of the simulated recorder: --flash UNITS:BLOCKS:PAGES:PAGESIZE.
struct SimFlashGeometry {
    uint8_t unitCount;
    uint16_t blocksPerUnit;
    uint8_t pagesPerBlock;
    uint16_t pageSize;
};

// Everything the command line of vokari-update-sim can set.
struct SimOptions {
    int drive;  // slot of the recorder, SimNoSlot for none
    uint64_t attachAfterMs;
    int deniedDrive;  // slot whose node refuses us (permission), SimNoSlot for none
    int diskDrive;    // slot of another disk (the system disk), SimNoSlot for none

    bool bootLoaderGiven;
    uint16_t bootLoaderVersion;  // major * 256 + minor
    bool signatureGiven;
    uint8_t signature[7];
    bool firmwareGiven;
    bool firmwareNone;  // no firmware at all: the status record is blank
    uint16_t firmwareVersion;
    bool markerGiven;
    uint8_t marker[4];

    bool flashGiven;
    SimFlashGeometry flash;
    bool sectorSizeGiven;
    uint32_t sectorSize;

    SimFaultRule faults[SimMaxFaultRules];
    int faultCount;
    uint64_t failCommand;  // 1-based number of the first failing command, 0 for none
    uint32_t failCommandCount;
    // Interruptions, each before the command of that number (0 for none):
    uint64_t killAt;       // the process dies by SIGKILL
    uint64_t powerLossAt;  // the recorder loses power and comes back later
    bool powerCycled;      // the recorder of the state file was unplugged since

    bool noReturn;
    bool returnDenied;  // after a restart the recorder's node refuses us
    int returnOn;  // slot the recorder comes back on, SimNoSlot for its own
    uint32_t restartMs;

    // --stop-at: the process stops itself (SIGSTOP) when the first command
    // that this rule matches arrives, before carrying it out, so that a test
    // or a debugger can act at that exact point; SIGCONT lets it go on.
    bool stopAtGiven;
    SimFaultRule stopAt;

    const char* statePath;
    const char* tracePath;
    const char* lockName;
    bool realTime;

    bool help;     // --help: print the options and exit
    bool version;  // --version
};

// Defaults of the recorder: older than the shipped images, same signature.
enum : uint16_t {
    SimDefaultBootLoaderVersion = 0x0104,  // 1.4
    SimDefaultFirmwareVersion = 0x0207,    // 2.7
};
extern const uint8_t SimDefaultSignature[7];
extern const uint8_t SimDefaultMarker[4];
extern const SimFlashGeometry SimDefaultFlash;
extern const uint8_t SimForeignInquiry[36];

void SimDefaultOptions(SimOptions* options);

// "UNITS:BLOCKS:PAGES:PAGESIZE", each within its field's width.
bool SimParseFlashGeometry(const char* text, SimFlashGeometry* geometry);

// Reads the leading "--" options of argv[first..argc-1]. Arguments that are
// not simulator options are left for the updater: their indexes are written to
// rest[0..*restCount-1] (rest has room for argc entries). Returns false with a
// message in `error` on a malformed option.
bool SimParseOptions(int argc, char** argv, SimOptions* options, int* rest, int* restCount,
                     char* error, size_t errorSize);

// Back to a fresh simulator with default options: slot 1 a recorder, the
// others empty, clock at 0, no faults, no trace.
void SimReset();

// Applies options to a freshly reset simulator (slots, recorder, faults,
// clock mode). Returns false with a message when a file cannot be read.
bool SimStart(const SimOptions& options, char* error, size_t errorSize);

// Writes the state file, if one was named, and closes the trace file.
bool SimFinish(char* error, size_t errorSize);

// vokari-update-sim: the state file is also saved when a signal (Ctrl+C, a
// closed terminal, kill) ends the program. Called once the console has
// taken the terminal, whose own handling of those signals still follows.
void SimSaveOnSignals();

SimSlot* SimSlotAt(int slot);  // nullptr outside 0..9

// --- clock ---------------------------------------------------------------
uint64_t SimNowMs();
void SimAdvanceMs(uint64_t ms);
void SimSetRealTime(bool realTime);
// Total virtual ms that SleepMs has been asked to pause.
uint64_t SimPausedMs();

// --- recorder life -------------------------------------------------------
// Slot that currently holds the recorder, SimNoSlot when none.
int SimRecorderSlot();
// The recorder vanishes now and returns after the restart time (or as the
// --no-return / --return-on options say).
void SimRecorderRestart();
// The recorder loses its power now: its drive vanishes, its controller loses
// what it holds only while powered and comes up from memory, and it is back
// SimPowerOffMs later.
enum : uint32_t { SimPowerOffMs = 5000 };
void SimRecorderPowerLoss();

// --- behind a real USB stack (vokari-usb-recorder) -------------------------
// Opens the recorder where it is now, as the host's USB stack finds it after
// a plug-in: false while it is away. The seam's one missed open after a
// restart does not apply: there the unplug itself is real.
bool SimOpenRecorder(int* handle);
// A command the host's own disk drivers sent (probing, sense, polling):
// carried like any other and traced with "host":true, but not numbered for
// --fail-command and never matched by a --fail rule or --stop-at, which
// stay aimed at the updater's commands.
void SimHostCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome);

// --- microcontroller -----------------------------------------------------
enum : uint32_t { SimMcuMemorySize = 65536 };

enum SimMcuMode : int {
    SimMcuRunning = 0,      // the firmware runs: the programmable area is read only
    SimMcuProgramming = 1,  // takes BeginBlock / WriteMemory for the programmable area
};

// The controller's 64 KiB memory, as it stands now.
const uint8_t* SimMcuMemory();
SimMcuMode SimMcuCurrentMode();
// Puts back a memory image (SimMcuMemorySize bytes) and a mode, as a saved
// recorder had them; no pass is under way afterwards.
void SimMcuRestore(const uint8_t* memory, SimMcuMode mode);
// What the controller holds only while powered: armed by a BeginBlock at the
// status record, and the block open for writing.
bool SimMcuArmed();
bool SimMcuOpenBlock(uint32_t* address);
// Puts those back, as a saved recorder that kept its power had them (a block
// opens only in programming mode, at a block address of the area).
void SimMcuRestorePowered(bool armed, bool blockOpen, uint32_t openBlock);
// The controller comes up from memory alone, as after a power loss: the
// firmware starts only under a valid status record, a record that announces
// a boot-loader section installs it, anything else stays in the boot loader.
void SimMcuPowerOn();
// Told of every change of memory (address, length) and of the mode or what
// is held while powered (length 0), as it happens. One watcher; SimStart
// clears it.
using SimMcuChangeWatcher = void (*)(uint32_t address, uint32_t length);
void SimMcuWatchChanges(SimMcuChangeWatcher watcher);

// --- fault plan ----------------------------------------------------------
// True when this command is to fail: consumes one count of the first
// matching rule. `address` is ignored by rules without one. Every command of
// a kind passes here before it is carried out, which is also where --stop-at
// stops the process.
bool SimFaultFires(SimFaultKind kind, uint32_t address);

// --- flash ---------------------------------------------------------------
// The recorder's flash, as its commands left it. Only written pages take
// memory; an erased page reads 0xFF. These serve tests and the state file.

// How often erase block `block` has been erased (0: never).
uint32_t SimFlashEraseCount(uint32_t block);
// The blocks erased at least once, ascending.
std::vector<uint32_t> SimFlashErasedBlocks();
// The pages that hold written data, ascending.
std::vector<uint32_t> SimFlashWrittenPages();
// The page-size bytes of a written page; nullptr for an erased one.
const uint8_t* SimFlashPageData(uint32_t page);
// Restoring a saved flash. False (nothing changed) for a page or block
// outside the flash, or data that is not one page long.
bool SimFlashRestorePage(uint32_t page, const uint8_t* data, size_t size);
bool SimFlashRestoreEraseCount(uint32_t block, uint32_t count);

// --- trace ---------------------------------------------------------------
struct SimTraceRecord {
    uint64_t t;
    char path[40];
    uint8_t cdb[16];
    uint8_t direction;
    uint32_t length;
    std::vector<uint8_t> out;  // bytes sent (data-out commands)
    std::vector<uint8_t> in;   // bytes the device supplied (data-in commands)
    int result;                // the transport's 1 or 0
    bool opened;               // false: the open failed, no command was sent
    bool host;                 // sent by the host's own disk drivers, not the updater
};

// Watching a run as it goes (tests): called for every command carried to a
// drive, after it was carried out, with its CDB, the bytes it sent (data-out
// commands, else nullptr) and the transport's 1 or 0. SimStart stops it.
using SimCommandWatcher = void (*)(const uint8_t* cdb, const uint8_t* dataOut, uint32_t length,
                                   int result);
void SimWatchCommands(SimCommandWatcher watcher);

// Keeps trace records in memory (tests) in addition to any trace file.
void SimTraceKeep(bool keep);
const std::vector<SimTraceRecord>& SimTrace();
void SimTraceClear();
// Number of SCSI commands carried to a drive so far (failed opens excluded).
uint64_t SimCommandCount();
// Drives opened and not yet closed.
int SimOpenDriveCount();

#include "tests/fuzz/hostile_drive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "device/scsi_commands.h"
#include "platform/drive.h"
#include "sim/sim.h"
#include "sim/recorder/sim_storage.h"
#include "tests/fuzz/taken_update.h"

// The simulator's own drive seam, compiled under these names for this target
// (see CMakeLists.txt), so that this drive can stand in front of it.
DriveOpenResult SimSeamDriveOpen(const char* path, int* handle);
void SimSeamDriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome);
void SimSeamDriveClose(int handle);
DriveOpenResult SimSeamDriveCheckAccess(const char* path);

namespace {

enum CommandAct : uint8_t {
    ActNotCarriedOut,   // the host could not run it; the recorder never saw it
    ActRefused,         // CHECK CONDITION; the recorder never saw it
    ActDoneButRefused,  // the recorder did it, the answer says CHECK CONDITION
    ActDoneButLost,     // the recorder did it, the host reports a failure
    ActMadeUpGood,      // GOOD, with made-up data of a made-up length; never seen
    ActCorrupted,       // the recorder's answer with bytes of its data replaced
    ActOtherStatus,     // any status byte; never seen
    ActVanish,          // the drive is gone for a while, from this command on
    CommandActCount,
};

enum OpenAct : uint8_t {
    OpenAbsent,
    OpenFailed,
    OpenDenied,
    OpenVanish,
    OpenActCount,
};

// What an act's count counts: every operation, or those of one kind, so that
// "the fourth restart frame" or "the next INQUIRY" is a small number.
enum OperationKind : uint8_t {
    KindAny,
    KindOpen,
    KindCommand,
    KindReadFrame,     // I2C sends carrying the controller's frames 'P' 'Q' 'R' 'S'
    KindWriteFrame,
    KindBeginFrame,
    KindRestartFrame,
    KindI2CReceive,
    KindInquiry,
    KindGeometry,
    KindCapacity,
    KindErase,
    OperationKindCount,
};

FuzzInput* plan = nullptr;
bool traced = false;  // VKR_HOSTILE_TRACE set: every operation to stderr
uint64_t operation = 0;
bool actDue = false;  // the kind and count before the next act have been read
OperationKind countedKind = KindAny;
uint32_t passesLeft = 0;
uint64_t vanishedUntil = 0;

[[noreturn]] void Hang() {
    std::fprintf(stderr, "FINDING: the run went on past %llu virtual ms\n",
                 static_cast<unsigned long long>(HostileRunLimitMs));
    std::abort();
}

OperationKind CommandKind(const ScsiRequest& request) {
    const uint8_t* cdb = request.cdb;
    if (cdb[0] == ScsiOpInquiry) return KindInquiry;
    if (cdb[0] == ScsiOpReadCapacity10) return KindCapacity;
    if (cdb[0] != ScsiOpVendor) return KindCommand;
    switch (cdb[1]) {
        case VendorReadGeometry:
            return KindGeometry;
        case VendorEraseBlocks:
            return KindErase;
        case VendorI2CReceive:
            return KindI2CReceive;
        case VendorI2CSend:
            if (request.length == 0 || request.data == nullptr) return KindCommand;
            switch (static_cast<const uint8_t*>(request.data)[0]) {
                case 'P': return KindReadFrame;
                case 'Q': return KindWriteFrame;
                case 'R': return KindBeginFrame;
                case 'S': return KindRestartFrame;
                default: return KindCommand;
            }
        default:
            return KindCommand;
    }
}

bool Counted(OperationKind kind) {
    return countedKind == KindAny || countedKind == kind ||
           (countedKind == KindCommand && kind != KindOpen);
}

// True when this operation is the one the next act applies to.
bool ActNow(OperationKind kind) {
    ++operation;
    if (SimNowMs() > HostileRunLimitMs) Hang();
    if (plan == nullptr || FuzzInputEmpty(*plan)) return false;
    if (!actDue) {
        countedKind = static_cast<OperationKind>(TakeByte(plan) % OperationKindCount);
        passesLeft = TakeVarint(plan);
        actDue = true;
    }
    if (!Counted(kind)) return false;
    if (passesLeft > 0) {
        --passesLeft;
        return false;
    }
    actDue = false;
    return true;
}

bool Vanished() { return SimNowMs() < vanishedUntil; }

void StartVanishing() { vanishedUntil = SimNowMs() + TakeU16(plan); }

void CheckCondition(ScsiOutcome* outcome) { SimCheckCondition(outcome); }

void MakeUpData(const ScsiRequest& request, ScsiOutcome* outcome) {
    outcome->carriedOut = true;
    outcome->status = 0;
    if (request.direction != ScsiDataIn || request.data == nullptr) return;
    uint32_t supplied = TakeVarint(plan) % (request.length + 1);
    TakeBytes(plan, request.data, supplied);
    outcome->residual = request.length - supplied;
}

// Replaces a stretch of what the recorder supplied, and perhaps cuts the
// transfer short.
void Corrupt(const ScsiRequest& request, ScsiOutcome* outcome) {
    uint32_t offset = TakeVarint(plan), count = TakeByte(plan);
    uint32_t residual = TakeVarint(plan);
    if (request.direction != ScsiDataIn || request.data == nullptr || request.length == 0) return;
    offset %= request.length;
    if (count > request.length - offset) count = request.length - offset;
    TakeBytes(plan, static_cast<uint8_t*>(request.data) + offset, count);
    if (residual != 0) outcome->residual = residual % (request.length + 1);
}

void Act(CommandAct act, int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    switch (act) {
        case ActNotCarriedOut:
            outcome->osError = EIO;
            return;
        case ActRefused:
            CheckCondition(outcome);
            return;
        case ActDoneButRefused:
            SimSeamDriveCommand(handle, request, outcome);
            CheckCondition(outcome);
            return;
        case ActDoneButLost:
            SimSeamDriveCommand(handle, request, outcome);
            outcome->carriedOut = false;
            outcome->osError = ETIMEDOUT;
            return;
        case ActMadeUpGood:
            MakeUpData(request, outcome);
            return;
        case ActCorrupted:
            SimSeamDriveCommand(handle, request, outcome);
            Corrupt(request, outcome);
            return;
        case ActOtherStatus:
            outcome->carriedOut = true;
            outcome->status = TakeByte(plan);
            return;
        case ActVanish:
        case CommandActCount:
            StartVanishing();
            outcome->osError = ENODEV;
            return;
    }
}

// Opens and access checks (handle null) alike. Those answered here cost the
// virtual millisecond the simulator's own opens do.
DriveOpenResult OpenAnswer(const char* path, int* handle) {
    const bool gone = Vanished();
    if (!gone && !ActNow(KindOpen))
        return handle != nullptr ? SimSeamDriveOpen(path, handle) : SimSeamDriveCheckAccess(path);
    SimAdvanceMs(1);
    if (gone) return DriveAbsent;
    switch (static_cast<OpenAct>(TakeByte(plan) % OpenActCount)) {
        case OpenAbsent:
            return DriveAbsent;
        case OpenFailed:
            return DriveFailed;
        case OpenDenied:
            return DriveDenied;
        case OpenVanish:
        case OpenActCount:
            StartVanishing();
            return DriveAbsent;
    }
    return DriveAbsent;
}

// The operation number (the count an act's skip is made of), the command and
// its first data bytes, and the answer.
void TraceCommand(const ScsiRequest& request, const ScsiOutcome& outcome) {
    std::fprintf(stderr, "op %llu t=%llu cdb", static_cast<unsigned long long>(operation),
                 static_cast<unsigned long long>(SimNowMs()));
    for (int i = 0; i < 3; ++i) std::fprintf(stderr, " %02x", request.cdb[i]);
    std::fprintf(stderr, " len %u data", request.length);
    const auto* data = static_cast<const uint8_t*>(request.data);
    for (uint32_t i = 0; i < request.length && i < 4 && data != nullptr; ++i)
        std::fprintf(stderr, " %02x", data[i]);
    std::fprintf(stderr, " -> %s status %u\n", outcome.carriedOut ? "carried out" : "not carried out",
                 outcome.status);
}

}  // namespace

void HostileDriveStart(FuzzInput* given) {
    plan = given;
    traced = std::getenv("VKR_HOSTILE_TRACE") != nullptr;
    operation = 0;
    actDue = false;
    countedKind = KindAny;
    passesLeft = 0;
    vanishedUntil = 0;
}

// An open and an access check are both open attempts, answered, traced and
// seen by the ledger alike; only an open hands out a handle.
namespace {

DriveOpenResult OpenAttempt(const char* path, int* handle, const char* what) {
    DriveOpenResult result = OpenAnswer(path, handle);
    if (traced)
        std::fprintf(stderr, "op %llu t=%llu %s %d\n", static_cast<unsigned long long>(operation),
                     static_cast<unsigned long long>(SimNowMs()), what, static_cast<int>(result));
    TakenSeeOpen(result);
    return result;
}

}  // namespace

DriveOpenResult DriveOpen(const char* path, int* handle) { return OpenAttempt(path, handle, "open"); }

void DriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome) {
    *outcome = ScsiOutcome{};
    if (Vanished()) {
        SimAdvanceMs(1);
        outcome->osError = ENODEV;
    } else if (!ActNow(CommandKind(request))) {
        SimSeamDriveCommand(handle, request, outcome);
    } else {
        const auto act = static_cast<CommandAct>(TakeByte(plan) % CommandActCount);
        // Acts that pass the command on pay the recorder's millisecond there.
        if (act != ActDoneButRefused && act != ActDoneButLost && act != ActCorrupted) SimAdvanceMs(1);
        Act(act, handle, request, outcome);
    }
    if (traced) TraceCommand(request, *outcome);
    TakenSeeCommand(request, *outcome);
}

void DriveClose(int handle) { SimSeamDriveClose(handle); }

DriveOpenResult DriveCheckAccess(const char* path) { return OpenAttempt(path, nullptr, "access check"); }

#include "sim/usb/bot_server.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/drive.h"
#include "sim/sim.h"
#include "sim/sim_drives.h"
#include "sim/usb/bot_wire.h"
#include "sim/usb/ffs_function.h"
#include "sim/usb/gadget_configfs.h"

namespace {

// usb-storage moves at most 120 KiB per command; anything up to this passes.
constexpr uint32_t MaxData = 1u << 20;
// The restart frame's status goes out before the device drops off the bus;
// pulling the plug at once would fail the restart command itself on the
// host, as a real controller never does.
constexpr uint32_t UnplugDelayMs = 20;

int handle = -1;
unsigned maxPacket = 512;

void PauseMs(uint32_t ms) {
    timespec pause{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

void Log(const char* what) {
    std::fprintf(stderr, "vokari-usb-recorder: %s at %llu ms\n", what,
                 static_cast<unsigned long long>(SimNowMs()));
}

bool RecorderThere(pthread_mutex_t* lock) {
    pthread_mutex_lock(lock);
    bool there = SimSlotPresent(SimRecorderSlot());
    pthread_mutex_unlock(lock);
    return there;
}

// Waits until the recorder is due (for ever with --no-return), then plugs
// the function in.
void PlugWhenThere(const BotServer& s) {
    while (!RecorderThere(s.simLock)) PauseMs(5);
    pthread_mutex_lock(s.simLock);
    SimOpenRecorder(&handle);
    pthread_mutex_unlock(s.simLock);
    if (!GadgetPlug(*s.gadget)) Log("could not plug in the function");
    maxPacket = GadgetMaxPacket(*s.gadget);
    Log("plugged in");
}

bool ReadAll(int fd, uint8_t* data, uint32_t length) {
    uint32_t got = 0;
    while (got < length) {
        ssize_t n = read(fd, data + got, length - got);
        if (n <= 0) return false;  // a reset, or the host went away
        got += static_cast<uint32_t>(n);
        if (static_cast<uint32_t>(n) % maxPacket != 0) break;  // a short packet ends it
    }
    return got == length;
}

bool WriteAll(int fd, const uint8_t* data, uint32_t length) {
    return write(fd, data, length) == static_cast<ssize_t>(length);
}

void SendStatus(const FfsFunction& f, uint32_t tag, uint32_t residue, BotStatus status) {
    uint8_t csw[BotCswSize];
    BotBuildCsw(tag, residue, status, csw);
    WriteAll(f.bulkIn, csw, sizeof csw);
}

// One command: data-out, the recorder's answer, data-in, status. Leaves as
// soon as a reset or a disconnect cuts it short.
void Serve(const BotServer& s, const BotCbw& cbw, uint32_t resets) {
    FfsFunction& f = *s.function;
    static std::vector<uint8_t> data(MaxData);
    uint32_t length = cbw.dataLength;
    if (length > MaxData) {
        if (cbw.dataIn) FfsHaltBulkIn(f); else FfsHaltBulkOut(f);
        SendStatus(f, cbw.tag, length, BotPhaseError);
        return;
    }
    if (!cbw.dataIn && length > 0 && !ReadAll(f.bulkOut, data.data(), length)) return;

    ScsiRequest request{};
    std::memcpy(request.cdb, cbw.cdb, sizeof request.cdb);
    request.direction = cbw.dataIn && length > 0 ? ScsiDataIn : ScsiDataOut;
    request.data = length > 0 ? data.data() : nullptr;
    request.length = length;
    ScsiOutcome outcome{};
    pthread_mutex_lock(s.simLock);
    // The updater sends every command block with all 16 bytes; the kernel's
    // own commands go out at their opcode's length.
    if (cbw.cbLength == ScsiCdbLength)
        DriveCommand(handle, request, &outcome);
    else
        SimHostCommand(handle, request, &outcome);
    pthread_mutex_unlock(s.simLock);
    if (f.resets != resets) return;

    bool good = outcome.carriedOut && outcome.status == 0;
    BotStatus status = !outcome.carriedOut ? BotPhaseError : good ? BotPassed : BotFailed;
    uint32_t moved = 0;
    if (cbw.dataIn && length > 0) {
        uint32_t supplied = good ? length - outcome.residual : 0;
        if (supplied > 0 && !WriteAll(f.bulkIn, data.data(), supplied)) return;
        if (BotHaltAfterDataIn(length, supplied, maxPacket)) FfsHaltBulkIn(f);
        moved = supplied;
    } else if (good) {
        moved = length;
    }
    if (f.resets != resets) return;
    SendStatus(f, cbw.tag, length - moved, status);
}

// After a restart frame: the status is out; the controller drops off the
// bus and comes back when the recorder is due, no command read meanwhile.
void Replug(const BotServer& s) {
    PauseMs(UnplugDelayMs);
    GadgetUnplug(*s.gadget);
    Log("restart: unplugged");
    PlugWhenThere(s);
}

}  // namespace

void* BotServe(void* argument) {
    const BotServer& s = *static_cast<BotServer*>(argument);
    FfsFunction& f = *s.function;
    PlugWhenThere(s);
    for (;;) {
        uint32_t resets = f.resets;
        uint8_t block[512];
        ssize_t n = read(f.bulkOut, block, sizeof block);
        if (n < 0) {
            // A reset (EINTR) or a disconnect (ESHUTDOWN): wait for the next
            // command block. Anything else would spin: pause a little.
            if (errno != EINTR && errno != ESHUTDOWN) PauseMs(10);
            continue;
        }
        BotCbw cbw;
        if (!BotParseCbw(block, static_cast<size_t>(n), &cbw)) {
            // Not a command block: both pipes stay halted until the host's
            // reset recovery.
            FfsHaltBulkIn(f);
            FfsHaltBulkOut(f);
            continue;
        }
        Serve(s, cbw, resets);
        if (!RecorderThere(s.simLock)) Replug(s);
    }
}

// Writing an update image into the microcontroller, block by block, and the
// restart around it. This is the one layer that retries: every frame gets up
// to five attempts, each paced by a pause the controller needs.
#include "controller/programming.h"

#include "controller/commands.h"
#include "device/recorder_access.h"
#include "platform/clock.h"
#include "platform/drive.h"
#include "vokari/vkr.h"

namespace {

void Mark(ProgressMark mark, char c) {
    if (mark != nullptr) mark(c);
}

// Up to five attempts of one frame. A failed attempt is shown only after its
// longer pause; every attempt, good or not, is followed by the short one.
template <typename Frame>
bool AttemptStep(Frame frame, ProgressMark mark) {
    for (uint32_t attempt = 0; attempt < ProgrammingAttempts; ++attempt) {
        bool done = frame();
        if (!done) {
            SleepMs(FailedAttemptPauseMs);
            Mark(mark, '!');
        }
        SleepMs(AttemptPauseMs);
        if (done) return true;
    }
    return false;
}

// Opens block `block` and fills it chunk by chunk. A block whose opening
// failed gets no mark; one that was opened gets its '.' even when a chunk
// failed, so the marks tell which of the two ended the pass.
bool ProgramBlock(const uint8_t* image, uint32_t block, ProgressMark mark) {
    const auto blockAddress = static_cast<uint16_t>(block * ProgrammedBlockSize);
    if (!AttemptStep([&] { return BeginBlock(blockAddress); }, mark)) return false;
    bool filled = true;
    for (uint32_t offset = 0; offset < ProgrammedBlockSize && filled;
         offset += ProgrammedChunkSize) {
        const auto address = static_cast<uint16_t>(blockAddress + offset);
        filled = AttemptStep(
            [&] { return WriteMemory(address, ProgrammedChunkSize, image + address); }, mark);
    }
    Mark(mark, '.');
    return filled;
}

// A recorder that is back but whose new node refuses us (no udev rule, or
// not yet applied) is not one that never came back.
RestartResult NotBackResult() {
    char path[32];
    return FindDeniedRecorder(path, sizeof path) ? RestartBackWithoutPermission
                                                 : RestartNeverCameBack;
}

}  // namespace

bool ProgramImage(const uint8_t* image, ProgressMark mark) {
    if (image == nullptr) return false;
    // Only the programmable area goes out; the rest of the image is never sent.
    for (uint32_t block = 0; block < ProgrammedBlocks; ++block)
        if (!ProgramBlock(image, block, mark)) return false;
    return true;
}

RestartResult RestartAndReconnect(char** recorderPath) {
    // Without a known path the wait could not tell this recorder from any
    // other: nothing is sent.
    if (recorderPath == nullptr || *recorderPath == nullptr) return RestartNeverWentAway;

    // The frame's own result says nothing: a recorder that restarts at once
    // may not complete the command. Seeing it go is what counts.
    RestartController();

    // Back-to-back checks, no pause: the recorder may be away only briefly.
    // A restart takes the recorder off the bus, so gone means that its drive
    // is no longer there at all. A recorder still attached is not restarted,
    // whatever else goes wrong with it: a command answered with an error, an
    // open that fails because the drive is busy or in error.
    const uint64_t sent = MonotonicMs();
    while (DriveCheckAccess(*recorderPath) != DriveAbsent)
        if (MonotonicMs() - sent >= RestartGoneLimitMs) return RestartNeverWentAway;

    const uint64_t gone = MonotonicMs();
    while (!Vkr_IsConnected(recorderPath))
        if (MonotonicMs() - gone >= RestartBackLimitMs) return NotBackResult();
    return RestartDone;
}

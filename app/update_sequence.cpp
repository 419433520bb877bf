#include "app/update_sequence.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/console_state.h"
#include "app/device_wait.h"
#include "app/erase_user_data.h"
#include "app/messages.h"
#include "app/read_key.h"
#include "controller/commands.h"
#include "controller/programming.h"
#include "images/image_store.h"
#include "platform/interrupts.h"

namespace {

int Major(uint16_t version) { return version >> 8; }
int Minor(uint16_t version) { return version & 0xFF; }

// No key is waited for under the interrupt hold: a run that ends while the
// recorder is being programmed has said why by now, and a request to end it
// that came meanwhile ends it here.
int ClosingWait(int exitCode) {
    std::printf("%s", msg::ClosingPrompt);
    InterruptsRelease();
    ReadKey();
    return exitCode;
}

int Refuse(const char* message, int exitCode) {
    std::printf("%s", message);
    return ClosingWait(exitCode);
}

bool Confirmed(char lower) {
    uint16_t key = ReadKey();
    return key == static_cast<uint16_t>(lower) || key == static_cast<uint16_t>(lower - 'a' + 'A');
}

void PrintMark(char mark) { std::putchar(mark); }

// A failed pass leaves the controller half written: no restart is sent, and
// the person is not told to disconnect as if the update had worked. Even a
// pass that lost only its last reply may not have started anything: the
// next run sees the controller waiting in its boot loader and offers it all
// again.
int PassFailed() {
    std::printf("%s", msg::ProgressFailed);
    std::printf("%s", msg::RunAgainToFinish);
    std::printf("%s", msg::PressAnyKeyToExit);
    InterruptsRelease();
    ReadKey();
    return ExitFailed;
}

// Restarts the controller; on a time-out prints why and ends the run. A
// restart lost on its way leaves the controller where it was: the next run
// takes it from there, so no second restart is sent blind.
bool Restarted(int* exitCode) {
    switch (RestartAndReconnect(&RecorderPath)) {
        case RestartDone:
            return true;
        case RestartNeverWentAway:
            std::printf("%s", msg::RecorderDidNotRestart);
            break;
        case RestartNeverCameBack:
            std::printf("%s", msg::RecorderDidNotComeBack);
            break;
        case RestartBackWithoutPermission: {
            std::printf("%s", msg::RecorderBackWithoutPermission);
            PermissionWatch watch{};
            if (PermissionLineDue(&watch)) PrintPermissionLine(watch);
            break;
        }
    }
    std::printf("%s", msg::RunAgainToFinish);
    *exitCode = ClosingWait(ExitFailed);
    return false;
}

// BeginBlock at the status record and a restart put the controller into
// programming mode; a restart after a full pass starts what was written.
// Returns true with *exitCode untouched when the image went in and the
// recorder is back; otherwise the run is over with *exitCode.
bool ProgrammingPass(const char* heading, const uint8_t* image, int* exitCode) {
    std::printf("%s", heading);
    // From the first BeginBlock at the status record on, a program cut short
    // could leave the controller half written.
    InterruptsHold(msg::CannotInterruptNow);
    BeginBlock(FirmwareStatusAddress);
    if (!Restarted(exitCode)) return false;
    if (!ProgramImage(image, PrintMark)) {
        *exitCode = PassFailed();
        return false;
    }
    std::printf("%s", msg::ProgressOk);
    return Restarted(exitCode);
}

bool BootLoaderMustBeReplaced() {
    if (Options.skipBootLoader) return false;
    return Options.diagnostic || ImageBootLoaderInfo.version > DeviceBootLoaderInfo.version;
}

bool UpdatePossible() {
    return Options.diagnostic || DeviceBootLoaderInfo.version < ImageBootLoaderInfo.version ||
           DeviceFirmwareStatus.version < ImageFirmwareStatus.version;
}

// True when a firmware version was shown; false when it was unavailable.
bool ShowFirmwareVersion() {
    bool valid = ReadFirmwareStatus(&DeviceFirmwareStatus);
    // An erased record is what a pass that stopped after opening its last
    // block leaves: no firmware, which any image is newer than, not 255.255.
    if (!valid && FirmwareStatusErased(DeviceFirmwareStatus)) DeviceFirmwareStatus.version = 0;
    if (!valid || DeviceFirmwareStatus.version == 0) {
        std::printf("%s", msg::CurrentFirmwareUnavailable);
        return false;
    }
    uint16_t v = DeviceFirmwareStatus.version;
    std::printf(msg::CurrentFirmwareVersion, Major(v), Minor(v));
    return true;
}

bool PersonConfirmsUpdate() {
    uint16_t v = ImageFirmwareStatus.version;
    std::printf(msg::ConfirmLoad, Major(v), Minor(v));
    if (!Confirmed('y')) return false;
    std::printf("%s", msg::EraseWarning);
    std::printf("%s", msg::ConfirmErase);
    return Confirmed('l');
}

// The boot-loader branch. Returns true to go on to the firmware.
bool ReplaceBootLoader(int* exitCode) {
    if (!LoadBootLoaderImage(ProgramPath)) {
        *exitCode = Refuse(msg::ImageDamaged, ExitFailed);
        return false;
    }
    std::printf("%s", msg::BootLoaderUpgradeNeeded);
    uint16_t from = DeviceBootLoaderInfo.version, to = ImageBootLoaderInfo.version;
    std::printf(msg::ConfirmBootLoader, Major(from), Minor(from), Major(to), Minor(to));
    if (!Confirmed('y')) {
        *exitCode = ExitDone;
        return false;
    }
    return ProgrammingPass(msg::ReplacingBootLoader, BootLoaderImage, exitCode);
}

// The firmware pass and the erase, up to the closing message.
int ReplaceFirmware(bool firmwareKnown) {
    int exitCode = ExitDone;
    if (!ProgrammingPass(msg::ReplacingFirmware, FirmwareImage, &exitCode)) return exitCode;
    // The new firmware runs, and nothing is left half written: a request to
    // end the run that came during the passes ends it here, before the erase.
    InterruptsRelease();
    if (Options.eraseAfterUpdate) {
        std::printf("%s", msg::ErasingMemory);
        // Without a known firmware the data area is left alone.
        if (firmwareKnown && !EraseUserData()) exitCode = ExitFailed;
    }
    std::printf("%s", msg::DisconnectRecorder);
    return ClosingWait(exitCode);
}

}  // namespace

int RunUpdateSequence() {
    // Nothing is read from the recorder, let alone written, without a sound image.
    if (!LoadFirmwareImage(ProgramPath)) return Refuse(msg::ImageDamaged, ExitFailed);

    if (!ReadBootLoaderInfo(&DeviceBootLoaderInfo)) return Refuse(msg::BootLoaderNotFound, ExitFailed);
    uint16_t bootLoader = DeviceBootLoaderInfo.version;
    std::printf(msg::CurrentBootLoaderVersion, Major(bootLoader), Minor(bootLoader));

    if (!Options.diagnostic && std::memcmp(DeviceBootLoaderInfo.signature, ImageBootLoaderInfo.signature,
                                           sizeof DeviceBootLoaderInfo.signature) != 0)
        return Refuse(msg::BootLoaderNotCompatible, ExitFailed);

    bool firmwareKnown = ShowFirmwareVersion();
    if (!UpdatePossible()) {
        // The versions of a pass that went in but whose restart was lost:
        // its firmware does not run until it is loaded again.
        if (!ControllerInBootLoader()) return Refuse(msg::NothingNewer, ExitDone);
        std::printf("%s", msg::FirmwareNotRunning);
    }
    if (!PersonConfirmsUpdate()) return ExitDone;

    if (BootLoaderMustBeReplaced()) {
        int exitCode = ExitDone;
        if (!ReplaceBootLoader(&exitCode)) return exitCode;
    }
    return ReplaceFirmware(firmwareKnown);
}

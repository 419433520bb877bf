// Every text the console prints, exactly as the person sees it. Some end in
// "\n", some in "\r\n": both are kept as they are.
#pragma once

namespace msg {

inline constexpr char DiagnosticMode[] = "Diagnostic mode.\n";
inline constexpr char Banner[] = "Vokari Firmware Updater version 1.3\n\n";
inline constexpr char CloseOtherApplications[] =
    "Close all other digital recorder applications and try again.\n";
inline constexpr char PressAnyKeyToExit[] = "Press any key to exit.\n";
inline constexpr char DeviceNotConnected[] =
    "Device is not connected.\nConnect device to continue or press Esc to exit.\n";
// A drive that is there but refuses us. %s is the node (Linux) or the drive
// path (Windows): the fix differs.
inline constexpr char DrivePermissionDenied[] =
    "No permission to open %s: run as root, or install the udev rule (see README).\n";
inline constexpr char DrivePermissionDeniedAdministrator[] =
    "No permission to open %s: run the program as administrator (see README).\n";
// Progress on one line: a mark per step, then how it ended.
inline constexpr char ProgressMark[] = ".";
inline constexpr char ProgressOk[] = "OK\n";
inline constexpr char ProgressFailed[] = "Failed\n";

// The update sequence. Versions are printed as major.minor in decimal.
inline constexpr char ImageDamaged[] = "ERROR: Update image is missing or damaged.\r\n";
inline constexpr char BootLoaderNotFound[] =
    "ERROR: Boot Loader is not found. Firmware loading is not possible.\r\n";
inline constexpr char CurrentBootLoaderVersion[] = "Current Boot Loader version: %d.%d\n";
inline constexpr char BootLoaderNotCompatible[] =
    "ERROR: Boot Loader is not compatible with this software.\r\n"
    "Firmware loading is not possible.\r\n";
inline constexpr char CurrentFirmwareVersion[] = "Current firmware version: %d.%d\n";
inline constexpr char CurrentFirmwareUnavailable[] = "Current firmware version: unavailable.\n";
inline constexpr char NothingNewer[] =
    "Current firmware version is newer or is the same as the update.\r\n"
    "Firmware loading is not possible.\r\n";
// The versions are the image's, but a pass was cut off before the restart
// that starts its firmware: the update is offered again.
inline constexpr char FirmwareNotRunning[] =
    "The firmware is not running: the recorder is waiting in its Boot Loader.\n";
inline constexpr char ConfirmLoad[] =
    "Press 'Y' to load firmware version %d.%d or other key to exit.\n";
inline constexpr char EraseWarning[] =
    "\r\nWARNING: Loading firmware will erase ALL data on this recorder.\r\n";
inline constexpr char ConfirmErase[] = "Press 'L' to confirm load or other key to exit.\n";
inline constexpr char BootLoaderUpgradeNeeded[] =
    "\nIt is necessary to upgrade Boot Loader before firmware loading.\n";
inline constexpr char ConfirmBootLoader[] =
    "Press 'Y' to upgrade Boot Loader %d.%d to version %d.%d or other key to exit.\n";
inline constexpr char ReplacingBootLoader[] = "Replacing Boot Loader";
inline constexpr char ReplacingFirmware[] = "Replacing firmware";
inline constexpr char ErasingMemory[] = "Erasing memory";
inline constexpr char RecorderDidNotRestart[] = "\r\nERROR: Recorder did not restart.\r\n";
inline constexpr char RecorderDidNotComeBack[] =
    "\r\nERROR: Recorder did not come back after restart.\r\n";
// After every failure once programming has begun: the next run finishes it.
inline constexpr char RunAgainToFinish[] =
    "The update is not finished. Run the updater again to finish it.\r\n";
// Shown once when Ctrl+C (or a signal that ends the program) comes while the
// recorder is being programmed.
inline constexpr char CannotInterruptNow[] =
    "\r\nThe update cannot be interrupted now: it stops as soon as the new firmware runs.\r\n";
// Then the permission line names the node.
inline constexpr char RecorderBackWithoutPermission[] =
    "\r\nERROR: Recorder came back after restart, but cannot be opened.\r\n";
inline constexpr char DisconnectRecorder[] = "\nDisconnect recorder to apply firmware changes.\n";
inline constexpr char ClosingPrompt[] = "\r\nPress any key to exit.\r\n";

}  // namespace msg

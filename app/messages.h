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
// Linux: a drive node that is there but refuses us. %s is the node.
inline constexpr char DrivePermissionDenied[] =
    "No permission to open %s: run as root, or install the udev rule (see README).\n";
// Progress on one line: a mark per step, then how it ended.
inline constexpr char ProgressMark[] = ".";
inline constexpr char ProgressOk[] = "OK\n";
inline constexpr char ProgressFailed[] = "Failed\n";

}  // namespace msg

// Erasing the recorder's data area: every erase block from the 64 MiB mark of
// the flash to its end, 64 blocks per command, one "." per command.
#pragma once

// Prints the marks and "OK\n" (or "Failed\n" when an erase command failed).
// False when there is no usable geometry (nothing printed, nothing sent) or
// when a command failed.
bool EraseUserData();

// Erasing the recorder's data area: every erase block from the 64 MiB mark of
// the flash to its end, 64 blocks per command, one "." per command.
#pragma once

// Prints the marks and "OK\n", or "Failed\n" when an erase command failed or
// there is no usable geometry (then nothing is sent). False in both cases.
bool EraseUserData();

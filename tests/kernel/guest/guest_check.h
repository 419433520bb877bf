// The guest's small check harness: one line per check on the serial console.
#pragma once

#include <cstdint>

// Prints "ok" or "FAIL" with the formatted description; counts failures.
bool Check(bool passed, const char* format, ...) __attribute__((format(printf, 2, 3)));
int CheckFailures();
int CheckCount();

// The commands the kernel has handed to the disk at sg0 so far (its own
// counter in sysfs); -1 when it cannot be read.
long DiskRequestCount();

// The byte at `offset` of block `block` of the test disk.
inline uint8_t PatternByte(uint32_t block, uint32_t offset) {
    return static_cast<uint8_t>(block * 31u + offset * 7u + (offset >> 8));
}

enum : uint32_t {
    DiskBlockSize = 512,
    DiskBlocks = 2048,  // a 1 MiB image
};

// How the transport under the disk accounts for bytes that did not move, as
// its kernel driver reports it (both are functions of the length we sent).
struct TransportResid {
    const char* name;
    int shortRead;         // 1 block read into a 4096-byte buffer
    int rejectedDataOut;   // 512 bytes out, command refused by the disk
};

// Null for an unknown transport name.
const TransportResid* FindTransport(const char* name);

// The groups of checks.
void CheckDeviceLayer(const TransportResid& transport);
void CheckUpdaterWithoutPermission();
// The "permission" run: sg0 QEMU's disk, sg1 a disk with the recorder's
// INQUIRY vendor and product.
void CheckRecorderIdentityInSysfs();
void CheckPermissionLineNamesTheRecorder();

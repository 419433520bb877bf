// A drive's vendor and model from the bytes of a Windows
// STORAGE_DEVICE_DESCRIPTOR (IOCTL_STORAGE_QUERY_PROPERTY, StorageDeviceProperty).
// Pure: the Windows drive layer hands in what the ioctl returned, so that the
// reading is tested on every host, hostile bytes included. The layout is
// checked against the SDK's structure in windows/drive_identity_windows.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/drive.h"

// Where the descriptor keeps what is read here (little-endian DWORDs). The
// strings lie after the fixed part, at offsets from the descriptor's start.
enum : uint32_t {
    StorageDescriptorSizeField = 4,
    StorageDescriptorVendorIdField = 12,
    StorageDescriptorProductIdField = 16,
    StorageDescriptorFixedSize = 36,  // up to RawDeviceProperties
};

// Fills *identity from the `size` bytes the system returned. A zero offset
// (no such string: ATA disks have no vendor) gives an empty field; a string
// longer than its field is cut, as on Linux. False when neither string is
// there, or when the bytes are not a sound descriptor: shorter than the fixed
// part, an offset into the fixed part or past the end (the end being the
// smaller of `size` and the descriptor's own Size), or a string with no zero
// byte before that end.
bool StorageDescriptorIdentity(const uint8_t* bytes, size_t size, DriveIdentity* identity);

// A drive's vendor and model on Windows, from the storage stack's device
// descriptor: the drive is opened with no access at all, which needs no
// administrator's rights and sends the device nothing, and asked with
// IOCTL_STORAGE_QUERY_PROPERTY. The bytes are read by storage_descriptor.cpp.
#include <windows.h>

#include <winioctl.h>

#include <cstddef>

#include "platform/drive.h"
#include "platform/storage_descriptor.h"

namespace {

using Descriptor = STORAGE_DEVICE_DESCRIPTOR;
static_assert(offsetof(Descriptor, Size) == StorageDescriptorSizeField);
static_assert(offsetof(Descriptor, VendorIdOffset) == StorageDescriptorVendorIdField);
static_assert(offsetof(Descriptor, ProductIdOffset) == StorageDescriptorProductIdField);
static_assert(offsetof(Descriptor, RawDeviceProperties) == StorageDescriptorFixedSize);

}  // namespace

bool DriveReadIdentity(const char* path, DriveIdentity* identity) {
    if (path == nullptr || identity == nullptr) return false;
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    // The fixed part and four short strings (vendor, product, revision,
    // serial number) fit with room to spare; a longer descriptor is cut, and
    // its Size says so.
    alignas(8) uint8_t bytes[1024];
    DWORD returned = 0;
    BOOL done = DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, bytes,
                                sizeof bytes, &returned, nullptr);
    CloseHandle(h);
    return done != FALSE && StorageDescriptorIdentity(bytes, returned, identity);
}

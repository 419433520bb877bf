#include "platform/storage_descriptor.h"

namespace {

uint32_t ReadDword(const uint8_t* bytes, uint32_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// The string at `offset` into `field` (of `capacity` bytes with its zero).
bool ReadString(const uint8_t* bytes, size_t end, uint32_t offset, char* field, size_t capacity) {
    field[0] = '\0';
    if (offset == 0) return true;
    if (offset < StorageDescriptorFixedSize || offset >= end) return false;
    size_t length = 0;
    while (offset + length < end && bytes[offset + length] != 0) ++length;
    if (offset + length == end) return false;  // runs off the end
    if (length >= capacity) length = capacity - 1;
    for (size_t i = 0; i < length; ++i) field[i] = static_cast<char>(bytes[offset + i]);
    field[length] = '\0';
    return true;
}

}  // namespace

bool StorageDescriptorIdentity(const uint8_t* bytes, size_t size, DriveIdentity* identity) {
    if (bytes == nullptr || identity == nullptr || size < StorageDescriptorFixedSize) return false;
    size_t end = ReadDword(bytes, StorageDescriptorSizeField);
    if (end > size) end = size;  // the rest did not fit what was asked for
    uint32_t vendor = ReadDword(bytes, StorageDescriptorVendorIdField);
    uint32_t product = ReadDword(bytes, StorageDescriptorProductIdField);
    DriveIdentity read{};
    if ((vendor == 0 && product == 0) ||
        !ReadString(bytes, end, vendor, read.vendor, sizeof read.vendor) ||
        !ReadString(bytes, end, product, read.model, sizeof read.model))
        return false;
    *identity = read;
    return true;
}

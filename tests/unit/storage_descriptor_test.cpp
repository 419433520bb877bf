// A drive's vendor and model from the bytes of a Windows storage device
// descriptor, as the system returns them or as a hostile driver might.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/storage_descriptor.h"

namespace {

// A descriptor: the fixed part with Size and the two offsets, then `tail`
// (the strings) from byte 36 on.
std::vector<uint8_t> Descriptor(uint32_t size, uint32_t vendorAt, uint32_t productAt,
                                const std::string& tail) {
    std::vector<uint8_t> bytes(StorageDescriptorFixedSize + tail.size(), 0);
    auto put = [&bytes](uint32_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(0, 1);  // Version
    put(StorageDescriptorSizeField, size);
    put(StorageDescriptorVendorIdField, vendorAt);
    put(StorageDescriptorProductIdField, productAt);
    for (size_t i = 0; i < tail.size(); ++i) bytes[StorageDescriptorFixedSize + i] = static_cast<uint8_t>(tail[i]);
    return bytes;
}

// Vendor at 36, product at 45: "VOKARI  \0DR-1 Recorder    \0".
const std::string Strings = std::string("VOKARI  \0DR-1 Recorder    \0", 27);
const uint32_t Whole = StorageDescriptorFixedSize + 27;

TEST(StorageDescriptor, ReadsTheStringsAsTheSystemKeepsThem) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* vendor;
        const char* model;
    } cases[] = {
        {"blank-padded", Descriptor(Whole, 36, 45, Strings), "VOKARI  ", "DR-1 Recorder   "},
        {"trimmed", Descriptor(36 + 11, 36, 40, std::string("ABC\0XYZ 1\0\0", 11)), "ABC", "XYZ 1"},
        {"no vendor (ATA)", Descriptor(36 + 5, 0, 36, std::string("Disk\0", 5)), "", "Disk"},
        {"longer than the fields: cut",
         Descriptor(36 + 32, 36, 47, std::string("VENDORNAME\0ABCDEFGHIJKLMNOPQRST\0", 32)), "VENDORNA",
         "ABCDEFGHIJKLMNOP"},
        // The system returns more than Size says: what lies past it is ignored.
        {"bytes past Size", Descriptor(Whole, 36, 45, Strings + "junk"), "VOKARI  ", "DR-1 Recorder   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriveIdentity identity{};
        ASSERT_TRUE(StorageDescriptorIdentity(c.bytes.data(), c.bytes.size(), &identity));
        EXPECT_STREQ(identity.vendor, c.vendor);
        EXPECT_STREQ(identity.model, c.model);
    }
}

TEST(StorageDescriptor, RefusesBytesThatAreNoSoundDescriptor) {
    std::vector<uint8_t> whole = Descriptor(Whole, 36, 45, Strings);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t size;  // of the bytes handed in
    } cases[] = {
        {"neither string", Descriptor(Whole, 0, 0, Strings), Whole},
        {"shorter than the fixed part", whole, StorageDescriptorFixedSize - 1},
        {"nothing at all", whole, 0},
        {"vendor inside the fixed part", Descriptor(Whole, 4, 45, Strings), Whole},
        {"product inside the fixed part", Descriptor(Whole, 36, 35, Strings), Whole},
        {"vendor past the end", Descriptor(Whole, Whole, 45, Strings), Whole},
        {"product far past the end", Descriptor(Whole, 36, 0xFFFFFFF0u, Strings), Whole},
        // Size is larger than what came back: the end is what came back.
        {"cut short by the caller's buffer", Descriptor(0xFFFFFFFFu, 36, 45, Strings), Whole - 1},
        // Size cuts the product string before its zero byte.
        {"cut short by Size", Descriptor(Whole - 1, 36, 45, Strings), Whole},
        {"no zero byte at all", Descriptor(36 + 4, 36, 38, "ABCD"), 36 + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriveIdentity identity{};
        std::strcpy(identity.vendor, "KEPT");
        ASSERT_LE(c.size, c.bytes.size());
        EXPECT_FALSE(StorageDescriptorIdentity(c.bytes.data(), c.size, &identity));
        EXPECT_STREQ(identity.vendor, "KEPT");  // untouched on failure
    }
    DriveIdentity identity{};
    EXPECT_FALSE(StorageDescriptorIdentity(nullptr, Whole, &identity));
    EXPECT_FALSE(StorageDescriptorIdentity(whole.data(), whole.size(), nullptr));
}

}  // namespace

// The image store: unscrambling, the records taken from the firmware image,
// the completion of the boot-loader image, and refusal of short resources.
#include "images/image_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "images/image_keystream.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A plain image whose bytes differ from their neighbours and from those of
// another `salt`, so that a byte from the wrong place shows.
Bytes Plain(size_t size, uint8_t salt) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8) + salt);
    return bytes;
}

Bytes Scrambled(Bytes plain) {
    ApplyImageKeystream(plain.data(), plain.size());
    return plain;
}

bool AllZero(const void* bytes, size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i)
        if (p[i] != 0) return false;
    return true;
}

class ImageStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ImagesResetState(); }
    void TearDown() override { ImagesResetState(); }
};

TEST(ImageKeystream, SeedingDropsOneOutputAndOutputsAreBits16To30) {
    ImageKeystream k;
    SeedImageKeystream(&k, ImageKeystreamSeed);
    // States 0xb31a30ff and 0xbf3ac2a2 have bit 31 set: it must not show.
    const uint16_t expected[] = {0x331a, 0x47ff, 0x2b21, 0x3f3a};
    for (uint16_t e : expected) EXPECT_EQ(NextImageKeystreamOutput(&k), e);
}

TEST_F(ImageStoreTest, ZeroResourceUnscramblesToTheKeystreamItself) {
    Bytes zeros(UpdateImageSize, 0);
    ASSERT_TRUE(TakeFirmwareImage(zeros.data(), zeros.size()));
    const uint8_t golden[8] = {0x1a, 0xff, 0x21, 0x3a, 0x6b, 0x34, 0x10, 0x81};
    EXPECT_EQ(std::memcmp(FirmwareImage, golden, sizeof golden), 0);
}

TEST_F(ImageStoreTest, RecordsAreTakenInTheDevicesForm) {
    Bytes plain = Plain(UpdateImageSize, 0);
    const uint8_t bootLoader[9] = {0x01, 0x02, 'S', 'G', 0, 'X', 'Y', 'Z', '!'};
    // The marker is lower case: taken all the same, never examined.
    const uint8_t status[11] = {0x01, 0x02, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 'f', 'w', 'o', 'k'};
    std::memcpy(plain.data() + BootLoaderInfoAddress, bootLoader, sizeof bootLoader);
    std::memcpy(plain.data() + FirmwareStatusAddress, status, sizeof status);

    Bytes resource = Scrambled(plain);
    ASSERT_TRUE(TakeFirmwareImage(resource.data(), resource.size()));
    EXPECT_EQ(std::memcmp(FirmwareImage, plain.data(), UpdateImageSize), 0);
    EXPECT_EQ(ImageBootLoaderInfo.version, 0x0102);
    EXPECT_EQ(std::memcmp(ImageBootLoaderInfo.signature, bootLoader + 2, 7), 0);
    EXPECT_EQ(ImageFirmwareStatus.version, 0x0201);
    EXPECT_EQ(std::memcmp(&ImageFirmwareStatus, status, sizeof status),
              0);  // reserved bytes and marker carried
}

TEST_F(ImageStoreTest, BytesBeyondTheUsedPartChangeNothing) {
    Bytes full = Scrambled(Plain(ImagePayloadSize, 3));
    ASSERT_TRUE(TakeFirmwareImage(full.data(), full.size()));
    Bytes fromFull(FirmwareImage, FirmwareImage + UpdateImageSize);
    FirmwareStatus statusFromFull = ImageFirmwareStatus;

    ImagesResetState();
    ASSERT_TRUE(TakeFirmwareImage(full.data(), UpdateImageSize));
    EXPECT_EQ(Bytes(FirmwareImage, FirmwareImage + UpdateImageSize), fromFull);
    EXPECT_EQ(std::memcmp(&ImageFirmwareStatus, &statusFromFull, sizeof statusFromFull), 0);
}

TEST_F(ImageStoreTest, BootLoaderImageIsCompletedFromTheFirmwareImage) {
    Bytes firmware = Plain(UpdateImageSize, 1);
    Bytes bootLoader = Plain(UpdateImageSize, 100);
    Bytes firmwareResource = Scrambled(firmware), bootLoaderResource = Scrambled(bootLoader);
    ASSERT_TRUE(TakeFirmwareImage(firmwareResource.data(), firmwareResource.size()));
    ASSERT_TRUE(TakeBootLoaderImage(bootLoaderResource.data(), bootLoaderResource.size()));

    Bytes expected = bootLoader;
    std::memcpy(expected.data() + 0x2000, firmware.data() + 0xD800, 8192);
    const uint8_t taken[4] = {firmware[1], firmware[2], firmware[60], firmware[61]};
    std::memcpy(expected.data() + 0x0F00, taken, sizeof taken);
    EXPECT_EQ(Bytes(BootLoaderImage, BootLoaderImage + UpdateImageSize), expected);
    // The firmware image itself is left as it was.
    EXPECT_EQ(Bytes(FirmwareImage, FirmwareImage + UpdateImageSize), firmware);
}

TEST_F(ImageStoreTest, ShortOrMissingResourcesLeaveNothingToProgram) {
    Bytes good = Scrambled(Plain(UpdateImageSize, 5));
    const size_t shortSizes[] = {0, 1, UpdateImageSize - 1};
    for (size_t size : shortSizes) {
        for (const uint8_t* resource :
             {static_cast<const uint8_t*>(good.data()), static_cast<const uint8_t*>(nullptr)}) {
            SCOPED_TRACE(testing::Message() << size << " bytes" << (resource ? "" : ", no resource"));
            // A good load first, so that its remains would show.
            ASSERT_TRUE(TakeFirmwareImage(good.data(), good.size()));
            ASSERT_TRUE(TakeBootLoaderImage(good.data(), good.size()));

            EXPECT_FALSE(TakeBootLoaderImage(resource, size));
            EXPECT_TRUE(AllZero(BootLoaderImage, sizeof BootLoaderImage));

            EXPECT_FALSE(TakeFirmwareImage(resource, size));
            EXPECT_TRUE(AllZero(FirmwareImage, sizeof FirmwareImage));
            EXPECT_TRUE(AllZero(&ImageFirmwareStatus, sizeof ImageFirmwareStatus));
            EXPECT_TRUE(AllZero(&ImageBootLoaderInfo, sizeof ImageBootLoaderInfo));
            // Without a firmware image the boot-loader image would carry a blank
            // boot-loader section: refused even when its own resource is good.
            EXPECT_FALSE(TakeBootLoaderImage(good.data(), good.size()));
            EXPECT_TRUE(AllZero(BootLoaderImage, sizeof BootLoaderImage));
        }
    }
}

}  // namespace

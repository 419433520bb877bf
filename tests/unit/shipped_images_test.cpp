// The payloads linked into this test binary, reached the way the updater
// reaches them: the resource seam of the running program.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "images/image_store.h"
#include "platform/resource.h"
#include "sim/sim.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ShippedImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImagesResetState();
        ProgramFilePath(programPath, sizeof programPath);
    }
    void TearDown() override { ImagesResetState(); }

    char programPath[256] = {};
};

TEST_F(ShippedImagesTest, ResourcesAreFoundByNameAndCutToTheCapacity) {
    for (const char* name : {"FWC", "BRC", "fwc"}) {
        SCOPED_TRACE(name);
        Bytes whole(ImagePayloadSize + 100, 0xEE);
        EXPECT_EQ(ResourceCopy(programPath, name, whole.data(), whole.size()), ImagePayloadSize);
        EXPECT_EQ(whole[ImagePayloadSize], 0xEE);  // nothing beyond the resource is written

        Bytes used(UpdateImageSize + 1, 0xEE);
        EXPECT_EQ(ResourceCopy(programPath, name, used.data(), UpdateImageSize), UpdateImageSize);
        EXPECT_EQ(used[UpdateImageSize], 0xEE);
        EXPECT_TRUE(std::equal(used.begin(), used.begin() + UpdateImageSize, whole.begin()));
    }
    uint8_t byte = 0;
    EXPECT_EQ(ResourceCopy(programPath, "FWCX", &byte, 1), 0u);
    EXPECT_EQ(ResourceCopy(programPath, "", &byte, 1), 0u);
    EXPECT_EQ(ResourceCopy(programPath, nullptr, &byte, 1), 0u);
    EXPECT_EQ(ResourceCopy(programPath, "FWC", nullptr, 1), 0u);
    EXPECT_EQ(ResourceCopy(programPath, "FWC", &byte, 0), 0u);
    EXPECT_EQ(ResourceCopy(nullptr, "FWC", &byte, 1), 1u);
}

TEST_F(ShippedImagesTest, FirmwareImageCarriesTheAgreedVersions) {
    ASSERT_TRUE(LoadFirmwareImage(programPath));
    EXPECT_EQ(ImageFirmwareStatus.version, 0x0300);
    EXPECT_EQ(std::memcmp(ImageFirmwareStatus.marker, "FWOK", 4), 0);
    EXPECT_EQ(ImageBootLoaderInfo.version, 0x0105);
    EXPECT_EQ(std::memcmp(ImageBootLoaderInfo.signature, "VKR-BL7", 7), 0);

    // The simulated recorder starts out older than the images and compatible.
    EXPECT_GT(ImageFirmwareStatus.version, SimDefaultFirmwareVersion);
    EXPECT_GT(ImageBootLoaderInfo.version, SimDefaultBootLoaderVersion);
    EXPECT_EQ(std::memcmp(ImageBootLoaderInfo.signature, SimDefaultSignature, 7), 0);
    EXPECT_EQ(std::memcmp(ImageFirmwareStatus.marker, SimDefaultMarker, 4), 0);
}

TEST_F(ShippedImagesTest, BootLoaderImageCarriesTheBootLoaderSectionAndItsMarker) {
    ASSERT_TRUE(LoadFirmwareImage(programPath));
    ASSERT_TRUE(LoadBootLoaderImage(programPath));
    EXPECT_EQ(std::memcmp(BootLoaderImage + FirmwareStatusAddress + 7, "BLDR", 4), 0);
    const uint8_t bootLoaderInfo[9] = {0x01, 0x05, 'V', 'K', 'R', '-', 'B', 'L', '7'};
    EXPECT_EQ(std::memcmp(BootLoaderImage + BootLoaderSectionInImage, bootLoaderInfo, 9), 0);
}

TEST_F(ShippedImagesTest, EveryLoadSeedsAfresh) {
    ASSERT_TRUE(LoadFirmwareImage(programPath));
    Bytes first(FirmwareImage, FirmwareImage + UpdateImageSize);
    ASSERT_TRUE(LoadBootLoaderImage(programPath));
    Bytes bootLoader(BootLoaderImage, BootLoaderImage + UpdateImageSize);

    ASSERT_TRUE(LoadFirmwareImage(programPath));
    EXPECT_EQ(Bytes(FirmwareImage, FirmwareImage + UpdateImageSize), first);
    ASSERT_TRUE(LoadBootLoaderImage(programPath));
    EXPECT_EQ(Bytes(BootLoaderImage, BootLoaderImage + UpdateImageSize), bootLoader);
}

}  // namespace

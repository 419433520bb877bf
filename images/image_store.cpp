#include "images/image_store.h"

#include <cstring>

#include "images/image_keystream.h"
#include "platform/resource.h"

uint8_t FirmwareImage[UpdateImageSize];
uint8_t BootLoaderImage[UpdateImageSize];
FirmwareStatus ImageFirmwareStatus;
BootLoaderInfo ImageBootLoaderInfo;

namespace {

bool firmwareLoaded = false;

// Brings the used part of a scrambled resource into `image`, unscrambled. A
// short resource leaves a blank image rather than the remains of an earlier
// load or a half-filled one.
bool TakeResource(uint8_t* image, const uint8_t* resource, size_t size) {
    if (resource == nullptr || size < UpdateImageSize) {
        std::memset(image, 0, UpdateImageSize);
        return false;
    }
    std::memmove(image, resource, UpdateImageSize);
    ApplyImageKeystream(image, UpdateImageSize);
    return true;
}

void TakeRecords() {
    std::memcpy(&ImageFirmwareStatus, FirmwareImage + FirmwareStatusAddress, sizeof ImageFirmwareStatus);
    std::memcpy(&ImageBootLoaderInfo, FirmwareImage + BootLoaderInfoAddress, sizeof ImageBootLoaderInfo);
    // Stored major byte first: the device's record is read the same way.
    ImageBootLoaderInfo.version = SwapBytes16(ImageBootLoaderInfo.version);
}

// The boot-loader image carries the firmware image's boot-loader section and
// four of its bytes; the recorder installs the section from there.
void CompleteBootLoaderImage() {
    std::memcpy(BootLoaderImage + BootLoaderSectionInImage, FirmwareImage + BootLoaderInfoAddress,
                BootLoaderSectionSize);
    const size_t taken[4] = {1, 2, 0x3C, 0x3D};
    for (size_t i = 0; i < 4; ++i) BootLoaderImage[FirmwareBytesInImage + i] = FirmwareImage[taken[i]];
}

}  // namespace

bool TakeFirmwareImage(const uint8_t* resource, size_t size) {
    firmwareLoaded = TakeResource(FirmwareImage, resource, size);
    if (firmwareLoaded) {
        TakeRecords();
    } else {
        ImageFirmwareStatus = FirmwareStatus{};
        ImageBootLoaderInfo = BootLoaderInfo{};
    }
    return firmwareLoaded;
}

bool TakeBootLoaderImage(const uint8_t* resource, size_t size) {
    if (!firmwareLoaded) {
        std::memset(BootLoaderImage, 0, sizeof BootLoaderImage);
        return false;
    }
    if (!TakeResource(BootLoaderImage, resource, size)) return false;
    CompleteBootLoaderImage();
    return true;
}

// The copy goes straight into the image buffer; what it holds is then judged
// by its length alone.
bool LoadFirmwareImage(const char* programPath) {
    size_t copied = ResourceCopy(programPath, "FWC", FirmwareImage, sizeof FirmwareImage);
    return TakeFirmwareImage(FirmwareImage, copied);
}

bool LoadBootLoaderImage(const char* programPath) {
    size_t copied = ResourceCopy(programPath, "BRC", BootLoaderImage, sizeof BootLoaderImage);
    return TakeBootLoaderImage(BootLoaderImage, copied);
}

void ImagesResetState() {
    std::memset(FirmwareImage, 0, sizeof FirmwareImage);
    std::memset(BootLoaderImage, 0, sizeof BootLoaderImage);
    ImageFirmwareStatus = FirmwareStatus{};
    ImageBootLoaderInfo = BootLoaderInfo{};
    firmwareLoaded = false;
}

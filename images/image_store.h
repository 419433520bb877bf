// The two update images carried inside the program, unscrambled into fixed
// buffers whose offsets equal controller addresses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controller/records.h"

enum : size_t {
    UpdateImageSize = 64512,            // bytes of a resource that are used (0xFC00)
    ImagePayloadSize = 65536,           // bytes of each embedded resource
    BootLoaderSectionSize = 8192,       // from BootLoaderInfoAddress in the firmware image
    BootLoaderSectionInImage = 0x2000,  // where the boot-loader image carries it
    FirmwareBytesInImage = 0x0F00,      // four firmware bytes in the boot-loader image
};

extern uint8_t FirmwareImage[UpdateImageSize];
extern uint8_t BootLoaderImage[UpdateImageSize];
// Taken from FirmwareImage by LoadFirmwareImage, in the same form as the
// device's records after their reads.
extern FirmwareStatus ImageFirmwareStatus;
extern BootLoaderInfo ImageBootLoaderInfo;

// Copies resource "FWC" of the program at `programPath`, unscrambles it and
// takes its records. False when the resource is missing or shorter than
// UpdateImageSize: the image and both records are then all zero, so that
// nothing of it can be programmed by mistake.
bool LoadFirmwareImage(const char* programPath);

// Copies resource "BRC", unscrambles it and completes it from FirmwareImage.
// False as above, and also when no firmware image has been loaded: without
// one the boot-loader section it would carry is blank.
bool LoadBootLoaderImage(const char* programPath);

// What the loads do with the bytes once copied, apart from the copy itself:
// `resource` holds the first `size` bytes of a scrambled resource (it may be
// the image buffer itself). Bytes beyond UpdateImageSize are ignored.
bool TakeFirmwareImage(const uint8_t* resource, size_t size);
bool TakeBootLoaderImage(const uint8_t* resource, size_t size);

// Back to the state of a fresh process (tests start from it).
void ImagesResetState();

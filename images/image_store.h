// The two update images carried inside the program, unscrambled into fixed
// buffers whose offsets equal controller addresses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controller/records.h"

enum : size_t {
    UpdateImageSize = 64512,      // bytes of a resource that are used (0xFC00)
    ImagePayloadSize = 65536,     // bytes of each embedded resource
};

extern uint8_t FirmwareImage[UpdateImageSize];
extern uint8_t BootLoaderImage[UpdateImageSize];
// Taken from FirmwareImage by LoadFirmwareImage, in the same form as the
// device's records after their reads.
extern FirmwareStatus ImageFirmwareStatus;
extern BootLoaderInfo ImageBootLoaderInfo;

// Copies resource "FWC" of the program at `programPath`, unscrambles it and
// takes its records. False (and nothing to program) when the resource is
// missing or shorter than UpdateImageSize.
bool LoadFirmwareImage(const char* programPath);

// Copies resource "BRC", unscrambles it and completes it from FirmwareImage
// (which must be loaded). False as above.
bool LoadBootLoaderImage(const char* programPath);

// Back to the state of a fresh process (tests start from it).
void ImagesResetState();

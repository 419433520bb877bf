// The places in an unscrambled image that the updater reads, as the image
// tool writes and checks them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Markers of the two kinds of image, in their status record.
extern const uint8_t FirmwareMarker[4];    // "FWOK"
extern const uint8_t BootLoaderMarker[4];  // "BLDR"

// What the updater takes from an image; versions as major * 256 + minor.
struct ImageRecords {
    uint16_t firmwareVersion;
    uint8_t marker[4];
    uint16_t bootLoaderVersion;
    uint8_t signature[7];
};

// "X.Y" with X and Y decimal from 0 to 255: X * 256 + Y.
bool ParseVersionText(const char* text, uint16_t* version);
std::string VersionText(uint16_t version);

// Printable ASCII of 1 to `size` characters, padded with zero bytes.
bool ParseFixedText(const char* text, uint8_t* field, size_t size);
// A fixed field for display: printable bytes as they are, others as \xNN.
std::string FieldText(const uint8_t* field, size_t size);

// `plain` holds at least UpdateImageSize unscrambled bytes. Each setter
// writes its own field only, in the byte order the updater reads.
ImageRecords ReadImageRecords(const uint8_t* plain);
void SetFirmwareVersion(uint8_t* plain, uint16_t version);
void SetMarker(uint8_t* plain, const uint8_t marker[4]);
void SetBootLoaderVersion(uint8_t* plain, uint16_t version);
void SetSignature(uint8_t* plain, const uint8_t signature[7]);

// Why the updater could not use an image with these records; nullptr when
// the layout is sound.
const char* LayoutProblem(const ImageRecords& records);

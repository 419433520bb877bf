#include "tools/image_layout.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "controller/records.h"

const uint8_t FirmwareMarker[4] = {'F', 'W', 'O', 'K'};
const uint8_t BootLoaderMarker[4] = {'B', 'L', 'D', 'R'};

namespace {

constexpr size_t VersionAt = FirmwareStatusAddress + offsetof(FirmwareStatus, version);
constexpr size_t MarkerAt = FirmwareStatusAddress + offsetof(FirmwareStatus, marker);
constexpr size_t BootVersionAt = BootLoaderInfoAddress + offsetof(BootLoaderInfo, version);
constexpr size_t SignatureAt = BootLoaderInfoAddress + offsetof(BootLoaderInfo, signature);

bool IsPrintable(uint8_t c) { return c >= 0x20 && c <= 0x7E; }

// 1 to 3 decimal digits, at most 255.
bool ParseByteNumber(const char* begin, const char* end, unsigned* value) {
    if (end - begin < 1 || end - begin > 3) return false;
    unsigned v = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
    }
    *value = v;
    return v <= 255;
}

// Printable text, then nothing but zero padding, and not empty.
bool IsPaddedText(const uint8_t* field, size_t size) {
    size_t length = 0;
    while (length < size && IsPrintable(field[length])) ++length;
    for (size_t i = length; i < size; ++i)
        if (field[i] != 0) return false;
    return length > 0;
}

}  // namespace

bool ParseVersionText(const char* text, uint16_t* version) {
    if (text == nullptr) return false;
    const char* dot = std::strchr(text, '.');
    if (dot == nullptr) return false;
    unsigned major = 0, minor = 0;
    if (!ParseByteNumber(text, dot, &major) ||
        !ParseByteNumber(dot + 1, dot + 1 + std::strlen(dot + 1), &minor))
        return false;
    *version = static_cast<uint16_t>(major << 8 | minor);
    return true;
}

std::string VersionText(uint16_t version) {
    char text[8];
    std::snprintf(text, sizeof text, "%d.%d", version >> 8, version & 0xFF);
    return text;
}

bool ParseFixedText(const char* text, uint8_t* field, size_t size) {
    if (text == nullptr) return false;
    size_t length = std::strlen(text);
    if (length == 0 || length > size) return false;
    for (size_t i = 0; i < length; ++i)
        if (!IsPrintable(static_cast<uint8_t>(text[i]))) return false;
    std::memset(field, 0, size);
    std::memcpy(field, text, length);
    return true;
}

std::string FieldText(const uint8_t* field, size_t size) {
    std::string text;
    char escaped[5];
    for (size_t i = 0; i < size; ++i) {
        if (IsPrintable(field[i]) && field[i] != '\\') {
            text += static_cast<char>(field[i]);
        } else {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", field[i]);
            text += escaped;
        }
    }
    return text;
}

ImageRecords ReadImageRecords(const uint8_t* plain) {
    ImageRecords r{};
    // Minor byte first in the status record, major byte first in the
    // boot-loader record, as the recorder keeps them.
    r.firmwareVersion = static_cast<uint16_t>(plain[VersionAt + 1] << 8 | plain[VersionAt]);
    std::memcpy(r.marker, plain + MarkerAt, sizeof r.marker);
    r.bootLoaderVersion = static_cast<uint16_t>(plain[BootVersionAt] << 8 | plain[BootVersionAt + 1]);
    std::memcpy(r.signature, plain + SignatureAt, sizeof r.signature);
    return r;
}

void SetFirmwareVersion(uint8_t* plain, uint16_t version) {
    plain[VersionAt] = static_cast<uint8_t>(version & 0xFF);
    plain[VersionAt + 1] = static_cast<uint8_t>(version >> 8);
}

void SetMarker(uint8_t* plain, const uint8_t marker[4]) { std::memcpy(plain + MarkerAt, marker, 4); }

void SetBootLoaderVersion(uint8_t* plain, uint16_t version) {
    plain[BootVersionAt] = static_cast<uint8_t>(version >> 8);
    plain[BootVersionAt + 1] = static_cast<uint8_t>(version & 0xFF);
}

void SetSignature(uint8_t* plain, const uint8_t signature[7]) {
    std::memcpy(plain + SignatureAt, signature, 7);
}

const char* LayoutProblem(const ImageRecords& r) {
    // A boot-loader image's own section is replaced from the firmware image
    // when it is loaded, so only its marker matters.
    if (std::memcmp(r.marker, BootLoaderMarker, 4) == 0) return nullptr;
    if (std::memcmp(r.marker, FirmwareMarker, 4) != 0)
        return "the status marker is neither FWOK (firmware image) nor BLDR (boot-loader image)";
    if (r.firmwareVersion == 0) return "firmware version 0.0 reads as no firmware at all";
    if (r.bootLoaderVersion == 0x0000 || r.bootLoaderVersion == 0xFFFF)
        return "the boot-loader section has no version (0.0 or 255.255)";
    if (!IsPaddedText(r.signature, sizeof r.signature))
        return "the boot-loader signature is not printable text padded with zero bytes";
    return nullptr;
}

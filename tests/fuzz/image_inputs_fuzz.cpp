// What vokari-image reads: descriptions, plain images and payloads. Beyond
// not crashing, the tool and the updater must agree: an image that a
// description builds and the tool calls sound is one the updater loads, with
// the same records the tool shows; scrambling twice gives the bytes back;
// what the record setters write is what the records read.
//
// Input: one byte choosing what the rest is (description, plain image,
// payload, option text), then the rest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/image_keystream.h"
#include "images/image_store.h"
#include "tests/fuzz/fuzz_input.h"
#include "tools/image_description.h"
#include "tools/image_layout.h"

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

// The updater loads the scrambled form of `plain` and takes the same records.
void CheckUpdaterAgrees(const std::vector<uint8_t>& plain) {
    const ImageRecords r = ReadImageRecords(plain.data());
    if (LayoutProblem(r) != nullptr) return;
    std::vector<uint8_t> payload = plain;
    ApplyImageKeystream(payload.data(), payload.size());
    ImagesResetState();
    if (!TakeFirmwareImage(payload.data(), payload.size())) Finding("the updater refused a sound image");
    if (ImageFirmwareStatus.version != r.firmwareVersion ||
        std::memcmp(ImageFirmwareStatus.marker, r.marker, 4) != 0 ||
        ImageBootLoaderInfo.version != r.bootLoaderVersion ||
        std::memcmp(ImageBootLoaderInfo.signature, r.signature, 7) != 0)
        Finding("the updater reads other records than the tool shows");
    if (std::memcmp(FirmwareImage, plain.data(), UpdateImageSize) != 0)
        Finding("the updater unscrambled other bytes");
}

void Description(const uint8_t* data, size_t size) {
    std::vector<uint8_t> plain;
    std::string error;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!BuildFromDescription(text, "fuzz.txt", &plain, &error)) {
        if (error.empty()) Finding("a description refused without a message");
        return;
    }
    if (plain.size() != ImagePayloadSize) Finding("a description built an image of another size");
    CheckUpdaterAgrees(plain);
}

void PlainImage(const uint8_t* data, size_t size) {
    std::vector<uint8_t> plain(ImagePayloadSize, 0);
    std::memcpy(plain.data(), data, size < plain.size() ? size : plain.size());
    const ImageRecords r = ReadImageRecords(plain.data());
    (void)FieldText(r.marker, sizeof r.marker);
    (void)FieldText(r.signature, sizeof r.signature);
    uint16_t version = 0;
    if (!ParseVersionText(VersionText(r.firmwareVersion).c_str(), &version) || version != r.firmwareVersion)
        Finding("a version shown does not read back");
    CheckUpdaterAgrees(plain);

    // The setters, each with the values of another record.
    ImageRecords other = r;
    other.firmwareVersion = r.bootLoaderVersion;
    other.bootLoaderVersion = r.firmwareVersion;
    SetFirmwareVersion(plain.data(), other.firmwareVersion);
    SetBootLoaderVersion(plain.data(), other.bootLoaderVersion);
    SetMarker(plain.data(), r.signature);
    SetSignature(plain.data(), r.signature);
    std::memcpy(other.marker, r.signature, 4);
    std::memcpy(other.signature, r.signature, 7);
    const ImageRecords back = ReadImageRecords(plain.data());
    if (back.firmwareVersion != other.firmwareVersion || back.bootLoaderVersion != other.bootLoaderVersion ||
        std::memcmp(back.marker, other.marker, 4) != 0 || std::memcmp(back.signature, other.signature, 7) != 0)
        Finding("a record set is not the record read");
}

void Payload(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    ApplyImageKeystream(bytes.data(), bytes.size());
    ApplyImageKeystream(bytes.data(), bytes.size());
    if (size != 0 && std::memcmp(bytes.data(), data, size) != 0) Finding("scrambling twice changed the bytes");
    ImagesResetState();
    const bool firmware = TakeFirmwareImage(data, size);
    if (firmware != (size >= UpdateImageSize)) Finding("a payload judged by more than its length");
    if (TakeBootLoaderImage(data, size) != firmware) Finding("the boot-loader image judged otherwise");
    ImagesResetState();
}

void OptionText(const uint8_t* data, size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const std::string text(chars, strnlen(chars, size));
    uint16_t version = 0;
    if (ParseVersionText(text.c_str(), &version)) {
        uint16_t again = 0;
        if (!ParseVersionText(VersionText(version).c_str(), &again) || again != version)
            Finding("a version does not survive being shown");
    }
    // Shown as given, but for the backslash, which is shown escaped so that
    // the escapes of other bytes stay unambiguous.
    std::string shown;
    for (char c : text) shown += c == '\\' ? std::string("\\x5c") : std::string(1, c);
    uint8_t field[7];
    if (ParseFixedText(text.c_str(), field, sizeof field) && FieldText(field, sizeof field).rfind(shown, 0) != 0)
        Finding("a text field is shown otherwise than given");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (data[0] % 4) {
        case 0: Description(rest, restSize); break;
        case 1: PlainImage(rest, restSize); break;
        case 2: Payload(rest, restSize); break;
        default: OptionText(rest, restSize); break;
    }
    return 0;
}

#include "device/discovery.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "device/device_state.h"
#include "device/scsi_commands.h"
#include "vokari/vkr.h"

// Zero bytes inside the vendor and product fields and the zero revision are
// part of the pattern, as is the additional length 0x20.
const uint8_t InquiryTemplate[InquiryTemplateLength] = {
    0x00, 0x80, 0x05, 0x02, 0x20, 0x00, 0x80, 0x00,                            // header
    'V',  'e',  'x',  'o',  0x20, 0x00, 0x20, 0x20,                            // vendor
    'M',  'a',  's',  's',  ' ',  'S',  't',  'o',  'r', 'a', 'g', 'e', ' ',   // product
    0x00, 0x20, 0x20,                                                          //
    0x00, 0x00, 0x00, 0x00,                                                    // revision
};

bool CheckInquiry() {
    // The allocation length byte stays 0: the recorder answers with its
    // standard data regardless, and a larger buffer costs nothing.
    uint8_t cdb[ScsiCdbBytes] = {ScsiOpInquiry};
    uint8_t answer[4096] = {};
    if (!Execute_SCSI_Cmd(VKR_DATA_IN, cdb, answer, 2048)) return false;
    return std::memcmp(answer, InquiryTemplate, InquiryTemplateLength) == 0;
}

bool ReadDeviceGeometry() {
    uint8_t geometryCdb[ScsiCdbBytes] = {ScsiOpVendor, VendorReadGeometry};
    if (!Execute_SCSI_Cmd(VKR_DATA_IN, geometryCdb, &DeviceFlashParams, sizeof DeviceFlashParams))
        return false;

    uint8_t capacityCdb[ScsiCdbBytes] = {ScsiOpReadCapacity10};
    uint8_t capacity[8] = {};
    if (!Execute_SCSI_Cmd(VKR_DATA_IN, capacityCdb, capacity, sizeof capacity)) return false;
    // Bytes 4-7: the block length, big-endian. Stored unchecked; the page
    // commands guard their own divisions.
    SectorSize = uint32_t{capacity[4]} << 24 | uint32_t{capacity[5]} << 16 |
                 uint32_t{capacity[6]} << 8 | capacity[7];
    return true;
}

namespace {

constexpr char ScanPathPrefix[] = "\\\\.\\PHYSICALDRIVE";
static_assert(sizeof ScanPathPrefix - 1 == DevicePathDigitIndex);

bool ProbeCurrentDrive() { return CheckInquiry() && ReadDeviceGeometry(); }

// The whole path, not only its digit: a caller may have left a shorter path
// of its own in DevicePath, whose terminator would hide the digit.
void SelectScanDrive(uint32_t drive) {
    std::memcpy(DevicePath, ScanPathPrefix, DevicePathDigitIndex);
    DevicePath[DevicePathDigitIndex] = static_cast<char>('0' + drive);
    DevicePath[DevicePathLength] = '\0';
}

}  // namespace

extern "C" VKR_API int32_t VKR_CALL Vkr_GetDevices(char** list) {
    if (list == nullptr) return 0;
    int32_t count = 0;
    for (uint32_t drive = ScanFirstDrive; drive <= ScanLastDrive; ++drive) {
        SelectScanDrive(drive);
        if (!ProbeCurrentDrive()) continue;
        // A copy that cannot be allocated leaves that drive out of the list.
        char* entry = new (std::nothrow) char[sizeof DevicePath];
        if (entry == nullptr) continue;
        std::memcpy(entry, DevicePath, sizeof DevicePath);
        list[count++] = entry;
    }
    return count;
}

extern "C" VKR_API int32_t VKR_CALL Vkr_IsConnected(char** pathRef) {
    if (pathRef == nullptr) return 0;

    if (*pathRef != nullptr) {
        // A path that does not fit the 19-byte buffer is refused untouched.
        const char* path = *pathRef;
        size_t length = strnlen(path, DevicePathLength + 1);
        if (length > DevicePathLength) return 0;
        std::memcpy(DevicePath, path, length + 1);
        return ProbeCurrentDrive() ? 1 : 0;
    }

    for (uint32_t drive = ScanFirstDrive; drive <= ScanLastDrive; ++drive) {
        SelectScanDrive(drive);
        if (!ProbeCurrentDrive()) continue;
        size_t size = std::strlen(DevicePath) + 1;
        char* copy = static_cast<char*>(std::malloc(size));
        if (copy == nullptr) return 0;
        std::memcpy(copy, DevicePath, size);
        *pathRef = copy;
        return 1;
    }
    return 0;
}

extern "C" VKR_API int32_t VKR_CALL Vkr_GetSectorSize(void) {
    return static_cast<int32_t>(SectorSize);
}

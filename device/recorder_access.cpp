#include "device/recorder_access.h"

#include <cstdio>
#include <cstring>

#include "device/discovery.h"

namespace {

enum : size_t {
    InquiryVendorOffset = 8,
    InquiryVendorLength = 8,
    InquiryProductOffset = 16,
    InquiryProductLength = 16,
};

// The length of `text` up to its first zero byte, without trailing blanks.
size_t ShownLength(const char* text, size_t limit) {
    size_t length = strnlen(text, limit);
    while (length > 0 && text[length - 1] == ' ') --length;
    return length;
}

// A system string against one INQUIRY field of the recorder's: the same
// characters once both are cut where they end and stripped of blanks.
bool SameField(const char* shown, size_t offset, size_t length) {
    const char* field = reinterpret_cast<const char*>(InquiryTemplate + offset);
    size_t expected = ShownLength(field, length);
    return ShownLength(shown, length + 1) == expected && std::memcmp(shown, field, expected) == 0;
}

}  // namespace

bool IsRecorderIdentity(const DriveIdentity& identity) {
    return SameField(identity.vendor, InquiryVendorOffset, InquiryVendorLength) &&
           SameField(identity.model, InquiryProductOffset, InquiryProductLength);
}

bool FindDeniedRecorder(char* path, size_t size) {
    if (path == nullptr || size == 0) return false;
    for (uint32_t drive = ScanFirstDrive; drive <= ScanLastDrive; ++drive) {
        char candidate[32];
        std::snprintf(candidate, sizeof candidate, "\\\\.\\PHYSICALDRIVE%u", drive);
        DriveIdentity identity{};
        if (!DriveReadIdentity(candidate, &identity) || !IsRecorderIdentity(identity)) continue;
        if (DriveCheckAccess(candidate) != DriveDenied) continue;
        int n = std::snprintf(path, size, "%s", candidate);
        return n > 0 && static_cast<size_t>(n) < size;
    }
    return false;
}

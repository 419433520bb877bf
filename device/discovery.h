// Discovery: which drive is the recorder. A drive is the recorder when its
// INQUIRY data match the recorder's 36 bytes and it answers the flash
// geometry sub-command and READ CAPACITY(10).
#pragma once

#include <cstdint>

enum : uint32_t {
    InquiryTemplateLength = 36,
    ScanFirstDrive = 0,
    ScanLastDrive = 8,  // drives 0 to 8: a recorder at 9 or above is never found
};

extern const uint8_t InquiryTemplate[InquiryTemplateLength];

// INQUIRY on the current drive, compared with InquiryTemplate.
bool CheckInquiry();

// Geometry sub-command 0x00 into DeviceFlashParams, then READ CAPACITY(10)
// into SectorSize. A failure leaves what the earlier step stored.
bool ReadDeviceGeometry();

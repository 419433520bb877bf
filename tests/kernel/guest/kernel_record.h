// What the kernel was asked and what it answered, recorded at the system
// calls themselves: the guest program is linked with --wrap=open and
// --wrap=ioctl, so every open of a device node and every SG_IO that the drive
// layer makes passes through here. The checks judge the kernel's answers,
// not the drive layer's reading of them.
#pragma once

#include <cstdint>

struct OpenCall {
    char path[64];
    int fd;     // -1 when the open failed
    int error;  // its errno
};

struct SgCall {
    uint8_t cdb[16];
    int dxferDirection;  // as sent
    unsigned dxferLength;
    unsigned cmdLength;
    unsigned timeoutMs;
    int result;  // of the ioctl
    int error;
    uint8_t status;  // as the kernel wrote them back
    unsigned short hostStatus;
    unsigned short driverStatus;
    int resid;
    uint8_t sense[32];
    uint8_t senseWritten;
};

enum : int { MaxRecordedCalls = 64 };

extern OpenCall RecordedOpens[MaxRecordedCalls];
extern int RecordedOpenCount;
extern SgCall RecordedSg[MaxRecordedCalls];
extern int RecordedSgCount;

void ResetRecordedCalls();

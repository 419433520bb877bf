#include "tests/kernel/guest/kernel_record.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

OpenCall RecordedOpens[MaxRecordedCalls];
int RecordedOpenCount;
SgCall RecordedSg[MaxRecordedCalls];
int RecordedSgCount;

void ResetRecordedCalls() {
    RecordedOpenCount = 0;
    RecordedSgCount = 0;
}

extern "C" {

int __real_open(const char* path, int flags, ...);
int __real_ioctl(int fd, unsigned long request, ...);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    int fd = __real_open(path, flags, mode);
    int error = errno;
    if (RecordedOpenCount < MaxRecordedCalls) {
        OpenCall& call = RecordedOpens[RecordedOpenCount++];
        std::snprintf(call.path, sizeof call.path, "%s", path);
        call.fd = fd;
        call.error = fd < 0 ? error : 0;
    }
    errno = error;
    return fd;
}

int __wrap_ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    int result = __real_ioctl(fd, request, argument);
    int error = errno;
    if (request == SG_IO && RecordedSgCount < MaxRecordedCalls) {
        const sg_io_hdr& header = *static_cast<const sg_io_hdr*>(argument);
        SgCall& call = RecordedSg[RecordedSgCount++];
        std::memset(&call, 0, sizeof call);
        std::memcpy(call.cdb, header.cmdp, header.cmd_len < 16 ? header.cmd_len : 16);
        call.dxferDirection = header.dxfer_direction;
        call.dxferLength = header.dxfer_len;
        call.cmdLength = header.cmd_len;
        call.timeoutMs = header.timeout;
        call.result = result;
        call.error = result < 0 ? error : 0;
        call.status = header.status;
        call.hostStatus = header.host_status;
        call.driverStatus = header.driver_status;
        call.resid = header.resid;
        call.senseWritten = header.sb_len_wr;
        if (header.sbp != nullptr)
            std::memcpy(call.sense, header.sbp, header.sb_len_wr < 32 ? header.sb_len_wr : 32);
    }
    errno = error;
    return result;
}

}  // extern "C"

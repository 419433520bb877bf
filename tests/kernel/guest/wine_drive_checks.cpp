// The Windows drive layer through Wine and a real kernel, on what a whole
// update does not show: run in the Windows updater's guest against
// vokari-usb-recorder on PHYSICALDRIVE1 (QEMU's disk is drive 0). Wine turns
// the pass-through request into the kernel's SG_IO and copies back the SCSI
// status, the sense and the bytes moved, so these must come back through the
// request block exactly; what Wine drops (the transport's host and driver
// status) stays with the unit tables. One line per check; exit 0 when all
// passed.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/drive.h"

namespace {

int checks = 0, failures = 0;

bool Check(bool passed, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool Check(bool passed, const char* format, ...) {
    ++checks;
    if (!passed) ++failures;
    std::printf("%s ", passed ? "ok  " : "FAIL");
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    return passed;
}

ScsiOutcome Send(int handle, const uint8_t* cdb, uint8_t direction, void* data, uint32_t length) {
    ScsiRequest request{};
    std::memcpy(request.cdb, cdb, ScsiCdbLength);
    request.direction = direction;
    request.data = data;
    request.length = length;
    ScsiOutcome outcome{};
    DriveCommand(handle, request, &outcome);
    return outcome;
}

const uint8_t Inquiry96[16] = {0x12, 0, 0, 0, 96};

bool InquiryWorks(int handle) {
    uint8_t answer[96] = {};
    ScsiOutcome o = Send(handle, Inquiry96, ScsiDataIn, answer, sizeof answer);
    return o.carriedOut && o.status == 0 && std::memcmp(answer + 8, "Vexo", 4) == 0;
}

void CheckShortDataIn(int handle) {
    struct Case {
        const char* what;
        uint8_t cdb[16];
        uint32_t length;
        uint32_t residual;
    };
    const Case cases[] = {
        {"INQUIRY of 36 bytes into 96", {0x12, 0, 0, 0, 96}, 96, 60},
        {"READ(10) of 1 sector into 4096 bytes", {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, 4096, 3584},
    };
    for (const Case& c : cases) {
        uint8_t data[4096] = {};
        ScsiOutcome o = Send(handle, c.cdb, ScsiDataIn, data, c.length);
        Check(o.carriedOut && o.status == 0 && o.residual == c.residual,
              "%s: GOOD, residual %u (got carried out %d, status 0x%02x, residual %u)", c.what,
              c.residual, o.carriedOut, o.status, o.residual);
    }
}

void CheckRefusedCommand(int handle) {
    // A vendor sub-command the recorder does not know.
    const uint8_t unknown[16] = {0xC8, 0x7F};
    uint8_t data[512] = {};
    ScsiOutcome o = Send(handle, unknown, ScsiDataIn, data, sizeof data);
    Check(o.carriedOut && o.status == 0x02 && o.senseLength >= 13 && o.sense[0] == 0x70 &&
              (o.sense[2] & 0x0F) == 0x05 && o.sense[12] == 0x20,
          "an unknown vendor sub-command: CHECK CONDITION, sense 70h ILLEGAL REQUEST 20h (got status"
          " 0x%02x, %u sense bytes %02x %02x %02x ... %02x)",
          o.status, o.senseLength, o.sense[0], o.sense[1], o.sense[2], o.sense[12]);
    Check(InquiryWorks(handle), "after it the recorder answers again");
}

}  // namespace

int main() {
    int handle = -1;
    DriveOpenResult opened = DriveOpen("\\\\.\\PHYSICALDRIVE1", &handle);
    if (!Check(opened == DriveOpened, "PHYSICALDRIVE1 opens (result %d)", opened)) return 1;
    Check(InquiryWorks(handle), "INQUIRY names the recorder");
    CheckShortDataIn(handle);
    CheckRefusedCommand(handle);
    DriveClose(handle);
    Check(DriveCheckAccess("\\\\.\\PHYSICALDRIVE2") == DriveAbsent,
          "PHYSICALDRIVE2, with no link behind it, is absent");
    std::printf("wine drive checks: %d passed, %d failed\n", checks - failures, failures);
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

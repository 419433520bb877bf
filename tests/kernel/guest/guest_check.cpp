#include "tests/kernel/guest/guest_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int failures;
int count;
}  // namespace

bool Check(bool passed, const char* format, ...) {
    ++count;
    if (!passed) ++failures;
    std::printf("%s ", passed ? "ok  " : "FAIL");
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
    return passed;
}

int CheckFailures() { return failures; }
int CheckCount() { return count; }

long DiskRequestCount() {
    std::FILE* file = std::fopen("/sys/class/scsi_generic/sg0/device/iorequest_cnt", "r");
    if (file == nullptr) return -1;
    char text[32] = {};
    bool read = std::fgets(text, sizeof text, file) != nullptr;
    std::fclose(file);
    return read ? std::strtol(text, nullptr, 0) : -1;
}

const TransportResid* FindTransport(const char* name) {
    // usb-storage counts what the device did not take or give (dxfer_len
    // less what moved); QEMU's virtio-scsi reports the whole buffer as left
    // over when less than it moved, and nothing when the command failed.
    static const TransportResid transports[] = {
        {"usb", 4096 - 512, 512},
        {"virtio", 4096, 0},
    };
    for (const TransportResid& transport : transports)
        if (std::strcmp(transport.name, name) == 0) return &transport;
    return nullptr;
}

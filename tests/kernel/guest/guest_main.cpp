// The guest program of the kernel test. Subcommands:
//   guest_checks run NAME      all checks against the disk at /dev/sg0
//                              (NAME permission: the permission line's, on
//                              QEMU's disk at sg0 and the recorder's at sg1)
//   guest_checks exit CODE     ends the virtual machine: QEMU exits (CODE<<1)|1
//   guest_checks image FILE    writes the test disk's pattern (on the host)
#include <sys/io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/kernel/guest/guest_check.h"

namespace {

constexpr unsigned short DebugExitPort = 0xF4;

double UptimeSeconds() {
    double uptime = -1;
    if (std::FILE* file = std::fopen("/proc/uptime", "r")) {
        if (std::fscanf(file, "%lf", &uptime) != 1) uptime = -1;
        std::fclose(file);
    }
    return uptime;
}

int Run(const char* name) {
    std::printf("guest checks (%s) start at uptime %.2f s\n", name, UptimeSeconds());
    if (std::strcmp(name, "permission") == 0) {
        CheckRecorderIdentityInSysfs();
        CheckPermissionLineNamesTheRecorder();
    } else {
        const TransportResid* transport = FindTransport(name);
        if (!Check(transport != nullptr, "a known transport: %s", name)) return 1;
        CheckDeviceLayer(*transport);
        CheckUpdaterWithoutPermission();
    }
    std::printf("guest checks (%s) end at uptime %.2f s\n", name, UptimeSeconds());
    std::printf("guest checks: %d passed, %d failed\n", CheckCount() - CheckFailures(),
                CheckFailures());
    return CheckFailures() == 0 ? 0 : 1;
}

int ExitMachine(int code) {
    std::fflush(stdout);
    if (ioperm(DebugExitPort, 4, 1) != 0) return 2;
    outl(static_cast<unsigned>(code), DebugExitPort);
    return 2;  // still running: the exit device is missing
}

int WriteImage(const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 1;
    static uint8_t block[DiskBlockSize];
    for (uint32_t b = 0; b < DiskBlocks; ++b) {
        for (uint32_t i = 0; i < DiskBlockSize; ++i) block[i] = PatternByte(b, i);
        if (std::fwrite(block, 1, sizeof block, file) != sizeof block) {
            std::fclose(file);
            return 1;
        }
    }
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) return Run(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "exit") == 0) return ExitMachine(std::atoi(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "image") == 0) return WriteImage(argv[2]);
    std::fprintf(stderr, "usage: guest_checks run NAME | exit CODE | image FILE\n");
    return 2;
}

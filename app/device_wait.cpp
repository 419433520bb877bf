#include "app/device_wait.h"

#include <cstdint>
#include <cstdio>

#include "app/console_state.h"
#include "app/messages.h"
#include "app/read_key.h"
#include "platform/clock.h"
#include "platform/drive.h"
#include "platform/drive_notice.h"
#include "vokari/vkr.h"

namespace {

enum : uint32_t {
    FirstScannedDrive = 0,
    LastScannedDrive = 8,
    AccessCheckIntervalMs = 1000,
};

// A drive that is there but refuses us looks, to discovery, just like an
// absent recorder. Tell the person once which one it is and how to fix it.
bool ReportDeniedDrive() {
    for (uint32_t drive = FirstScannedDrive; drive <= LastScannedDrive; ++drive) {
        char path[32];
        std::snprintf(path, sizeof path, "\\\\.\\PHYSICALDRIVE%u", drive);
        if (DriveCheckAccess(path) != DriveDenied) continue;
        char name[64];
        DriveAccessFix fix{};
        if (!DriveDeniedNotice(path, name, sizeof name, &fix)) continue;
        if (fix == DriveFixAdministrator)
            std::printf(msg::DrivePermissionDeniedAdministrator, name);
        else
            std::printf(msg::DrivePermissionDenied, name);
        return true;
    }
    return false;
}

}  // namespace

WaitResult WaitForRecorder() {
    if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
    std::printf("%s", msg::DeviceNotConnected);

    bool denialReported = false;
    uint64_t nextAccessCheck = 0;
    for (;;) {
        if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
        if (!denialReported && MonotonicMs() >= nextAccessCheck) {
            denialReported = ReportDeniedDrive();
            nextAccessCheck = MonotonicMs() + AccessCheckIntervalMs;
        }
        if (KeyAvailable() && ReadKey() == KeyEsc) return WaitAbandoned;
        SleepMs(1);
    }
}

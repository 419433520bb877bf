#include "app/device_wait.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/console_state.h"
#include "app/messages.h"
#include "app/read_key.h"
#include "device/recorder_access.h"
#include "platform/clock.h"
#include "platform/drive_notice.h"
#include "vokari/vkr.h"

namespace {

enum : uint32_t {
    AccessCheckIntervalMs = 1000,
};

}  // namespace

bool PermissionLineDue(PermissionWatch* watch) {
    char path[sizeof watch->path];
    if (!FindDeniedRecorder(path, sizeof path)) {
        // Gone, or usable now: a recorder that refuses us again is news.
        *watch = PermissionWatch{};
        return false;
    }
    if (std::strcmp(path, watch->path) == 0) return false;
    PermissionWatch found{};
    std::memcpy(found.path, path, sizeof path);
    if (!DriveDeniedNotice(path, found.node, sizeof found.node, &found.fix)) return false;
    *watch = found;
    return true;
}

void PrintPermissionLine(const PermissionWatch& watch) {
    if (watch.fix == DriveFixAdministrator)
        std::printf(msg::DrivePermissionDeniedAdministrator, watch.node);
    else
        std::printf(msg::DrivePermissionDenied, watch.node);
}

WaitResult WaitForRecorder() {
    if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
    std::printf("%s", msg::DeviceNotConnected);

    PermissionWatch watch{};
    uint64_t nextAccessCheck = 0;
    for (;;) {
        if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
        if (MonotonicMs() >= nextAccessCheck) {
            if (PermissionLineDue(&watch)) PrintPermissionLine(watch);
            nextAccessCheck = MonotonicMs() + AccessCheckIntervalMs;
        }
        if (KeyAvailable() && ReadKey() == KeyEsc) return WaitAbandoned;
        SleepMs(1);
    }
}

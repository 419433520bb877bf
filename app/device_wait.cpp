#include "app/device_wait.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/console_state.h"
#include "app/messages.h"
#include "app/read_key.h"
#include "device/recorder_access.h"
#include "platform/clock.h"
#include "vokari/vkr.h"

namespace {

enum : uint32_t {
    AccessCheckIntervalMs = 1000,
};

}  // namespace

bool PermissionLineDue(PermissionWatch* watch) {
    char node[sizeof watch->node];
    if (!FindDeniedRecorder(node, sizeof node)) {
        // Gone, or usable now: a recorder that refuses us again is news.
        watch->node[0] = '\0';
        return false;
    }
    if (std::strcmp(node, watch->node) == 0) return false;
    std::memcpy(watch->node, node, sizeof node);
    return true;
}

WaitResult WaitForRecorder() {
    if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
    std::printf("%s", msg::DeviceNotConnected);

    PermissionWatch watch{};
    uint64_t nextAccessCheck = 0;
    for (;;) {
        if (Vkr_IsConnected(&RecorderPath)) return RecorderAttached;
        if (MonotonicMs() >= nextAccessCheck) {
            if (PermissionLineDue(&watch)) std::printf(msg::DrivePermissionDenied, watch.node);
            nextAccessCheck = MonotonicMs() + AccessCheckIntervalMs;
        }
        if (KeyAvailable() && ReadKey() == KeyEsc) return WaitAbandoned;
        SleepMs(1);
    }
}

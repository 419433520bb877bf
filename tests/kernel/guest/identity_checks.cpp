// The INQUIRY strings as this kernel publishes them in sysfs, read through
// the drive layer, and what the updater makes of them.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "device/recorder_access.h"
#include "platform/drive.h"
#include "tests/kernel/guest/guest_check.h"

void CheckRecorderIdentityInSysfs() {
    // init waits for sg0 only; the second disk may come a moment later.
    struct stat node {};
    for (int waited = 0; waited < 100 && stat("/dev/sg1", &node) != 0; ++waited) usleep(100000);
    struct Case {
        const char* path;
        bool recorder;
    };
    const Case cases[] = {
        {"\\\\.\\PHYSICALDRIVE0", false},  // QEMU's own strings
        {"\\\\.\\PHYSICALDRIVE1", true},   // vendor=Vexo product=Mass Storage
    };
    for (const Case& c : cases) {
        DriveIdentity identity{};
        if (!Check(DriveReadIdentity(c.path, &identity), "%s: sysfs has its INQUIRY strings", c.path))
            continue;
        std::printf("kernel: %s vendor [%s] model [%s]\n", c.path, identity.vendor, identity.model);
        Check(IsRecorderIdentity(identity) == c.recorder, "%s: %s the recorder", c.path,
              c.recorder ? "is" : "is not");
    }
    DriveIdentity none{};
    Check(!DriveReadIdentity("\\\\.\\PHYSICALDRIVE7", &none), "no sysfs strings for an absent sg7");
}

// vokari-update: the updater on the real drives of this machine.
#include "app/elevated_start.h"
#include "app/updater.h"

int main(int argc, char** argv) {
    int code = 0;
    if (RanElevatedCopy(&code)) return code;
    return UpdaterMain(argc, argv, InstanceLockName);
}

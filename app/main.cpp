// vokari-update: the updater on the real drives of this machine.
#include "app/updater.h"

int main(int argc, char** argv) { return UpdaterMain(argc, argv, InstanceLockName); }

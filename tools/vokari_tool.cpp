// vokari-tool: the recorders on this machine's drives.
#include "app/updater.h"
#include "tools/tool_main.h"

int main(int argc, char** argv) { return ToolMain(argc, argv, InstanceLockName); }

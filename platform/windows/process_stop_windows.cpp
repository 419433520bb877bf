// Windows has no job-control stop that an outside watcher could end: the
// simulated recorder's --stop-at is refused there. A kill is TerminateProcess.
#include <windows.h>

#include <cstdlib>

#include "platform/process_stop.h"

bool ProcessStopAvailable() { return false; }

void ProcessStop() {}

void ProcessKill() {
    TerminateProcess(GetCurrentProcess(), 137);
    std::_Exit(137);
}

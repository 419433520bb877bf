// Windows has no job-control stop that an outside watcher could end: the
// simulated recorder's --stop-at is refused there.
#include "platform/process_stop.h"

bool ProcessStopAvailable() { return false; }

void ProcessStop() {}

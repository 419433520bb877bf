// Stopping the process on Linux: job control's SIGSTOP; the watcher's
// SIGCONT lets it go on.
#include <csignal>

#include "platform/process_stop.h"

bool ProcessStopAvailable() { return true; }

void ProcessStop() { std::raise(SIGSTOP); }

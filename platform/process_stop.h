// Stopping the running process where it stands, until whoever watches it
// lets it go on: the simulated recorder's --stop-at, for tests and debuggers.
//
// Native implementations: linux/process_stop_linux.cpp (job control: SIGSTOP,
// then SIGCONT from the watcher), windows/process_stop_windows.cpp (none).
#pragma once

// Whether this system has such a stop.
bool ProcessStopAvailable();

// Stops the process; returns once it has been let go on. Does nothing where
// ProcessStopAvailable() is false.
void ProcessStop();

// Ends the process at once, as a crash or a power cut of the PC would: no
// handler runs, nothing is saved or flushed (SIGKILL; TerminateProcess).
[[noreturn]] void ProcessKill();

// The update console's entry.
#pragma once

// The name of the single-instance lock, shared with the maker's other
// recorder applications.
inline constexpr char InstanceLockName[] = "AudrelHS_";

// Runs the console from start-up to the end of the update and returns the
// process exit code. `lockName` is the single-instance lock to take.
int UpdaterMain(int argc, char** argv, const char* lockName);

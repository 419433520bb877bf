// Single-instance lock seam: a named lock between processes.
#pragma once

enum LockResult : int {
    LockAcquired = 0,
    LockHeldElsewhere = 1,  // another process holds a lock of that name
    LockFailed = 2,         // could not be created for another reason
};

// Takes the lock `name` for the rest of the process. It is released by the
// operating system when the process ends, however it ends; no file remains.
LockResult LockAcquire(const char* name);

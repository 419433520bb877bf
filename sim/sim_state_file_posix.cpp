// The state file's calls on POSIX systems: open, write and rename, which a
// signal handler may make.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "sim/sim_state_file.h"

SimFile SimFileCreate(const char* path) {
    return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

SimFile SimFileAppend(const char* path) { return open(path, O_WRONLY | O_APPEND | O_CLOEXEC); }

bool SimFileWrite(SimFile file, const char* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(static_cast<int>(file), bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SimFileClose(SimFile file) { return close(static_cast<int>(file)) == 0; }

bool SimFileReplace(const char* from, const char* to) { return rename(from, to) == 0; }

void SimFileRemove(const char* path) { unlink(path); }

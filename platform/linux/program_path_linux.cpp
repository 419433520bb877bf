// The running program's own file on Linux.
#include <unistd.h>

#include "platform/resource.h"

void ProgramFilePath(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
    buffer[n > 0 ? n : 0] = '\0';
}

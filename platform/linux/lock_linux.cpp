// The single-instance lock on Linux: a Unix socket bound to a name in the
// abstract namespace. The kernel releases the name when the process ends,
// however it ends, and no file is ever created, so nothing can go stale.
#include <errno.h>
#include <stddef.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/lock.h"

LockResult LockAcquire(const char* name) {
    if (name == nullptr) return LockFailed;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t length = strlen(name);
    // sun_path[0] stays 0: the abstract namespace.
    if (length == 0 || length >= sizeof address.sun_path - 1) return LockFailed;
    memcpy(address.sun_path + 1, name, length);

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return LockFailed;
    auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) return LockAcquired;  // fd kept open
    int error = errno;
    close(fd);
    return error == EADDRINUSE ? LockHeldElsewhere : LockFailed;
}

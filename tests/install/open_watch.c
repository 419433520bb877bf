/*
 * LD_PRELOAD library for scripts/test-install: records every path a program
 * opens under /dev/ into the file named by VKR_OPEN_LOG, then opens it as
 * asked. Shows which drives a program touches without a drive attached.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static void Note(const char *path) {
    const char *log = getenv("VKR_OPEN_LOG");
    if (log == NULL || path == NULL || strncmp(path, "/dev/", 5) != 0) return;
    int (*real_open)(const char *, int, ...) = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    int fd = real_open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    (void)!write(fd, path, strlen(path));
    (void)!write(fd, "\n", 1);
    close(fd);
}

static mode_t ModeArgument(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

#define WRAP_OPEN(name)                                                               \
    int name(const char *path, int flags, ...) {                                      \
        va_list args;                                                                 \
        va_start(args, flags);                                                        \
        mode_t mode = ModeArgument(flags, args);                                      \
        va_end(args);                                                                 \
        Note(path);                                                                   \
        int (*real)(const char *, int, ...) =                                         \
            (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, #name);                 \
        return real(path, flags, mode);                                               \
    }
#define WRAP_OPENAT(name)                                                             \
    int name(int dir, const char *path, int flags, ...) {                             \
        va_list args;                                                                 \
        va_start(args, flags);                                                        \
        mode_t mode = ModeArgument(flags, args);                                      \
        va_end(args);                                                                 \
        Note(path);                                                                   \
        int (*real)(int, const char *, int, ...) =                                    \
            (int (*)(int, const char *, int, ...))dlsym(RTLD_NEXT, #name);            \
        return real(dir, path, flags, mode);                                          \
    }

WRAP_OPEN(open)
WRAP_OPEN(open64)
WRAP_OPENAT(openat)
WRAP_OPENAT(openat64)

int __open_2(const char *path, int flags) { return open(path, flags); }
int __open64_2(const char *path, int flags) { return open64(path, flags); }

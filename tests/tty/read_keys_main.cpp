// Reads keys with ReadKey and prints each code as four upper-case hex digits
// on its own line, until 'q' or "no console". Driven through a pseudo-terminal
// by tty_keys_test.cpp; every word it prints is in capitals, so that a
// lower-case letter in its output can only be an echo of a typed key.
//
//   vkr_read_keys [--gate FD] [--poll]
//   --gate FD  after READY, wait for a byte on FD before the first read
//              (keys written meanwhile are typed while the program is busy)
//   --poll     after READY, wait until KeyAvailable() says a key is there
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/read_key.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int gate = -1;
    bool poll = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gate") == 0 && i + 1 < argc) gate = std::atoi(argv[++i]);
        if (std::strcmp(argv[i], "--poll") == 0) poll = true;
    }

    ConsoleBegin();
    std::printf("READY\n");
    if (gate >= 0) {
        char go;
        if (read(gate, &go, 1) != 1) return 2;
    }
    if (poll) {
        const timespec pause = {0, 1000000};
        while (!KeyAvailable()) nanosleep(&pause, nullptr);
        std::printf("AVAILABLE\n");
    }
    for (;;) {
        uint16_t key = ReadKey();
        std::printf("%04X\n", key);
        if (key == 'q' || key == KeyNoConsole) return 0;
    }
}

#include "app/read_key.h"

#include "platform/console.h"

uint16_t ReadKey() {
    int code = ConsoleReadKey();
    if ((code & 0xFFFF) != 0) return static_cast<uint16_t>(code);
    // The prefix of an extended key: its scan code follows.
    auto scan = static_cast<unsigned>(ConsoleReadKey());
    return static_cast<uint16_t>(scan << 8);
}

bool KeyAvailable() { return ConsoleKeyWaiting(); }

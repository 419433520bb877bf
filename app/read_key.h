// The one key read of the console: every prompt and every wait for a key.
#pragma once

#include <cstdint>

enum : uint16_t {
    KeyEsc = 27,
    KeyNoConsole = 0xFFFF,
};

// Blocks until a key is pressed. A key with a character gives the character
// (128..255 with the high byte 0xFF); an extended key gives its scan code in
// the high byte and 0 in the low byte. 0xFFFF at once without a console.
uint16_t ReadKey();

// True when ReadKey would return at once with a key press. Never blocks.
bool KeyAvailable();

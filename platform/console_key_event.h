// Turns a Windows console key event into a key press, the way the key table
// wants it. Pure: the Windows console layer hands in the event's numbers
// (KEY_EVENT_RECORD), so that the rules are tested on every host.
#pragma once

#include <cstdint>

#include "platform/keys.h"

// dwControlKeyState flags (wincon.h) that the key read looks at.
enum WinControlKeyState : uint32_t {
    WinRightAltPressed = 0x0001,
    WinLeftAltPressed = 0x0002,
    WinRightCtrlPressed = 0x0004,
    WinLeftCtrlPressed = 0x0008,
    WinShiftPressed = 0x0010,
};

enum : uint8_t { VkEscape = 0x1B };

struct ConsoleKeyEvent {
    bool keyDown;
    uint16_t virtualKey;    // wVirtualKeyCode
    uint8_t character;      // uChar.AsciiChar, as a byte
    uint32_t controlState;  // dwControlKeyState
};

// False for what the key read skips at once: key releases. Otherwise fills
// *key: the character when the event has one, else the virtual key and the
// modifiers. Esc is the character 27 also where the console gives it no
// character (Wine does so).
bool KeyPressFromConsoleEvent(const ConsoleKeyEvent& event, KeyPress* key);

// The key table of the key read: which code a key without a character gives,
// following the PC BIOS keyboard codes. Shared by every console: a terminal's
// escape sequences and a Windows console's key events both end here.
#pragma once

#include <cstddef>
#include <cstdint>

// Windows virtual-key codes of the keys the table holds (and of the
// modifiers, which it holds without a code).
enum VirtualKey : uint8_t {
    VkShift = 0x10,
    VkControl = 0x11,
    VkMenu = 0x12,  // Alt
    VkPageUp = 0x21,
    VkPageDown = 0x22,
    VkEnd = 0x23,
    VkHome = 0x24,
    VkLeft = 0x25,
    VkUp = 0x26,
    VkRight = 0x27,
    VkDown = 0x28,
    VkInsert = 0x2D,
    VkDelete = 0x2E,
    VkF1 = 0x70,  // F2..F12 follow in order
    VkF12 = 0x7B,
};

// Modifier state of a key press, as flags.
enum KeyModifier : uint8_t {
    KeyShift = 1,
    KeyCtrl = 2,
    KeyAlt = 4,
};

enum : uint8_t { NoScanCode = 0 };

// The extended code of a key without a character in this modifier state,
// or NoScanCode when the table holds none (the key read skips such keys).
// Alt is tested first, then Ctrl, then Shift: Ctrl+Alt+F1 is Alt+F1.
uint8_t BiosScanCode(unsigned virtualKey, unsigned modifiers);

// One key press as a console reports it: a character, or a key without one.
struct KeyPress {
    bool hasCharacter;
    uint8_t character;   // when hasCharacter
    uint8_t virtualKey;  // otherwise
    uint8_t modifiers;   // KeyModifier flags
};

// The codes the key read returns for one key press, in order: the character
// as a signed byte (128..255 come out negative), or 0 and then the extended
// code. Returns how many (0 for a key the table has no code for).
size_t KeyReadCodes(const KeyPress& key, int codes[2]);

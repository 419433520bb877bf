#include "platform/keys.h"

namespace {

struct KeyRow {
    uint8_t virtualKey;
    uint8_t normal, shift, ctrl, alt;
};

// Without a modifier and with Shift the cursor block gives the keypad's codes
// (there is no 0xE0 prefix to tell them apart).
constexpr KeyRow Table[] = {
    {VkF1 + 0, 0x3B, 0x54, 0x5E, 0x68},
    {VkF1 + 1, 0x3C, 0x55, 0x5F, 0x69},
    {VkF1 + 2, 0x3D, 0x56, 0x60, 0x6A},
    {VkF1 + 3, 0x3E, 0x57, 0x61, 0x6B},
    {VkF1 + 4, 0x3F, 0x58, 0x62, 0x6C},
    {VkF1 + 5, 0x40, 0x59, 0x63, 0x6D},
    {VkF1 + 6, 0x41, 0x5A, 0x64, 0x6E},
    {VkF1 + 7, 0x42, 0x5B, 0x65, 0x6F},
    {VkF1 + 8, 0x43, 0x5C, 0x66, 0x70},
    {VkF1 + 9, 0x44, 0x5D, 0x67, 0x71},
    {VkF1 + 10, 0x85, 0x87, 0x89, 0x8B},
    {VkF1 + 11, 0x86, 0x88, 0x8A, 0x8C},
    {VkHome, 0x47, 0x47, 0x77, 0x97},
    {VkUp, 0x48, 0x48, 0x8D, 0x98},
    {VkPageUp, 0x49, 0x49, 0x84, 0x99},
    {VkLeft, 0x4B, 0x4B, 0x73, 0x9B},
    {VkRight, 0x4D, 0x4D, 0x74, 0x9D},
    {VkEnd, 0x4F, 0x4F, 0x75, 0x9F},
    {VkDown, 0x50, 0x50, 0x91, 0xA0},
    {VkPageDown, 0x51, 0x51, 0x76, 0xA1},
    {VkInsert, 0x52, 0x52, 0x92, 0xA2},
    {VkDelete, 0x53, 0x53, 0x93, 0xA3},
};

}  // namespace

uint8_t BiosScanCode(unsigned virtualKey, unsigned modifiers) {
    for (const KeyRow& row : Table) {
        if (row.virtualKey != virtualKey) continue;
        if (modifiers & KeyAlt) return row.alt;
        if (modifiers & KeyCtrl) return row.ctrl;
        if (modifiers & KeyShift) return row.shift;
        return row.normal;
    }
    return NoScanCode;
}

size_t KeyReadCodes(const KeyPress& key, int codes[2]) {
    // A character 0 could not be told from the prefix of an extended code.
    if (key.hasCharacter && key.character != 0) {
        codes[0] = static_cast<signed char>(key.character);
        return 1;
    }
    uint8_t scan = BiosScanCode(key.virtualKey, key.modifiers);
    if (scan == NoScanCode) return 0;
    codes[0] = 0;
    codes[1] = scan;
    return 2;
}

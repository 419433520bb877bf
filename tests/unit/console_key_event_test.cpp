// Windows console key events as the key read takes them, with the events
// that Windows and Wine deliver for the keys the console cares about.
#include <gtest/gtest.h>

#include <vector>

#include "platform/console_key_event.h"

namespace {

// The codes the key read returns for one event (none for a skipped one).
std::vector<int> CodesFor(const ConsoleKeyEvent& event) {
    KeyPress key{};
    if (!KeyPressFromConsoleEvent(event, &key)) return {};
    int codes[2] = {};
    size_t count = KeyReadCodes(key, codes);
    return std::vector<int>(codes, codes + count);
}

ConsoleKeyEvent Down(uint16_t virtualKey, char character, uint32_t state = 0) {
    return ConsoleKeyEvent{true, virtualKey, static_cast<uint8_t>(character), state};
}

TEST(ConsoleKeyEvent, CharactersComeBackAsTheyAre) {
    EXPECT_EQ(CodesFor(Down(0x59, 'y')), std::vector<int>{0x79});
    EXPECT_EQ(CodesFor(Down(0x59, 'Y', WinShiftPressed)), std::vector<int>{0x59});
    EXPECT_EQ(CodesFor(Down(0x4C, 'l')), std::vector<int>{0x6C});
    EXPECT_EQ(CodesFor(Down(0x0D, '\r')), std::vector<int>{13});
    // Ctrl+C during a read, where the console gives it as a key (Windows).
    EXPECT_EQ(CodesFor(Down(0x43, 3, WinLeftCtrlPressed)), std::vector<int>{3});
    // A character from 128 up comes back as a signed byte.
    EXPECT_EQ(CodesFor(Down(0xDE, static_cast<char>(0xE4))), std::vector<int>{-28});
}

TEST(ConsoleKeyEvent, EscIsTwentySevenWithOrWithoutItsCharacter) {
    EXPECT_EQ(CodesFor(Down(0x1B, 0x1B)), std::vector<int>{27});  // Windows
    EXPECT_EQ(CodesFor(Down(0x1B, 0)), std::vector<int>{27});     // Wine
}

TEST(ConsoleKeyEvent, KeysWithoutACharacterGiveTheirBiosCodes) {
    EXPECT_EQ(CodesFor(Down(0x70, 0)), (std::vector<int>{0, 0x3B}));  // F1
    EXPECT_EQ(CodesFor(Down(0x7B, 0)), (std::vector<int>{0, 0x86}));  // F12
    EXPECT_EQ(CodesFor(Down(0x26, 0)), (std::vector<int>{0, 0x48}));  // Up
    // Enhanced or not, the cursor keys give the keypad's codes.
    EXPECT_EQ(CodesFor(Down(0x25, 0, 0x0100 /* ENHANCED_KEY */)), (std::vector<int>{0, 0x4B}));
    // Either Alt, either Ctrl; Alt before Ctrl before Shift.
    EXPECT_EQ(CodesFor(Down(0x70, 0, WinRightAltPressed)), (std::vector<int>{0, 0x68}));
    EXPECT_EQ(CodesFor(Down(0x70, 0, WinLeftAltPressed | WinRightCtrlPressed)),
              (std::vector<int>{0, 0x68}));
    EXPECT_EQ(CodesFor(Down(0x70, 0, WinLeftCtrlPressed | WinShiftPressed)),
              (std::vector<int>{0, 0x5E}));
    EXPECT_EQ(CodesFor(Down(0x70, 0, WinShiftPressed)), (std::vector<int>{0, 0x54}));
    // Caps Lock and Num Lock states are no modifiers.
    EXPECT_EQ(CodesFor(Down(0x70, 0, 0x0080 | 0x0020)), (std::vector<int>{0, 0x3B}));
}

TEST(ConsoleKeyEvent, ReleasesModifiersAloneAndUnknownKeysAreSkipped) {
    EXPECT_TRUE(CodesFor(ConsoleKeyEvent{false, 0x59, 'y', 0}).empty());
    EXPECT_TRUE(CodesFor(Down(0x10, 0, WinShiftPressed)).empty());     // Shift
    EXPECT_TRUE(CodesFor(Down(0x11, 0, WinLeftCtrlPressed)).empty());  // Ctrl
    EXPECT_TRUE(CodesFor(Down(0x12, 0, WinLeftAltPressed)).empty());   // Alt
    EXPECT_TRUE(CodesFor(Down(0x14, 0)).empty());                      // Caps Lock
    EXPECT_TRUE(CodesFor(Down(0x5B, 0)).empty());                      // Windows key
    EXPECT_TRUE(CodesFor(Down(0x170, 0)).empty());                     // past a byte
}

}  // namespace

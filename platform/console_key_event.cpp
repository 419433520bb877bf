#include "platform/console_key_event.h"

bool KeyPressFromConsoleEvent(const ConsoleKeyEvent& event, KeyPress* key) {
    if (!event.keyDown) return false;
    *key = KeyPress{};
    uint8_t character = event.character;
    if (character == 0 && event.virtualKey == VkEscape) character = 27;
    if (character != 0) {
        key->hasCharacter = true;
        key->character = character;
        return true;
    }
    key->virtualKey = static_cast<uint8_t>(event.virtualKey > 0xFF ? 0 : event.virtualKey);
    uint32_t state = event.controlState;
    if (state & (WinRightAltPressed | WinLeftAltPressed)) key->modifiers |= KeyAlt;
    if (state & (WinRightCtrlPressed | WinLeftCtrlPressed)) key->modifiers |= KeyCtrl;
    if (state & WinShiftPressed) key->modifiers |= KeyShift;
    return true;
}

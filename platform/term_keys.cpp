#include "platform/term_keys.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t Esc = 0x1B;
constexpr uint8_t Del = 0x7F;
constexpr uint8_t Backspace = 8;

TermDecodeResult Character(uint8_t character, size_t length) {
    return {TermKeyDecoded, length, {true, character, 0, 0}};
}

TermDecodeResult Special(uint8_t virtualKey, uint8_t modifiers, size_t length) {
    return {TermKeyDecoded, length, {false, 0, virtualKey, modifiers}};
}

TermDecodeResult Skip(size_t length) { return {TermSkipped, length, {}}; }

TermDecodeResult NeedMore() { return {TermNeedMore, 0, {}}; }

bool IsContinuation(uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }
bool IsParameterByte(uint8_t byte) { return byte >= 0x30 && byte <= 0x3F; }
bool IsIntermediateByte(uint8_t byte) { return byte >= 0x20 && byte <= 0x2F; }
bool IsFinalByte(uint8_t byte) { return byte >= 0x40 && byte <= 0x7E; }
bool IsDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }

// xterm's modifier parameter: 1 + (Shift 1 | Alt 2 | Ctrl 4 | Meta 8).
uint8_t XtermModifiers(unsigned parameter) {
    if (parameter < 2) return 0;
    unsigned bits = parameter - 1;
    uint8_t modifiers = 0;
    if (bits & 1) modifiers |= KeyShift;
    if (bits & 2) modifiers |= KeyAlt;
    if (bits & 4) modifiers |= KeyCtrl;
    return modifiers;
}

// The final letter of CSI and SS3 key sequences.
uint8_t LetterKey(uint8_t letter) {
    switch (letter) {
    case 'A': return VkUp;
    case 'B': return VkDown;
    case 'C': return VkRight;
    case 'D': return VkLeft;
    case 'H': return VkHome;
    case 'F': return VkEnd;
    case 'P': return VkF1;
    case 'Q': return VkF1 + 1;
    case 'R': return VkF1 + 2;
    case 'S': return VkF1 + 3;
    default: return 0;
    }
}

// rxvt's lower-case arrows: Shift with CSI, Ctrl with SS3.
uint8_t RxvtArrow(uint8_t letter) {
    switch (letter) {
    case 'a': return VkUp;
    case 'b': return VkDown;
    case 'c': return VkRight;
    case 'd': return VkLeft;
    default: return 0;
    }
}

// The number of CSI n ~ (VT220; 1/4 from the Linux console, 7/8 from rxvt).
uint8_t NumberedKey(unsigned number) {
    switch (number) {
    case 1: case 7: return VkHome;
    case 2: return VkInsert;
    case 3: return VkDelete;
    case 4: case 8: return VkEnd;
    case 5: return VkPageUp;
    case 6: return VkPageDown;
    case 11: case 12: case 13: case 14: case 15: return static_cast<uint8_t>(VkF1 + number - 11);
    case 17: case 18: case 19: case 20: case 21: return static_cast<uint8_t>(VkF1 + number - 12);
    case 23: case 24: return static_cast<uint8_t>(VkF1 + number - 13);
    default: return 0;
    }
}

// Up to two numeric parameters "n;m" of a control sequence; anything else
// in them (private markers, sub-parameters, a third one) is no key.
struct Parameters {
    bool valid;
    unsigned count;
    unsigned value[2];
};

Parameters ParseParameters(const uint8_t* bytes, size_t length) {
    Parameters result = {true, 0, {0, 0}};
    if (length == 0) return result;
    result.count = 1;
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = bytes[i];
        if (byte == ';') {
            if (result.count == 2) return {false, 0, {0, 0}};
            ++result.count;
        } else if (IsDigit(byte)) {
            unsigned& value = result.value[result.count - 1];
            value = std::min(value * 10 + (byte - '0'), 9999u);
        } else {
            return {false, 0, {0, 0}};
        }
    }
    return result;
}

TermDecodeResult DecodeUtf8(const uint8_t* bytes, size_t count, bool final) {
    uint8_t lead = bytes[0];
    size_t need;
    uint8_t low = 0x80, high = 0xBF;  // the valid range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return Character(lead, 1);
    }
    uint32_t codePoint = lead & (0x7F >> need);
    for (size_t i = 1; i < need; ++i) {
        if (i >= count) return final ? Character(lead, 1) : NeedMore();
        uint8_t byte = bytes[i];
        bool valid = i == 1 ? byte >= low && byte <= high : IsContinuation(byte);
        if (!valid) return Character(lead, 1);
        codePoint = codePoint << 6 | (byte & 0x3F);
    }
    if (codePoint <= 0xFF) return Character(static_cast<uint8_t>(codePoint), need);
    return Skip(need);
}

// A key that does not start with ESC.
TermDecodeResult DecodePlain(const uint8_t* bytes, size_t count, bool final) {
    uint8_t byte = bytes[0];
    if (byte == 0) return Skip(1);
    if (byte == Del) return Character(Backspace, 1);
    if (byte < 0x80) return Character(byte, 1);
    return DecodeUtf8(bytes, count, final);
}

// CSI [A..[E: F1 to F5 of the Linux console.
TermDecodeResult DecodeLinuxFunctionKey(const uint8_t* bytes, size_t count, bool final) {
    if (count < 4) return final ? Skip(count) : NeedMore();
    uint8_t letter = bytes[3];
    if (letter < 0x20 || letter >= Del) return Skip(3);
    if (letter >= 'A' && letter <= 'E') return Special(static_cast<uint8_t>(VkF1 + letter - 'A'), 0, 4);
    return Skip(4);
}

// bytes start with ESC [.
TermDecodeResult DecodeCsi(const uint8_t* bytes, size_t count, bool final) {
    if (count == 2) return final ? Character('[', 2) : NeedMore();
    if (bytes[2] == '[') return DecodeLinuxFunctionKey(bytes, count, final);

    size_t end = 2;
    while (end < count && IsParameterByte(bytes[end])) ++end;
    size_t parameterEnd = end;
    // rxvt ends its Shift sequences with '$', an intermediate byte elsewhere.
    while (end < count && IsIntermediateByte(bytes[end]) && bytes[end] != '$') ++end;
    if (end == count) return final ? Skip(count) : NeedMore();

    uint8_t last = bytes[end];
    if (!IsFinalByte(last) && last != '$') {
        // Broken off: what came so far is dropped, the stray byte starts anew.
        return end == 2 ? Character('[', 2) : Skip(end);
    }
    size_t length = end + 1;
    if (end != parameterEnd) return Skip(length);
    Parameters p = ParseParameters(bytes + 2, parameterEnd - 2);
    if (!p.valid) return Skip(length);

    if (last == '~' || last == '$' || last == '^' || last == '@') {
        uint8_t key = NumberedKey(p.value[0]);
        if (key == 0) return Skip(length);
        uint8_t modifiers = last == '~'   ? XtermModifiers(p.count == 2 ? p.value[1] : 0)
                            : last == '$' ? KeyShift
                            : last == '^' ? KeyCtrl
                                          : KeyCtrl | KeyShift;
        return Special(key, modifiers, length);
    }
    if (last == 'Z') return Character('\t', length);  // Shift+Tab
    if (uint8_t arrow = RxvtArrow(last)) return Special(arrow, KeyShift, length);
    uint8_t key = LetterKey(last);
    if (key == 0) return Skip(length);
    // "CSI 1;m X" as xterm sends it; a lone parameter is taken as m.
    unsigned modifier = p.count == 2 ? p.value[1] : p.value[0];
    return Special(key, XtermModifiers(modifier), length);
}

// The keypad in application mode, SS3 j..y.
constexpr char KeypadCharacters[] = "*+,-./0123456789";

// bytes start with ESC O.
TermDecodeResult DecodeSs3(const uint8_t* bytes, size_t count, bool final) {
    if (count == 2) return final ? Character('O', 2) : NeedMore();
    size_t end = 2;
    unsigned modifier = 0;
    while (end < count && IsDigit(bytes[end])) modifier = std::min(modifier * 10 + (bytes[end++] - '0'), 9999u);
    if (end == count) return final ? Skip(count) : NeedMore();

    uint8_t last = bytes[end];
    if (!IsFinalByte(last)) return end == 2 ? Character('O', 2) : Skip(end);
    size_t length = end + 1;
    if (last == 'M') return Character('\r', length);  // keypad Enter
    if (last >= 'j' && last <= 'y') return Character(static_cast<uint8_t>(KeypadCharacters[last - 'j']), length);
    if (uint8_t arrow = RxvtArrow(last)) return Special(arrow, KeyCtrl, length);
    uint8_t key = LetterKey(last);
    if (key == 0) return Skip(length);
    return Special(key, XtermModifiers(modifier), length);
}

// bytes start with ESC.
TermDecodeResult DecodeEscape(const uint8_t* bytes, size_t count, bool final) {
    if (count == 1) return final ? Character(Esc, 1) : NeedMore();
    if (bytes[1] == '[') return DecodeCsi(bytes, count, final);
    if (bytes[1] == 'O') return DecodeSs3(bytes, count, final);

    if (bytes[1] == Esc) {
        // ESC before a key sequence is Alt (rxvt); before anything else the
        // first ESC is the Esc key on its own.
        if (count == 2) return final ? Character(Esc, 1) : NeedMore();
        if (bytes[2] != '[' && bytes[2] != 'O') return Character(Esc, 1);
        TermDecodeResult inner = DecodeEscape(bytes + 1, count - 1, final);
        if (inner.status == TermNeedMore) return inner;
        if (inner.status == TermKeyDecoded && inner.key.hasCharacter) return Character(Esc, 1);
        inner.length += 1;
        inner.key.modifiers |= KeyAlt;
        return inner;
    }
    TermDecodeResult inner = DecodePlain(bytes + 1, count - 1, final);
    if (inner.status == TermNeedMore) return inner;
    inner.length += 1;
    if (inner.status == TermKeyDecoded) inner.key.modifiers |= KeyAlt;
    return inner;
}

void Remove(TermReader* reader, size_t count) {
    count = std::min(count, reader->count);
    std::memmove(reader->bytes, reader->bytes + count, reader->count - count);
    reader->count -= count;
}

// Drops the rest of an over-long sequence: parameter and intermediate bytes,
// then its final byte.
void DropSequenceTail(TermReader* reader) {
    size_t n = 0;
    while (n < reader->count && (IsParameterByte(reader->bytes[n]) || IsIntermediateByte(reader->bytes[n]))) ++n;
    if (n < reader->count) {
        if (IsFinalByte(reader->bytes[n])) ++n;
        reader->droppingSequence = false;
    }
    Remove(reader, n);
}

}  // namespace

TermDecodeResult DecodeTermKey(const uint8_t* bytes, size_t count, bool final) {
    if (bytes == nullptr || count == 0) return NeedMore();
    if (bytes[0] == Esc) return DecodeEscape(bytes, count, final);
    return DecodePlain(bytes, count, final);
}

void TermReaderReset(TermReader* reader) { *reader = TermReader{}; }

size_t TermReaderRoom(const TermReader& reader) { return TermReaderCapacity - reader.count; }

void TermReaderAdd(TermReader* reader, const uint8_t* bytes, size_t count) {
    count = std::min(count, TermReaderRoom(*reader));
    if (count == 0) return;
    std::memcpy(reader->bytes + reader->count, bytes, count);
    reader->count += count;
}

TermNextStatus TermReaderNext(TermReader* reader, bool final, KeyPress* key) {
    for (;;) {
        if (reader->droppingSequence) DropSequenceTail(reader);
        if (reader->count == 0) return TermNextEmpty;
        TermDecodeResult result = DecodeTermKey(reader->bytes, reader->count, final);
        if (result.status == TermNeedMore) {
            if (reader->count < TermReaderCapacity) return TermNextNeedMore;
            // No key press is this long.
            reader->count = 0;
            reader->droppingSequence = true;
            continue;
        }
        Remove(reader, std::max<size_t>(result.length, 1));
        if (result.status == TermKeyDecoded) {
            *key = result.key;
            return TermNextKey;
        }
    }
}

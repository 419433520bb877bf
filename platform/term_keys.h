// Turns what a terminal sends into key presses, the way the key table wants
// them: a character, or a virtual key with its modifiers. Knows the sequences
// of xterm and its kin, VT220, the Linux console and rxvt. Pure: the bytes
// come from the caller, who also decides how long to wait for more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/keys.h"

enum TermDecodeStatus : uint8_t {
    TermKeyDecoded,  // `length` bytes are one key press
    TermSkipped,     // `length` bytes are no key press (unknown or unwanted): drop them
    TermNeedMore,    // the bytes start something that may go on: wait for more
};

struct TermDecodeResult {
    TermDecodeStatus status;
    size_t length;
    KeyPress key;
};

// Decodes the key press at the start of bytes[0..count). `final` says that no
// more bytes are coming soon (the caller's short wait after the last one has
// passed), so an unfinished sequence must be decided: a lone ESC is then the
// Esc key. Never TermNeedMore when final, except for count 0.
//
// Characters: ESC + a character is Alt + that character, which gives the
// character. DEL (0x7F) gives 8, as the Backspace key does elsewhere; NUL is
// skipped (a character 0 would read as the prefix of an extended code). Bytes
// from 0x80 are UTF-8: U+0080..U+00FF give that character, other characters
// have no single-byte code and are skipped; a byte that starts or continues
// no valid UTF-8 sequence is taken as a Latin-1 character by itself, so that
// an 8-bit terminal still gives its characters.
TermDecodeResult DecodeTermKey(const uint8_t* bytes, size_t count, bool final);

enum : size_t { TermReaderCapacity = 64 };

// The bytes received and not yet taken as key presses.
struct TermReader {
    uint8_t bytes[TermReaderCapacity];
    size_t count;
    // Inside a control sequence too long to hold: its remaining parameter
    // bytes and final byte are dropped as they come, never taken as keys.
    bool droppingSequence;
};

void TermReaderReset(TermReader* reader);
size_t TermReaderRoom(const TermReader& reader);
// Adds received bytes; those beyond the room left are not taken.
void TermReaderAdd(TermReader* reader, const uint8_t* bytes, size_t count);

enum TermNextStatus : uint8_t {
    TermNextKey,       // *key is the next key press, taken from the reader
    TermNextNeedMore,  // the bytes held start a sequence that may go on
    TermNextEmpty,     // nothing held
};

// Takes the next key press, dropping whatever is no key press on the way.
TermNextStatus TermReaderNext(TermReader* reader, bool final, KeyPress* key);

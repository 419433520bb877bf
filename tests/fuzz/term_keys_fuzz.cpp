// The terminal escape-sequence decoder and the key table behind it, fed what
// a terminal (or a person pasting garbage) may send, in chunks of any size.
// Besides not crashing: a decode never claims more bytes than it was given,
// always makes progress when it must decide, and every key press it yields
// turns into at most two codes, never a bare 0 that would swallow the next key.
//
// Input: pairs of (chunk length, "no more bytes coming") bytes, then the chunk.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/keys.h"
#include "platform/term_keys.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

void CheckKey(const KeyPress& key) {
    int codes[2] = {};
    size_t count = KeyReadCodes(key, codes);
    if (count > 2) Finding("more than two codes for one key");
    if (count == 1 && codes[0] == 0) Finding("a lone 0: the prefix of an extended code without its code");
    if (count == 2 && (codes[0] != 0 || codes[1] == 0)) Finding("two codes that are not 0 and a scan code");
}

// The decoder alone, on the whole input at once.
void DecodeAll(const uint8_t* bytes, size_t size, bool final) {
    size_t at = 0;
    while (at < size) {
        TermDecodeResult r = DecodeTermKey(bytes + at, size - at, final);
        if (r.length > size - at) Finding("a decode took more bytes than it was given");
        if (r.status == TermNeedMore) {
            if (final) Finding("more bytes asked for after the last ones came");
            return;
        }
        if (r.length == 0) Finding("a decode that took no bytes");
        if (r.status == TermKeyDecoded) CheckKey(r.key);
        at += r.length;
    }
}

// The reader, as the console drives it: chunks arrive, keys are taken.
void ReadInChunks(FuzzInput* in) {
    TermReader reader;
    TermReaderReset(&reader);
    while (!FuzzInputEmpty(*in)) {
        size_t length = TakeByte(in) % (TermReaderCapacity + 8);
        bool final = (TakeByte(in) & 1) != 0;
        uint8_t chunk[TermReaderCapacity + 8];
        TakeBytes(in, chunk, length);
        size_t room = TermReaderRoom(reader);
        TermReaderAdd(&reader, chunk, length);
        if (reader.count > TermReaderCapacity || TermReaderRoom(reader) > room)
            Finding("the reader holds more than it has room for");
        KeyPress key{};
        for (size_t keys = 0; keys <= TermReaderCapacity; ++keys) {
            TermNextStatus status = TermReaderNext(&reader, final, &key);
            if (status != TermNextKey) {
                if (final && status == TermNextNeedMore) Finding("the reader waits after the last bytes came");
                break;
            }
            CheckKey(key);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodeAll(data, size, true);
    DecodeAll(data, size, false);
    FuzzInput input = FuzzInputOf(data, size);
    ReadInChunks(&input);
    return 0;
}

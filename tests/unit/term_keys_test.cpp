#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/term_keys.h"

namespace {

std::string KeyName(const KeyPress& key) {
    char text[16];
    if (key.hasCharacter) {
        std::snprintf(text, sizeof text, "c%02x", key.character);
        return text;
    }
    std::string name;
    if (key.modifiers & KeyCtrl) name += "C-";
    if (key.modifiers & KeyAlt) name += "A-";
    if (key.modifiers & KeyShift) name += "S-";
    switch (key.virtualKey) {
    case VkUp: return name + "Up";
    case VkDown: return name + "Down";
    case VkLeft: return name + "Left";
    case VkRight: return name + "Right";
    case VkHome: return name + "Home";
    case VkEnd: return name + "End";
    case VkPageUp: return name + "PgUp";
    case VkPageDown: return name + "PgDn";
    case VkInsert: return name + "Ins";
    case VkDelete: return name + "Del";
    default:
        if (key.virtualKey >= VkF1 && key.virtualKey <= VkF12) return name + "F" + std::to_string(key.virtualKey - VkF1 + 1);
        std::snprintf(text, sizeof text, "vk%02x", key.virtualKey);
        return name + text;
    }
}

// "name/length", "skip/length" or "more".
std::string Decode(const std::string& bytes, bool final) {
    TermDecodeResult r = DecodeTermKey(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), final);
    switch (r.status) {
    case TermNeedMore: return "more";
    case TermSkipped: return "skip/" + std::to_string(r.length);
    case TermKeyDecoded: return KeyName(r.key) + "/" + std::to_string(r.length);
    }
    return "?";
}

std::string Shown(const std::string& bytes) {
    std::string shown;
    for (unsigned char b : bytes) {
        char text[8];
        if (b >= 0x20 && b < 0x7F) {
            shown += static_cast<char>(b);
        } else {
            std::snprintf(text, sizeof text, "\\x%02x", b);
            shown += text;
        }
    }
    return shown;
}

struct DecodeCase {
    std::string bytes;
    std::string waiting;  // more bytes may follow
    std::string final;    // no more bytes follow
};

void Check(const std::vector<DecodeCase>& cases) {
    for (const DecodeCase& c : cases) {
        std::string shown = Shown(c.bytes);
        EXPECT_EQ(Decode(c.bytes, false), c.waiting) << shown;
        EXPECT_EQ(Decode(c.bytes, true), c.final) << shown << " (final)";
    }
}

TEST(TermKeys, Characters) {
    Check({
        {"y", "c79/1", "c79/1"},
        {"Yz", "c59/1", "c59/1"},
        {"\r", "c0d/1", "c0d/1"},
        {"\x03", "c03/1", "c03/1"},
        {"\x7f", "c08/1", "c08/1"},
        {std::string(1, '\0'), "skip/1", "skip/1"},
        {"", "more", "more"},
    });
}

TEST(TermKeys, HighCharactersAreUtf8WithLatin1ForWhatIsNot) {
    Check({
        {"\xc3\xa9", "ce9/2", "ce9/2"},
        {"\xc2\x80", "c80/2", "c80/2"},
        {"\xc3\xbf", "cff/2", "cff/2"},
        {"\xc4\x80", "skip/2", "skip/2"},  // U+0100 has no one-byte code
        {"\xe2\x82\xac", "skip/3", "skip/3"},
        {"\xf0\x9f\x98\x80", "skip/4", "skip/4"},
        {"\xc3", "more", "cc3/1"},
        {"\xe2\x82", "more", "ce2/1"},
        {"\xe9x", "ce9/1", "ce9/1"},  // Latin-1 é before x
        {"\xa9", "ca9/1", "ca9/1"},
        {"\xc0\x80", "cc0/1", "cc0/1"},  // overlong
        {"\xe0\x80\x80", "ce0/1", "ce0/1"},
        {"\xed\xa0\x80", "ced/1", "ced/1"},  // surrogate
        {"\xf4\x90\x80\x80", "cf4/1", "cf4/1"},
        {"\xff", "cff/1", "cff/1"},
    });
}

TEST(TermKeys, EscapeIsEscOnlyWhenNothingFollows) {
    Check({
        {"\x1b", "more", "c1b/1"},
        {"\x1bx", "c78/2", "c78/2"},  // Alt+x gives x
        {"\x1b\x7f", "c08/2", "c08/2"},
        {"\x1b\xc3\xa9", "ce9/3", "ce9/3"},
        {"\x1b\xc3", "more", "cc3/2"},
        {"\x1b\xe2\x82\xac", "skip/4", "skip/4"},
        {"\x1b\x1b", "more", "c1b/1"},
        {"\x1b\x1bx", "c1b/1", "c1b/1"},
        {"\x1b\x1b[A", "A-Up/4", "A-Up/4"},  // rxvt's Alt
        {"\x1b\x1b[", "more", "c1b/1"},
        {"\x1b\x1b[25~", "skip/6", "skip/6"},
        {"\x1b[", "more", "c5b/2"},
        {"\x1bO", "more", "c4f/2"},
    });
}

TEST(TermKeys, CursorKeys) {
    Check({
        {"\x1b[A", "Up/3", "Up/3"},
        {"\x1b[B", "Down/3", "Down/3"},
        {"\x1b[C", "Right/3", "Right/3"},
        {"\x1b[D", "Left/3", "Left/3"},
        {"\x1bOA", "Up/3", "Up/3"},
        {"\x1bOD", "Left/3", "Left/3"},
        {"\x1b[Ay", "Up/3", "Up/3"},
        {"\x1b[1;2D", "S-Left/6", "S-Left/6"},
        {"\x1b[1;3C", "A-Right/6", "A-Right/6"},
        {"\x1b[1;5A", "C-Up/6", "C-Up/6"},
        {"\x1b[1;8B", "C-A-S-Down/6", "C-A-S-Down/6"},
        {"\x1b[1;9A", "Up/6", "Up/6"},  // Meta is no modifier here
        {"\x1b[a", "S-Up/3", "S-Up/3"},
        {"\x1bOd", "C-Left/3", "C-Left/3"},
        {"\x1b[H", "Home/3", "Home/3"},
        {"\x1b[F", "End/3", "End/3"},
        {"\x1bOH", "Home/3", "Home/3"},
        {"\x1bOF", "End/3", "End/3"},
        {"\x1b[1;5H", "C-Home/6", "C-Home/6"},
        {"\x1b[1~", "Home/4", "Home/4"},
        {"\x1b[4~", "End/4", "End/4"},
        {"\x1b[7~", "Home/4", "Home/4"},
        {"\x1b[8~", "End/4", "End/4"},
        {"\x1b[2~", "Ins/4", "Ins/4"},
        {"\x1b[3~", "Del/4", "Del/4"},
        {"\x1b[5~", "PgUp/4", "PgUp/4"},
        {"\x1b[6~", "PgDn/4", "PgDn/4"},
        {"\x1b[3;5~", "C-Del/6", "C-Del/6"},
        {"\x1b[5;2~", "S-PgUp/6", "S-PgUp/6"},
        {"\x1b[2$", "S-Ins/4", "S-Ins/4"},
        {"\x1b[3^", "C-Del/4", "C-Del/4"},
        {"\x1b[5@", "C-S-PgUp/4", "C-S-PgUp/4"},
    });
}

TEST(TermKeys, FunctionKeys) {
    Check({
        {"\x1bOP", "F1/3", "F1/3"},
        {"\x1bOS", "F4/3", "F4/3"},
        {"\x1b[11~", "F1/5", "F1/5"},
        {"\x1b[14~", "F4/5", "F4/5"},
        {"\x1b[15~", "F5/5", "F5/5"},
        {"\x1b[17~", "F6/5", "F6/5"},
        {"\x1b[21~", "F10/5", "F10/5"},
        {"\x1b[23~", "F11/5", "F11/5"},
        {"\x1b[24~", "F12/5", "F12/5"},
        {"\x1b[[A", "F1/4", "F1/4"},
        {"\x1b[[E", "F5/4", "F5/4"},
        {"\x1b[1;2P", "S-F1/6", "S-F1/6"},
        {"\x1b[1;5S", "C-F4/6", "C-F4/6"},
        {"\x1b[15;3~", "A-F5/7", "A-F5/7"},
        {"\x1b[24;5~", "C-F12/7", "C-F12/7"},
        {"\x1bO2P", "S-F1/4", "S-F1/4"},
        {"\x1b[11^", "C-F1/5", "C-F1/5"},
    });
}

TEST(TermKeys, KeysWithCharactersSentAsSequences) {
    Check({
        {"\x1b[Z", "c09/3", "c09/3"},  // Shift+Tab
        {"\x1bOM", "c0d/3", "c0d/3"},  // keypad Enter
        {"\x1bOp", "c30/3", "c30/3"},
        {"\x1bOk", "c2b/3", "c2b/3"},
    });
}

TEST(TermKeys, UnknownSequencesAreConsumedWhole) {
    Check({
        {"\x1b[25~", "skip/5", "skip/5"},        // F13
        {"\x1b[200~", "skip/6", "skip/6"},       // start of a paste
        {"\x1b[<0;12;5M", "skip/10", "skip/10"}, // a mouse report
        {"\x1b[?1;2c", "skip/7", "skip/7"},
        {"\x1b[1;2;3A", "skip/8", "skip/8"},
        {"\x1b[1:2A", "skip/6", "skip/6"},
        {"\x1b[ q", "skip/4", "skip/4"},
        {"\x1b[[Z", "skip/4", "skip/4"},
        {"\x1b[E", "skip/3", "skip/3"},
        {"\x1bOX", "skip/3", "skip/3"},
        {"\x1b[99999999999~", "skip/14", "skip/14"},
        {"\x1b[4294967298~", "skip/13", "skip/13"},  // would wrap to 2 (Insert)
    });
}

TEST(TermKeys, UnfinishedAndBrokenSequences) {
    Check({
        {"\x1b[1;5", "more", "skip/5"},
        {"\x1b[[", "more", "skip/3"},
        {"\x1bO2", "more", "skip/3"},
        // Broken off by a byte that cannot go on: the part before it is dropped.
        {"\x1b[1\x1b[A", "skip/3", "skip/3"},
        {"\x1b[[\x1b", "skip/3", "skip/3"},
        {"\x1bO2\r", "skip/3", "skip/3"},
        // Broken off at once: it was Alt+[ or Alt+O.
        {"\x1b[\x01", "c5b/2", "c5b/2"},
        {"\x1bO\r", "c4f/2", "c4f/2"},
    });
}

// Feeds the stream through a reader as room allows, then says no more bytes
// come; returns the key presses taken.
std::vector<std::string> ReadAll(const std::string& stream) {
    TermReader reader;
    TermReaderReset(&reader);
    std::vector<std::string> keys;
    auto data = reinterpret_cast<const uint8_t*>(stream.data());
    size_t fed = 0;
    for (bool final = false;; final = fed == stream.size()) {
        size_t piece = std::min(TermReaderRoom(reader), stream.size() - fed);
        TermReaderAdd(&reader, data + fed, piece);
        fed += piece;
        KeyPress key{};
        TermNextStatus next;
        while ((next = TermReaderNext(&reader, final, &key)) == TermNextKey) keys.push_back(KeyName(key));
        if (final) {
            EXPECT_EQ(next, TermNextEmpty) << "bytes left undecided";
            return keys;
        }
    }
}

TEST(TermReader, TakesKeysInOrderAndLeaksNothingOfWhatItSkips) {
    using Keys = std::vector<std::string>;
    EXPECT_EQ(ReadAll("a\x1b[25~\x1b[A\xe2\x82\xac\x1bOPb\x1b"), (Keys{"c61", "Up", "F1", "c62", "c1b"}));
    EXPECT_EQ(ReadAll(std::string("\0\x1b[<0;1;1M\x1b[200~y", 17)), (Keys{"c79"}));
    // Longer than the reader holds: its tail is dropped as it comes.
    std::string huge = "\x1b[";
    for (int i = 0; i < 100; ++i) huge += "1;";
    EXPECT_EQ(ReadAll(huge + "Az"), (Keys{"c7a"}));
    EXPECT_EQ(ReadAll(huge + "\rz"), (Keys{"c0d", "c7a"}));
}

TEST(TermReader, WaitsForTheRestOfASequence) {
    TermReader reader;
    TermReaderReset(&reader);
    KeyPress key{};
    EXPECT_EQ(TermReaderNext(&reader, false, &key), TermNextEmpty);
    TermReaderAdd(&reader, reinterpret_cast<const uint8_t*>("y\x1b[1;"), 5);
    ASSERT_EQ(TermReaderNext(&reader, false, &key), TermNextKey);
    EXPECT_EQ(KeyName(key), "c79");
    EXPECT_EQ(TermReaderNext(&reader, false, &key), TermNextNeedMore);
    TermReaderAdd(&reader, reinterpret_cast<const uint8_t*>("5A"), 2);
    ASSERT_EQ(TermReaderNext(&reader, false, &key), TermNextKey);
    EXPECT_EQ(KeyName(key), "C-Up");
    TermReaderAdd(&reader, reinterpret_cast<const uint8_t*>("\x1b"), 1);
    EXPECT_EQ(TermReaderNext(&reader, false, &key), TermNextNeedMore);
    ASSERT_EQ(TermReaderNext(&reader, true, &key), TermNextKey);
    EXPECT_EQ(KeyName(key), "c1b");
    EXPECT_EQ(TermReaderNext(&reader, true, &key), TermNextEmpty);
}

}  // namespace

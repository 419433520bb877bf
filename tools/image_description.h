// The readable description from which a payload is built. One directive a
// line, applied in order to 65,536 bytes that start at zero; '#' begins a
// comment. Numbers are decimal or 0x hex; text with spaces goes in quotes.
//
//   fill ADDRESS COUNT BYTE              COUNT bytes set to BYTE
//   sequence ADDRESS COUNT FIRST STEP    FIRST, FIRST+STEP, ... modulo 256
//   text ADDRESS "TEXT"                  the characters, no terminator
//   bytes ADDRESS BYTE...                the bytes as listed
//   firmware-status VERSION MARKER       version (minor byte first) and
//                                        marker of the record at 0xD3F5
//   bootloader-info VERSION SIGNATURE    version (major byte first) and
//                                        signature of the record at 0xD800
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds the unscrambled 65,536 bytes that `text` describes. False with a
// message naming the line in `error` on the first malformed directive;
// `source` names the description in that message.
bool BuildFromDescription(const std::string& text, const char* source, std::vector<uint8_t>* plain,
                          std::string* error);

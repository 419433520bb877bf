// Whole files in and out, for the image tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads `path` whole into `bytes`. Files longer than `limit` are not read to
// the end: `bytes` then holds limit + 1 bytes, enough to say "too long".
// False with a message in `error` when the file cannot be read.
bool ReadWholeFile(const char* path, size_t limit, std::vector<uint8_t>* bytes, std::string* error);

// Writes `bytes` to `path`; on failure nothing is left under that name.
bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, std::string* error);

// The controller's memory read back through its read frames, 64 bytes a
// frame, with progress.
#pragma once

#include <cstdint>

enum : uint32_t { ControllerMemorySize = 65536 };

// Reads `length` bytes from `start` on into `destination`. `progressBase` is
// how much of the progress line's total came before this range. False at the
// first frame that fails, its address in *failedAt.
bool ReadControllerRange(uint32_t start, uint32_t length, uint8_t* destination, uint64_t progressBase,
                         uint32_t* failedAt);

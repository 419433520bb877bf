// The console seam for the fault sweep: keys come from a script instead of a
// terminal, so that a whole update runs in-process with nobody typing.
#pragma once

#include <cstdint>

// The keys that the next reads return, in order; once they are used up,
// every read returns 'x' (which ends any closing wait).
void ScriptKeys(const char* keys);

// From `ms` on the virtual clock, a person waiting for a recorder that does
// not come gives up: the device wait sees a key, and reads Esc. 0: never.
void ScriptEscapeFrom(uint64_t ms);

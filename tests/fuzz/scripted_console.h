// The person at the keyboard and the single-instance lock, for fuzz targets
// that run the whole updater in-process: the console seam (platform/console.h)
// answers the questions from a script of keys, and the lock seam
// (platform/lock.h) from a setting. A person waiting for a recorder gives up
// with Esc after a while on the virtual clock.
#pragma once

#include <cstdint>

enum : uint64_t { ScriptedGiveUpMs = 120000 };

// `keys`: the keys of the questions, in order; once used up, every further
// read is 'x' (a key that answers no question).
void ScriptedConsoleStart(const char* keys, bool lockHeldElsewhere);

// The console seam for the fault sweep: keys come from a script instead of a
// terminal, so that a whole update runs in-process with nobody typing.
#pragma once

// The keys that the next reads return, in order; once they are used up,
// every read returns 'x' (which ends any closing wait).
void ScriptKeys(const char* keys);

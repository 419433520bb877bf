// Progress of a long read, on one line that is rewritten: percentage, speed
// and time left. Shown only where a person watches (standard output is a
// terminal, and the output is not JSON); elsewhere every call does nothing.
#pragma once

#include <cstdint>

// Decided once, before anything is printed.
void ProgressEnable(bool enabled);

void ProgressBegin(const char* what, uint64_t totalBytes);
void ProgressUpdate(uint64_t doneBytes);
// Clears the line, so that what follows starts on a clean one.
void ProgressEnd();

// The console's state for the whole run.
#pragma once

#include <cstddef>

enum : size_t { ProgramPathSize = 255 };  // characters, terminator included

struct UpdateOptions {
    bool diagnostic;        // DIAG
    bool eraseAfterUpdate;  // cleared by NOERASE
    bool skipBootLoader;    // SKIPBLR
};

// The full path of the program's own file (the image store opens it).
extern char ProgramPath[ProgramPathSize];
extern UpdateOptions Options;
// The recorder's drive path, found once by the first successful connection
// test and probed by every later one. Never freed: it lives until exit.
extern char* RecorderPath;

// Back to the state of a fresh process (tests start from it).
void ConsoleResetState();

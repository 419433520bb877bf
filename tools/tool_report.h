// What vokari-tool prints: its exit codes, its one-line errors, and the
// pieces of text and JSON that its commands share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/tool_args.h"

enum ToolExit : int {
    ToolExitDone = 0,        // done; verify: everything matches
    ToolExitDiffers = 1,     // verify found a difference
    ToolExitError = 2,       // a mistake on the command line, a file, a failed read
    ToolExitNoRecorder = 3,  // no recorder on the drives looked at
    ToolExitLocked = 4,      // another recorder application holds the lock
};

// Version of the JSON documents' layout: raised when a field changes meaning
// or goes away, not when one is added.
enum : int { ToolJsonVersion = 1 };

// The command whose output follows, and whether it is JSON; errors name it.
void ReportBegin(ToolCommand command, bool json);
bool ReportJson();

// One line on standard error, "vokari-tool: ..."; with --json also a
// document on standard output that carries the same text, so that a script
// reading the output always gets JSON. Returns `code`.
int ReportFailure(ToolExit code, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// `{"version":1,"command":"NAME"` with no closing brace: the command adds
// its fields and closes it.
void PrintJsonHead();

// Bytes from the recorder, which may be anything: a JSON string (quoted,
// escaped) or, for the text, quoted with \xNN for what is not printable.
void PrintJsonBytes(const uint8_t* bytes, size_t count);
void PrintTextBytes(const uint8_t* bytes, size_t count);
void PrintJsonString(const char* text);

// A version held as major * 256 + minor, as "major.minor".
void FormatVersion(uint16_t version, char* text, size_t size);

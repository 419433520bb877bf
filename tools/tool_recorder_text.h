// How a recorder is named and described in vokari-tool's output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/tool_recorders.h"

// `\\.\PHYSICALDRIVE1 (/dev/sg1)`, or the path alone where it is the name.
void PrintRecorderName(const RecorderInfo& info);
// `"drive":1,"path":"...","node":"..."` (node null where the path is the name).
void PrintJsonRecorderName(const RecorderInfo& info);

// A size in the largest binary unit that holds it whole: "256 MiB", "2048 bytes".
void FormatSize(uint64_t bytes, char* text, size_t size);

// Selects the recorder the arguments name, or says there is none. Returns
// ToolExitDone when one was found.
int SelectNamedRecorder(int drive, RecorderInfo* info);

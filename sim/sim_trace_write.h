// Internal to the simulator: recording the trace.
#pragma once

#include <cstdint>

#include "platform/drive.h"

bool SimTraceOpen(const char* path);
void SimTraceClose();
void SimTraceFailedOpen(const char* path);
enum SimTraceOrigin : int { TracedUpdater = 0, TracedHost = 1 };
void SimTraceCommand(uint64_t t, int slot, const ScsiRequest& request, const ScsiOutcome& outcome,
                     uint32_t bytesIn, SimTraceOrigin origin);

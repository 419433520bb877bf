// A hostile drive: the drive seam (platform/drive.h) in front of the
// simulated recorder, answering every open and command as the fuzzer's bytes
// say. The bytes are a plan of acts: "let N operations (of one kind: opens,
// commands, restart frames, INQUIRYs...) through to the recorder, then do
// this to the next one", over and over; once the plan runs out, the recorder
// answers for itself. Acts include answers the recorder
// never gave (failures, other statuses, GOOD with made-up data of any
// length), answers that hide what it did (carried out but reported failed,
// data corrupted, transfers cut short) and the drive vanishing for a while.
//
// Time is the simulator's virtual clock; an act that answers in the
// recorder's place costs the same virtual millisecond a command does.
#pragma once

#include <cstdint>

#include "tests/fuzz/fuzz_input.h"

// Takes the plan from the rest of `plan` (which must outlive the run).
void HostileDriveStart(FuzzInput* plan);

// Beyond this much virtual time a run is taken to hang.
enum : uint64_t { HostileRunLimitMs = 4ull * 3600 * 1000 };

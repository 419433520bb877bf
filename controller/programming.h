// Writing a whole update image into the microcontroller, and restarting it.
#pragma once

#include <cstdint>

enum : uint32_t {
    ProgrammedBlocks = 53,
    ProgrammedBlockSize = 1024,
    ProgrammedChunkSize = 32,
    ProgrammingAttempts = 5,
    FailedAttemptPauseMs = 500,
    AttemptPauseMs = 50,
    RestartGoneLimitMs = 30000,  // the recorder must vanish within this
    RestartBackLimitMs = 60000,  // and come back within this after vanishing
};

// Progress marks: '.' a block finished, '!' an attempt failed. The console
// prints them; nothing below it does.
using ProgressMark = void (*)(char mark);

// Writes the first 53 x 1,024 bytes of `image` (offset = controller address),
// each block opened by BeginBlock and filled by 32 WriteMemory chunks, each
// frame with up to 5 attempts. True when all 53 blocks were written.
bool ProgramImage(const uint8_t* image, ProgressMark mark);

enum RestartResult : int {
    RestartDone = 0,
    RestartNeverWentAway = 1,  // still there 30 s after the restart frame
    RestartNeverCameBack = 2,  // gone, but not back within 60 s
    RestartBackWithoutPermission = 3,  // not back within 60 s, but the system
                                       // shows the recorder on a node that refuses us
};

// Sends the restart frame, then waits (polling Vkr_IsConnected(recorderPath)
// back to back) until the recorder has been seen gone and then back. Without
// a path to watch (null, or no recorder found yet) nothing is sent and the
// result is RestartNeverWentAway.
RestartResult RestartAndReconnect(char** recorderPath);

// The bulk side of the function: reads each command block wrapper, lets the
// simulated recorder carry the command, moves the data and answers with the
// status wrapper. A restart of the recorder's controller is a real unplug,
// and its return a real plug-in.
#pragma once

#include <pthread.h>

struct FfsFunction;
struct GadgetSetup;

struct BotServer {
    FfsFunction* function;
    const GadgetSetup* gadget;
    // Held while the simulated recorder carries a command, and by whoever
    // ends the program, so that the state is saved between two commands.
    pthread_mutex_t* simLock;
};

// Plugs the function in once the recorder is there, then serves for ever;
// run on a thread of its own.
void* BotServe(void* server);

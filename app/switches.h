// The command-line switches DIAG, NOERASE and SKIPBLR.
#pragma once

#include "app/console_state.h"

// Reads argv[1..argc-1] into *options. Each argument is upper-cased in place
// (a-z only) and must equal a switch exactly; anything else is ignored.
void ReadSwitches(int argc, char** argv, UpdateOptions* options);

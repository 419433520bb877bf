// Interrupt seam: holding off the requests that end the program (Ctrl+C, the
// terminal hanging up, a termination request) while the recorder is being
// programmed, which such a request would leave half written.
//
// Linux (linux/interrupts_linux.cpp): SIGINT, SIGHUP, SIGTERM and SIGQUIT are
// caught for the hold. Windows: a console control handler that answers TRUE
// for the control events, installed for the hold.
#pragma once

// From now on a request to end the program is noted, not acted on; the first
// one shows `notice` once on the screen (it is kept, not copied). Holding
// again while held changes nothing.
void InterruptsHold(const char* notice);

// True when a request came during the current hold.
bool InterruptRequested();

// Ends the hold. A request that came during it now ends the program as it
// would have then (what was printed is flushed first); otherwise nothing
// happens. Releasing without a hold changes nothing.
void InterruptsRelease();

// Interrupt seam: holding off the requests that end the program (Ctrl+C, the
// terminal hanging up, a termination request) while the recorder is being
// programmed, which such a request would leave half written.
//
// Linux (linux/interrupts_linux.cpp): SIGINT, SIGHUP, SIGTERM and SIGQUIT are
// caught for the hold; a held one is raised again at the release, so the
// program ends as that signal ends it (130 in a shell for Ctrl+C).
// Windows (windows/interrupts_windows.cpp): a console control handler that
// answers TRUE for Ctrl+C and Ctrl+Break, installed for the hold; a held one
// ends the program at the release with STATUS_CONTROL_C_EXIT (0xC000013A),
// the code Windows gives a program that Ctrl+C ended, so that a caller sees
// the same whether or not the request came during a hold. A closed console
// window, log-off or shut-down cannot be held there: Windows ends the
// process a few seconds later whatever the handler answers.
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

// The interrupt hold's console control handler on Windows
// (interrupts_windows.cpp), named here so that a test can hand it the events
// that Wine does not deliver from a terminal.
#pragma once

#include <windows.h>

// TRUE during a hold: the event is noted (the first one shows the notice)
// and goes no further. Outside a hold FALSE, so that the next handler ends
// the program. For a close, log-off or shut-down event, which Windows
// follows with the end of the process whatever the answer, it waits for the
// release first.
BOOL WINAPI InterruptsOnControlEvent(DWORD event);

// What happens to the console on Ctrl+C, Ctrl+Break and a closed window.
#pragma once

#include <windows.h>

// From now on, an end by Ctrl+C, Ctrl+Break, a closed console window, log-off
// or shut-down first gives `input` back `mode` (the mode found at start),
// then lets Windows end the process its default way. Ctrl+C reaches this only
// outside a key read: during one the input is raw and Ctrl+C is the key 3.
void ConsoleControlBegin(HANDLE input, DWORD mode);

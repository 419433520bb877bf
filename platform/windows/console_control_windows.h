// What happens when the program is ended from outside on Windows: Ctrl+C,
// Ctrl+Break, a closed console window, log-off or shut-down. One console
// control handler runs the actions registered here (the console's input mode
// put back, buffered output written out, the simulated recorder saved), then
// lets Windows end the process its default way, with STATUS_CONTROL_C_EXIT.
//
// The handler runs in a thread of its own that Windows starts for the event:
// an action may take locks and wait for the main thread (unlike a POSIX
// signal handler), and must leave nothing for the main thread to finish.
#pragma once

#include <windows.h>

// The exit code of a process that a control event ended.
constexpr DWORD ControlEventExitCode = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// Installs the handler (once; calling again changes nothing). Ctrl+C reaches
// it only outside a key read: during one the input is raw and Ctrl+C is the
// key 3.
void ConsoleControlBegin();

// Runs `action` when the program is being ended by a control event or by
// ConsoleControlEnd, before it ends; the last one added runs first. Up to
// ConsoleControlActionLimit actions; false, and nothing added, beyond.
enum : unsigned { ConsoleControlActionLimit = 8 };
bool ConsoleControlAtEnd(void (*action)());

// Ends the program now as a control event would have: the actions, then
// ExitProcess(ControlEventExitCode). For a request that was held off.
[[noreturn]] void ConsoleControlEnd();

// Console seam: raw single-key input and the kind of standard output.
//
// Keys are reported the way the PC BIOS keyboard reports them: a key with a
// character gives that character (as a signed byte, so 128..255 come back
// negative); a key without one gives 0 on one read and its scan code on the
// next. The codes come from the key table in keys.h.
#pragma once

// Takes the keyboard for the rest of the run: keys are no longer echoed and
// wait, unread, until a read takes them. Called once at start; the previous
// terminal mode comes back when the process ends.
void ConsoleBegin();

// Blocks until a key is pressed. -1 at once when there is no console (also
// before ConsoleBegin, so that nothing but the program proper takes keys).
int ConsoleReadKey();

// True when a key press that ConsoleReadKey would report is waiting, or the
// second half of an extended key is pending. Removes nothing. Never blocks.
bool ConsoleKeyWaiting();

// True when standard output is a terminal (unbuffered output), false when it
// is redirected to a file or a pipe. Called once, before anything is
// written; it also makes the bytes written the bytes that arrive (on Windows,
// standard output goes into binary mode).
bool ConsoleOutputIsTerminal();

// The block buffer given to setvbuf for standard output (null: none). When a
// signal (Windows: a console control event) ends the process, what it holds
// is written out first, so that text already printed is never lost.
void ConsoleKeepOutputBuffer(const char* buffer);

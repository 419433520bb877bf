// A real program started the way a person starts it: on a terminal of its
// own, typed at, its output read as it comes.
//
// The terminal is a pseudo-terminal with the line discipline's defaults
// (echo, line editing, signals), except that output post-processing is off:
// no "\n" becomes "\r\n", so the output kept here is exactly the bytes the
// program wrote. A program that does not take the keyboard for itself shows
// it by echoing what is typed.
//
// Every wait has a time-out, so a program that hangs fails the test instead
// of hanging the test run; a child still running when its PtyProcess goes
// away is killed. Nothing here depends on GoogleTest, so benchmarks use it
// too.
//
// A Windows program runs the same way under Wine (a launcher), with standard
// input on the terminal, so that Wine gives it a console to read keys from,
// and standard output through a pipe: Wine's console host re-renders what
// reaches the terminal, a pipe gets the program's own bytes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

enum : int {
    DefaultTimeoutMs = 10000,
    // Terminal key decoders take ESC followed quickly by another byte for
    // Alt+key or an escape sequence: keys go out at least this far apart.
    KeyGapMs = 50,
    ExitTimedOut = -1,  // WaitExit: still running when the time was up
    ExitUnknown = -2,   // WaitExit: no child, or waitpid failed
};

// Keys as a terminal sends them. Each is written in one piece.
inline constexpr char KeyEscape[] = "\x1b";
inline constexpr char KeyEnter[] = "\r";
inline constexpr char KeyCtrlC[] = "\x03";
inline constexpr char KeyUp[] = "\x1b[A";
inline constexpr char KeyF1[] = "\x1bOP";

struct LaunchOptions {
    // False: the program runs in a session of its own with no controlling
    // terminal (no /dev/tty) and standard input from /dev/null; its output
    // still goes to the pseudo-terminal.
    bool controllingTerminal = true;
    // Non-empty: standard output goes to this file (created or truncated)
    // instead of the terminal. Standard error stays on the terminal.
    std::string stdoutFile;
    // Standard output through a pipe: Output() is what came through it, and
    // the program has ended when the pipe closes. What reaches the terminal
    // is kept apart (TerminalOutput()).
    bool stdoutPipe = false;
    // Non-empty: the command that starts the program, which follows it with
    // its arguments (an absolute path first: wine64 for a Windows program).
    std::vector<std::string> launcher;
};

class PtyProcess {
public:
    PtyProcess() = default;
    ~PtyProcess();
    PtyProcess(const PtyProcess&) = delete;
    PtyProcess& operator=(const PtyProcess&) = delete;

    // Starts `program` with `args` (argv[1] on). False when the terminal or
    // the process could not be made; an exec failure shows as exit code 127.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const LaunchOptions& options = {});

    // Reads output until `text` has appeared anywhere in it. False when the
    // program ended, or the time ran out, without it.
    bool WaitFor(const std::string& text, int timeoutMs = DefaultTimeoutMs);

    // Types one key: one write of its bytes, at least KeyGapMs after the
    // previous key.
    void Press(const std::string& key);

    // Reads output until the program ends and returns its exit code (128 +
    // the signal number when a signal ended it), or ExitTimedOut.
    int WaitExit(int timeoutMs = DefaultTimeoutMs);

    // Reads output for `ms` and tells whether the program is still running
    // at the end of it.
    bool StaysRunningFor(int ms);

    // Waits until the program has stopped itself (SIGSTOP), then reads all
    // that it wrote before. False when it ended, or the time ran out, first.
    bool WaitStopped(int timeoutMs = DefaultTimeoutMs);

    // Lets a stopped program go on (SIGCONT).
    void Continue();

    // Everything the program has written so far (as far as read).
    const std::string& Output() const { return output_; }
    // With stdoutPipe: what reached the terminal instead.
    const std::string& TerminalOutput() const { return terminal_; }

    pid_t Pid() const { return pid_; }

    // Whether the terminal echoes and edits lines, as a shell expects it:
    // now, or, once the program has ended, as the program left it.
    bool TerminalIsCooked() const;

    // Ends the program at once (SIGKILL) and reaps it.
    void Kill();

    // Sleeps `ms` milliseconds.
    static void Pause(long long ms);

private:
    // Reads what is there, waiting at most `waitMs` for the first byte.
    // Returns false once the terminal has been closed by every writer.
    bool Pump(int waitMs);
    bool Reap(bool block);
    // Whether the program's output can still come: its terminal or its pipe.
    bool OutputOpen() const { return pipe_ >= 0 || (!piped_ && master_ >= 0); }
    void CloseMaster();

    int master_ = -1;
    int pipe_ = -1;  // read end of the standard output pipe
    bool piped_ = false;
    pid_t pid_ = -1;
    bool exited_ = false;
    int exitCode_ = ExitUnknown;
    long long lastKeyMs_ = 0;
    bool cookedAtClose_ = false;
    std::string output_;
    std::string terminal_;
};

// Milliseconds on the monotonic clock.
long long NowMs();

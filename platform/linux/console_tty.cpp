// Keys from the terminal on Linux. Input comes from /dev/tty, not from
// standard input, so redirecting standard input never answers a prompt. What
// the bytes mean is decided in term_keys and keys; this file only moves them.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <initializer_list>

#include "platform/console.h"
#include "platform/keys.h"
#include "platform/term_keys.h"

namespace {

// How long the bytes of one key press may lie apart. A lone ESC is the Esc
// key only when nothing follows it within this time.
constexpr int64_t SequenceGapMs = 30;

int tty = -1;
termios original;  // the mode found at start, put back on every way out
termios runMode;   // the rest of the run: keys typed meanwhile wait unechoed
termios readMode;  // during a key read: Ctrl+C, Ctrl+S and Ctrl+Q are keys too

const char* outputBuffer;  // standard output's block buffer, if it has one

TermReader reader;
int64_t lastByteMs;
// Codes of the key press being reported (an extended key gives two).
int codes[2];
size_t codeCount;
size_t codeNext;

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void RestoreOriginalMode() {
    if (tty >= 0) tcsetattr(tty, TCSANOW, &original);
}

// stdio fills a buffer given to setvbuf from its start, and __fpending only
// reads how far: write(2) then takes the bytes out without stdio's locks.
void WritePendingOutput() {
    if (outputBuffer == nullptr) return;
    size_t pending = __fpending(stdout);
    while (pending > 0) {
        ssize_t written = write(STDOUT_FILENO, outputBuffer, pending);
        if (written <= 0) return;
        outputBuffer += written;
        pending -= static_cast<size_t>(written);
    }
}

// SA_RESETHAND has made the action the default again; the signal raised here
// is blocked until the handler returns and then ends the process as usual.
void OnFatalSignal(int signalNumber) {
    RestoreOriginalMode();
    WritePendingOutput();
    raise(signalNumber);
}

void CatchFatalSignals() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) != 0) continue;
        // Ignored by whoever started us (nohup, a background job): stays so.
        if (previous.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = OnFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &action, nullptr);
    }
}

enum Intake { BytesTaken, NothingYet, TerminalGone };

// Waits up to timeoutMs (-1: as long as it takes) for bytes and keeps them.
Intake TakeBytes(int timeoutMs) {
    size_t room = TermReaderRoom(reader);
    if (room == 0) return NothingYet;
    pollfd ready = {tty, POLLIN, 0};
    int events = poll(&ready, 1, timeoutMs);
    if (events < 0) return errno == EINTR ? NothingYet : TerminalGone;
    if (events == 0) return NothingYet;
    uint8_t bytes[TermReaderCapacity];
    ssize_t got = read(tty, bytes, room);
    if (got < 0) return errno == EINTR || errno == EAGAIN ? NothingYet : TerminalGone;
    if (got == 0) return TerminalGone;  // hung up
    TermReaderAdd(&reader, bytes, static_cast<size_t>(got));
    lastByteMs = NowMs();
    return BytesTaken;
}

enum Fetch { CodesReady, NoKeyYet, NoTerminal };

// Decodes key presses until one has codes. Without `wait` it takes only the
// bytes already there and leaves an unfinished sequence for a later call.
Fetch FetchCodes(bool wait) {
    for (;;) {
        int64_t quietMs = NowMs() - lastByteMs;
        KeyPress key{};
        TermNextStatus next = TermReaderNext(&reader, quietMs >= SequenceGapMs, &key);
        if (next == TermNextKey) {
            codeCount = KeyReadCodes(key, codes);
            codeNext = 0;
            if (codeCount != 0) return CodesReady;
            continue;  // a key the table has no code for
        }
        int timeoutMs = -1;
        if (!wait) timeoutMs = 0;
        else if (next == TermNextNeedMore) timeoutMs = static_cast<int>(SequenceGapMs - quietMs);
        Intake intake = TakeBytes(timeoutMs);
        if (intake == TerminalGone) return NoTerminal;
        if (intake == NothingYet && !wait) return NoKeyYet;
    }
}

}  // namespace

void ConsoleBegin() {
    if (tty >= 0) return;
    // Also without a terminal: the handler keeps the output.
    CatchFatalSignals();
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (tcgetattr(fd, &original) != 0) {
        close(fd);
        return;
    }
    runMode = original;
    runMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    // Input translations would change a key typed ahead (Enter into 10),
    // unlike the same key typed during a read.
    runMode.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP);
    runMode.c_cc[VMIN] = 1;
    runMode.c_cc[VTIME] = 0;
    readMode = runMode;
    readMode.c_lflag &= ~static_cast<tcflag_t>(ISIG | IEXTEN);
    readMode.c_iflag &= ~static_cast<tcflag_t>(IXON);

    tty = fd;
    TermReaderReset(&reader);
    codeCount = codeNext = 0;
    atexit(RestoreOriginalMode);
    tcsetattr(tty, TCSANOW, &runMode);
}

int ConsoleReadKey() {
    if (tty < 0) return -1;
    if (codeNext < codeCount) return codes[codeNext++];
    tcsetattr(tty, TCSANOW, &readMode);
    Fetch fetched = FetchCodes(true);
    tcsetattr(tty, TCSANOW, &runMode);
    if (fetched != CodesReady) return -1;
    return codes[codeNext++];
}

bool ConsoleKeyWaiting() {
    if (tty < 0) return false;
    if (codeNext < codeCount) return true;
    return FetchCodes(false) == CodesReady;
}

bool ConsoleOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

void ConsoleKeepOutputBuffer(const char* buffer) { outputBuffer = buffer; }

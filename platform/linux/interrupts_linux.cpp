// Holding off the signals that end the program, on Linux. For the hold each
// of them gets a handler that notes it and shows the notice; the release
// puts back whatever handled the signal before (the console's, which puts
// the terminal back, or the default) and raises a noted one again.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/interrupts.h"

namespace {

constexpr int HeldSignals[] = {SIGINT, SIGHUP, SIGTERM, SIGQUIT};

bool holding = false;
struct sigaction previous[NSIG];
bool caught[NSIG];
const char* noticeText = "";
size_t noticeLength = 0;
int noticeFd = STDOUT_FILENO;
volatile sig_atomic_t requested = 0;

void OnRequest(int signalNumber) {
    if (requested != 0) return;
    requested = signalNumber;
    ssize_t written = write(noticeFd, noticeText, noticeLength);
    (void)written;  // nothing more can be done for the notice
}

}  // namespace

void InterruptsHold(const char* notice) {
    if (holding) return;
    holding = true;
    requested = 0;
    noticeText = notice != nullptr ? notice : "";
    noticeLength = std::strlen(noticeText);
    // Redirected output is buffered and may go to a file: the person sees the
    // notice on the terminal's other stream.
    noticeFd = isatty(STDOUT_FILENO) == 1 ? STDOUT_FILENO : STDERR_FILENO;
    for (int signalNumber : HeldSignals) {
        caught[signalNumber] = false;
        if (sigaction(signalNumber, nullptr, &previous[signalNumber]) != 0) continue;
        // Ignored by whoever started us (nohup): it ends nothing anyway.
        if (previous[signalNumber].sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnRequest;
        sigfillset(&action.sa_mask);
        // The drive's and the terminal's calls go on as if nothing came.
        action.sa_flags = SA_RESTART;
        caught[signalNumber] = sigaction(signalNumber, &action, nullptr) == 0;
    }
}

bool InterruptRequested() { return requested != 0; }

void InterruptsRelease() {
    if (!holding) return;
    holding = false;
    for (int signalNumber : HeldSignals)
        if (caught[signalNumber]) sigaction(signalNumber, &previous[signalNumber], nullptr);
    int signalNumber = requested;
    if (signalNumber == 0) return;
    requested = 0;
    std::fflush(stdout);
    raise(signalNumber);
}

// A signal that ends vokari-update-sim (Ctrl+C, a closed terminal, kill) ends
// the program on the PC, not the recorder: what was written to the recorder
// stays written, so the state file is saved before the program ends the way
// the signal says.
//
// The handler saves at once, unless a command is being carried out: the
// recorder is then half changed, and the save follows the command. Either
// way the signal then goes on to whoever handled it before (the console,
// which puts the terminal back), or to its default.
#include <signal.h>

#include <initializer_list>

#include "sim/sim_signals.h"
#include "sim/sim_state.h"

namespace {

const char* savePath = nullptr;
struct sigaction previous[NSIG];
volatile sig_atomic_t inCommand = 0;
volatile sig_atomic_t pendingSignal = 0;

void SaveAndEnd(int signalNumber) {
    pendingSignal = 0;
    SimStateSaveNow(savePath);
    sigaction(signalNumber, &previous[signalNumber], nullptr);
    // From the handler, the signal stays blocked until it returns and then
    // reaches the handling put back here.
    raise(signalNumber);
}

void OnEndingSignal(int signalNumber) {
    if (inCommand != 0) {
        pendingSignal = signalNumber;
        return;
    }
    SaveAndEnd(signalNumber);
}

}  // namespace

void SimSaveOnEndingSignals(const char* statePath) {
    savePath = statePath;
    if (savePath == nullptr) return;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        if (sigaction(signalNumber, nullptr, &previous[signalNumber]) != 0) continue;
        // Ignored by whoever started us (nohup): it ends nothing.
        if (previous[signalNumber].sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        sigfillset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

void SimCommandBegins() { inCommand = 1; }

void SimCommandEnds() {
    inCommand = 0;
    if (pendingSignal != 0) SaveAndEnd(pendingSignal);
}

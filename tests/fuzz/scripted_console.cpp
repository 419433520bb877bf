#include "tests/fuzz/scripted_console.h"

#include "platform/console.h"
#include "platform/lock.h"
#include "sim/sim.h"

namespace {

const char* script = "";
bool escPending = false;
bool lockHeld = false;

}  // namespace

void ScriptedConsoleStart(const char* keys, bool lockHeldElsewhere) {
    script = keys;
    escPending = false;
    lockHeld = lockHeldElsewhere;
}

void ConsoleBegin() {}

int ConsoleReadKey() {
    if (escPending) {
        escPending = false;
        return 27;
    }
    if (*script == '\0') return 'x';
    return *script++;
}

// Only the device wait asks; past the give-up time the person presses Esc.
bool ConsoleKeyWaiting() {
    if (SimNowMs() >= ScriptedGiveUpMs) escPending = true;
    return escPending;
}

bool ConsoleOutputIsTerminal() { return false; }

void ConsoleKeepOutputBuffer(const char*) {}

LockResult LockAcquire(const char*) { return lockHeld ? LockHeldElsewhere : LockAcquired; }

// The console seam (platform/console.h) answered from a script. Linked into
// the sweep in place of the terminal's console.
#include "tests/sweep/scripted_console.h"

#include "platform/console.h"
#include "sim/sim.h"

namespace {

const char* script = "";
uint64_t escapeFromMs = 0;
bool escapePending = false;

}  // namespace

void ScriptKeys(const char* keys) {
    script = keys != nullptr ? keys : "";
    escapeFromMs = 0;
    escapePending = false;
}

void ScriptEscapeFrom(uint64_t ms) { escapeFromMs = ms; }

void ConsoleBegin() {}

int ConsoleReadKey() {
    if (escapePending) {
        escapePending = false;
        return 27;
    }
    return *script != '\0' ? *script++ : 'x';
}

// Only the device wait asks. Without an escape time it never sees a key: a
// recorder that is not found at once is waited for until the virtual clock
// says otherwise.
bool ConsoleKeyWaiting() {
    if (escapeFromMs != 0 && SimNowMs() >= escapeFromMs) escapePending = true;
    return escapePending;
}

bool ConsoleOutputIsTerminal() { return false; }

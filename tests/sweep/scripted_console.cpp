// The console seam (platform/console.h) answered from a script. Linked into
// the sweep in place of the terminal's console.
#include "tests/sweep/scripted_console.h"

#include "platform/console.h"

namespace {

const char* script = "";

}  // namespace

void ScriptKeys(const char* keys) { script = keys != nullptr ? keys : ""; }

void ConsoleBegin() {}

int ConsoleReadKey() { return *script != '\0' ? *script++ : 'x'; }

// The device wait never sees a key: a recorder that is not found at once is
// waited for until the virtual clock says otherwise.
bool ConsoleKeyWaiting() { return false; }

bool ConsoleOutputIsTerminal() { return false; }

// Placeholder console: behaves as if there were no terminal.
#include <unistd.h>

#include "platform/console.h"

void ConsoleBegin() {}
int ConsoleReadKey() { return -1; }
bool ConsoleKeyWaiting() { return false; }
bool ConsoleOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

#include "app/console_state.h"

#include <cstdlib>

char ProgramPath[ProgramPathSize];
UpdateOptions Options = {false, true, false};
char* RecorderPath = nullptr;

void ConsoleResetState() {
    ProgramPath[0] = '\0';
    Options = {false, true, false};
    std::free(RecorderPath);
    RecorderPath = nullptr;
}

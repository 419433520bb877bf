#include "platform/command_line.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const char* CommandLineArguments(const char* commandLine) {
    if (commandLine == nullptr) return "";
    const char* p = commandLine;
    // The program's name has no escapes: a quote opens it and the next one
    // closes it, whatever comes before.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    }
    while (*p != '\0' && !Blank(*p)) ++p;
    while (Blank(*p)) ++p;
    return p;
}

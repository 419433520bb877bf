#include "app/switches.h"

#include <cstring>

namespace {

void UpperCaseInPlace(char* text) {
    for (char* p = text; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

}  // namespace

void ReadSwitches(int argc, char** argv, UpdateOptions* options) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        UpperCaseInPlace(argv[i]);
        if (std::strcmp(argv[i], "DIAG") == 0) options->diagnostic = true;
        if (std::strcmp(argv[i], "NOERASE") == 0) options->eraseAfterUpdate = false;
        if (std::strcmp(argv[i], "SKIPBLR") == 0) options->skipBootLoader = true;
    }
}

#include "tools/tool_args.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/discovery.h"

namespace {

struct NamedCommand {
    const char* name;
    ToolCommand command;
    bool takesFile;
};

const NamedCommand Commands[] = {
    {"list", CommandList, false},
    {"verify", CommandVerify, false},
    {"read-flash", CommandReadFlash, true},
    {"read-controller", CommandReadController, true},
};

bool Fail(char* error, size_t size, const char* format, const char* what) {
    std::snprintf(error, size, format, what);
    return false;
}

// Decimal or 0x hex, the whole argument, within 32 bits.
bool ParseNumber(const char* text, uint32_t* value) {
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || parsed > UINT32_MAX) return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

const NamedCommand* FindCommand(const char* name) {
    for (const NamedCommand& c : Commands)
        if (std::strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

}  // namespace

const char* ToolCommandName(ToolCommand command) {
    for (const NamedCommand& c : Commands)
        if (c.command == command) return c.name;
    return "";
}

bool ParseToolArgs(int argc, char** argv, ToolArgs* args, char* error, size_t errorSize) {
    *args = ToolArgs{};
    args->drive = AnyDrive;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) args->command = CommandHelp;
        if (std::strcmp(argv[i], "--version") == 0 && args->command != CommandHelp)
            args->command = CommandVersion;
    }
    if (args->command != CommandNone) return true;

    const NamedCommand* command = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool hasValue = std::strcmp(arg, "--drive") == 0 || std::strcmp(arg, "--from") == 0 ||
                        std::strcmp(arg, "--pages") == 0;
        if (hasValue && value == nullptr) return Fail(error, errorSize, "%s needs a value", arg);
        uint32_t number = 0;
        if (std::strcmp(arg, "--json") == 0) {
            args->json = true;
        } else if (std::strcmp(arg, "--drive") == 0) {
            if (!ParseNumber(value, &number) || number > ScanLastDrive)
                return Fail(error, errorSize, "--drive %s: recorders are looked for on drives 0 to 8",
                            value);
            args->drive = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(arg, "--from") == 0) {
            if (!ParseNumber(value, &args->fromPage))
                return Fail(error, errorSize, "--from %s: not a page number", value);
            args->fromGiven = true;
            ++i;
        } else if (std::strcmp(arg, "--pages") == 0) {
            if (!ParseNumber(value, &args->pageCount) || args->pageCount == 0)
                return Fail(error, errorSize, "--pages %s: not a page count of 1 or more", value);
            args->pagesGiven = true;
            ++i;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return Fail(error, errorSize, "unknown option %s", arg);
        } else if (command == nullptr) {
            command = FindCommand(arg);
            if (command == nullptr) return Fail(error, errorSize, "unknown command %s", arg);
            args->command = command->command;
        } else if (command->takesFile && args->file == nullptr) {
            args->file = arg;
        } else {
            return Fail(error, errorSize, "unexpected argument %s", arg);
        }
    }
    if (command == nullptr) return Fail(error, errorSize, "%s", "no command given");
    if (command->takesFile && args->file == nullptr)
        return Fail(error, errorSize, "%s needs the name of the file to write", command->name);
    if ((args->fromGiven || args->pagesGiven) && args->command != CommandReadFlash)
        return Fail(error, errorSize, "--from and --pages belong to read-flash, not %s", command->name);
    return true;
}

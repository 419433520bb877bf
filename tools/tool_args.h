// The command line of vokari-tool, read into one record before anything is
// touched.
#pragma once

#include <cstddef>
#include <cstdint>

enum ToolCommand : int {
    CommandNone = 0,
    CommandList = 1,
    CommandVerify = 2,
    CommandReadFlash = 3,
    CommandReadController = 4,
    CommandHelp = 5,
    CommandVersion = 6,
};

enum : int { AnyDrive = -1 };

struct ToolArgs {
    ToolCommand command;
    const char* file;  // read-flash, read-controller
    int drive;         // --drive N (0-8), AnyDrive for the first recorder
    bool json;
    bool fromGiven;
    uint32_t fromPage;
    bool pagesGiven;
    uint32_t pageCount;
};

// Reads argv[1..argc-1]. False with a one-line reason in `error` on a
// mistake; --help and --version win over everything else, wherever they are.
bool ParseToolArgs(int argc, char** argv, ToolArgs* args, char* error, size_t errorSize);

// The command's name as typed ("read-flash"), for messages and the JSON.
const char* ToolCommandName(ToolCommand command);

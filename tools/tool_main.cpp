#include "tools/tool_main.h"

#include <cstdio>

#include "images/image_store.h"
#include "platform/console.h"
#include "platform/lock.h"
#include "platform/resource.h"
#include "tools/tool_args.h"
#include "tools/tool_commands.h"
#include "tools/tool_progress.h"
#include "tools/tool_report.h"

namespace {

const char Help[] =
    "Usage: vokari-tool list [--drive N] [--json]\n"
    "       vokari-tool verify [--drive N] [--json]\n"
    "       vokari-tool read-flash FILE [--from PAGE] [--pages N] [--drive N] [--json]\n"
    "       vokari-tool read-controller FILE [--drive N] [--json]\n"
    "       vokari-tool --help | --version\n"
    "\n"
    "Looks at Vokari recorders without changing them: nothing that writes,\n"
    "erases or restarts is ever sent.\n"
    "\n"
    "  list             every recorder on drives 0 to 8: flash, versions, and\n"
    "                   how they stand against the update this program carries\n"
    "  verify           reads the controller's programmable area and boot-loader\n"
    "                   section back and compares them with the update\n"
    "  read-flash       flash pages into FILE (all of them unless --from, --pages)\n"
    "  read-controller  the controller's 65536 bytes of memory into FILE\n"
    "  --drive N        the recorder on drive N (0-8); else the first one\n"
    "  --json           one JSON document on standard output instead of text\n"
    "\n"
    "FILE appears only once it is whole. Progress is shown on a terminal.\n"
    "\n"
    "Exit status: 0 done, everything matches; 1 verify found a difference;\n"
    "2 an error (command line, file, a read that failed); 3 no recorder;\n"
    "4 another recorder application (an update) holds the lock.\n"
    "\n"
    "See vokari-tool(1).\n";

char programPath[260];

int Run(const ToolArgs& args) {
    switch (args.command) {
        case CommandList: return RunList(args);
        case CommandVerify: return RunVerify(args);
        case CommandReadFlash: return RunReadFlash(args);
        case CommandReadController: return RunReadController(args);
        default: return ToolExitError;
    }
}

}  // namespace

int ToolMain(int argc, char** argv, const char* lockName) {
    // First, before anything is written: it also makes standard output
    // binary on Windows, so that every line ends as on Linux.
    bool terminal = ConsoleOutputIsTerminal();
    ToolArgs args;
    char error[256];
    if (!ParseToolArgs(argc, argv, &args, error, sizeof error)) {
        std::fprintf(stderr, "vokari-tool: %s\nTry 'vokari-tool --help'.\n", error);
        return ToolExitError;
    }
    if (args.command == CommandHelp || args.command == CommandVersion) {
        if (args.command == CommandHelp) std::fputs(Help, stdout);
        else std::printf("vokari-tool %s\n", VKR_VERSION);
        return std::fflush(stdout) == 0 ? ToolExitDone : ToolExitError;
    }

    ReportBegin(args.command, args.json);
    ProgressEnable(terminal && !args.json);
    // Beside an update, even a read would take the bridge from under it.
    if (LockAcquire(lockName) == LockHeldElsewhere)
        return ReportFailure(ToolExitLocked, "another recorder application is running (an update?): "
                                             "close it and try again");
    ProgramFilePath(programPath, sizeof programPath);
    if (programPath[0] == '\0' && argc > 0) std::snprintf(programPath, sizeof programPath, "%s", argv[0]);
    if (!LoadFirmwareImage(programPath))
        return ReportFailure(ToolExitError, "the update image inside this program is missing or damaged");

    int code = Run(args);
    if (std::fflush(stdout) != 0 && code == ToolExitDone) code = ToolExitError;
    return code;
}

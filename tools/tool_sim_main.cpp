// vokari-tool-sim: vokari-tool on a simulated recorder. The simulator's
// options come first, as for vokari-update-sim; the rest is the tool's.
#include <cstdio>
#include <vector>

#include "app/updater.h"
#include "sim/sim.h"
#include "tools/tool_main.h"

namespace {

constexpr int ExitUsage = 64;  // as vokari-update-sim: away from the tool's own codes

const char Help[] =
    "Usage: vokari-tool-sim [SIMULATOR OPTIONS] [--] COMMAND [ARGUMENTS]\n"
    "\n"
    "Runs vokari-tool on a simulated recorder. The simulator's options are\n"
    "those of vokari-update-sim (--drive, --firmware, --state, --trace, --fail,\n"
    "...; see vokari-update-sim --help); they come first, and everything from\n"
    "the command on goes to the tool (see vokari-tool --help).\n"
    "\n"
    "Exit status: the tool's (0 to 4); 2 also when the state file cannot be\n"
    "saved; 64 a mistake in the simulator's options.\n"
    "\n"
    "See vokari-tool(1).\n";

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<int> rest(static_cast<size_t>(argc));
    int restCount = 0;
    char error[256];
    if (!SimParseOptions(argc, argv, &options, rest.data(), &restCount, error, sizeof error)) {
        std::fprintf(stderr, "vokari-tool-sim: %s\n", error);
        return ExitUsage;
    }
    if (options.help || options.version) {
        if (options.help) std::fputs(Help, stdout);
        else std::printf("vokari-tool-sim %s\n", VKR_VERSION);
        return 0;
    }
    if (!SimStart(options, error, sizeof error)) {
        std::fprintf(stderr, "vokari-tool-sim: %s\n", error);
        return ExitUsage;
    }

    std::vector<char*> toolArgs;
    toolArgs.push_back(argv[0]);
    for (int i = 0; i < restCount; ++i) toolArgs.push_back(argv[rest[static_cast<size_t>(i)]]);
    toolArgs.push_back(nullptr);

    SimSaveOnSignals();
    int code = ToolMain(static_cast<int>(toolArgs.size() - 1), toolArgs.data(),
                        options.lockName != nullptr ? options.lockName : InstanceLockName);
    std::fflush(stdout);
    if (!SimFinish(error, sizeof error)) {
        std::fprintf(stderr, "vokari-tool-sim: %s\n", error);
        if (code == 0) code = 2;
    }
    return code;
}

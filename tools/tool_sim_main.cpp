// vokari-tool-sim: vokari-tool on a simulated recorder. The simulator's
// options come first, as for vokari-update-sim; the rest is the tool's.
#include "app/updater.h"
#include "sim/sim_program.h"
#include "tools/tool_main.h"

namespace {

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
    const SimProgram tool = {"vokari-tool-sim", Help, VKR_VERSION, InstanceLockName, nullptr, ToolMain};
    return SimRunProgram(argc, argv, tool);
}

// vokari-update-sim: the updater console on a simulated recorder. The
// simulator's options come first; the rest goes to the updater unchanged.
#include "app/updater.h"
#include "platform/console.h"
#include "sim/sim_program.h"

namespace {

const char Help[] =
    "Usage: vokari-update-sim [SIMULATOR OPTIONS] [--] [UPDATER ARGUMENTS]\n"
    "\n"
    "Runs the vokari-update console on a simulated recorder. Keys come from the\n"
    "terminal and the single-instance lock is real; time is virtual. The\n"
    "simulator's options come first; everything from the first other argument\n"
    "on goes to the updater (DIAG, NOERASE, SKIPBLR).\n"
    "\n"
    "  --drive N|none            slot 0-9 of the recorder (9 is never found)   [1]\n"
    "  --attach-after MS         the recorder appears MS ms after start        [0]\n"
    "  --deny N                  slot N's node refuses the open (permission)\n"
    "  --disk N                  another disk (the system disk) in slot N\n"
    "  --bootloader X.Y          boot loader version                         [1.4]\n"
    "  --signature TEXT          boot loader signature, 7 bytes          [VKR-BL7]\n"
    "  --firmware X.Y|none       firmware version                            [2.7]\n"
    "  --marker TEXT             firmware status marker, 4 bytes            [FWOK]\n"
    "  --flash U:B:P:S           units, blocks/unit, pages/block, page size\n"
    "                                                           [1:2048:64:2048]\n"
    "  --sector-size N           block length READ CAPACITY(10) reports      [512]\n"
    "  --fail KIND[@ADDR][:N]    the first N commands of KIND (at ADDR) fail;\n"
    "                            KIND: read write begin restart erase inquiry\n"
    "                            geometry capacity; repeatable\n"
    "  --fail-command N[:COUNT]  the Nth SCSI command and COUNT-1 more fail\n"
    "  --stop-at KIND[@ADDR]     SIGSTOP when that command arrives\n"
    "  --kill-at N               the program dies by SIGKILL before command N\n"
    "  --power-loss-at N         the recorder loses power before command N and\n"
    "                            comes back 5 s later\n"
    "  --power-cycled            the recorder in --state FILE was unplugged and\n"
    "                            plugged in again since it was saved\n"
    "  --restart-time MS         time away after a restart                  [1500]\n"
    "  --no-return               the recorder stays away after a restart\n"
    "  --return-on N             it comes back on slot N\n"
    "  --return-denied           it comes back with a node that refuses the open\n"
    "  --state FILE              load the recorder from FILE, keep it there as\n"
    "                            it changes\n"
    "  --trace FILE              write every SCSI command as a JSON line\n"
    "  --lock NAME               single-instance lock name            [AudrelHS_]\n"
    "  --real-time               pauses take real time\n"
    "  --help, --version         print this help or the version and exit\n"
    "\n"
    "Exit status: the updater's (0, 1, 2); 2 also when the state file cannot be\n"
    "saved; 64 a mistake in the simulator's options.\n"
    "\n"
    "See vokari-update-sim(1).\n";

}  // namespace

int main(int argc, char** argv) {
    // The console takes the terminal and its signals first, so that the
    // recorder is saved before the console puts the terminal back.
    const SimProgram updater = {"vokari-update-sim", Help, VKR_VERSION, InstanceLockName, ConsoleBegin,
                                UpdaterMain};
    return SimRunProgram(argc, argv, updater);
}

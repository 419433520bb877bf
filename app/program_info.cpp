#include "app/program_info.h"

#include <cstdio>
#include <cstring>

namespace {

const char UpdaterHelp[] =
    "Usage: vokari-update [DIAG] [NOERASE] [SKIPBLR]\n"
    "       vokari-update --help | --version\n"
    "\n"
    "Updates the firmware of a Vokari recorder attached over USB: waits for the\n"
    "recorder, shows the versions installed in it, and asks before it loads the\n"
    "firmware (and the boot loader, when the image's is newer). The recorder's\n"
    "data area is erased after the update unless NOERASE is given.\n"
    "\n"
    "  DIAG       diagnostic mode: no signature check, the update is offered\n"
    "             whatever the versions, the boot loader is always replaced\n"
    "  NOERASE    the data area is not erased\n"
    "  SKIPBLR    the boot loader is never replaced\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Switches are whole arguments in any case; any other argument is ignored.\n"
    "Keys are read from the terminal. Without root, the recorder's SCSI generic\n"
    "node needs the udev rule that comes with the program.\n"
    "\n"
    "Exit status: 0 done, declined, nothing newer to load, or Esc while waiting;\n"
    "1 another recorder application holds the lock; 2 the update could not be\n"
    "done, or not completely.\n"
    "\n"
    "See vokari-update(1).\n";

}  // namespace

InfoRequest FindInfoRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        if (std::strcmp(argv[i], "--help") == 0) return HelpRequested;
        if (std::strcmp(argv[i], "--version") == 0) return VersionRequested;
    }
    return NoInfoRequest;
}

void PrintInfo(InfoRequest request) {
    if (request == HelpRequested) std::fputs(UpdaterHelp, stdout);
    if (request == VersionRequested) std::printf("vokari-update %s\n", VKR_VERSION);
}

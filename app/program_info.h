// --help and --version of vokari-update: the only arguments it answers
// before anything else happens. Every other argument is a switch or ignored.
#pragma once

enum InfoRequest : int {
    NoInfoRequest = 0,
    HelpRequested = 1,
    VersionRequested = 2,
};

// The first of "--help" and "--version" among argv[1..argc-1] (whole
// arguments, exactly so written), or NoInfoRequest.
InfoRequest FindInfoRequest(int argc, char** argv);

// Prints the help or the version line to standard output. Touches no drive,
// takes no lock and reads no key.
void PrintInfo(InfoRequest request);

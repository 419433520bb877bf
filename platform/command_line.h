// A Windows command line as the system hands it to a program (one string,
// the program's name first), read without the OS, so that it is tested on
// every host.
#pragma once

// The arguments of `commandLine`, exactly as written: what follows the
// program's name (quoted up to the next quote, or up to the first blank)
// and the blanks after it. Never null; "" for a null or name-only line.
const char* CommandLineArguments(const char* commandLine);

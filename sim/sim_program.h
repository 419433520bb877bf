// A program started on the simulated recorder (vokari-update-sim,
// vokari-tool-sim): the simulator's options come first, everything else goes
// to the program's own entry, as if typed after its real name.
#pragma once

struct SimProgram {
    const char* name;  // for its messages and --version
    const char* help;  // what --help prints
    const char* version;
    const char* lockName;  // the single-instance lock unless --lock names another
    // Called once the simulator has started, just before the signals that
    // end the program are set to save the recorder first (null: nothing).
    void (*beforeSignals)();
    int (*entry)(int argc, char** argv, const char* lockName);
};

// Parses the simulator's options, starts it, runs the program's entry and
// saves the recorder. Returns the entry's exit code; 64 for a mistake in the
// simulator's options, 2 (for an entry's 0) when the state cannot be saved.
int SimRunProgram(int argc, char** argv, const SimProgram& program);

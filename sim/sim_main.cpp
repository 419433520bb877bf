// vokari-update-sim: the updater console on a simulated recorder. The
// simulator's options come first; the rest goes to the updater unchanged.
#include <cstdio>
#include <vector>

#include "app/updater.h"
#include "platform/console.h"
#include "sim/sim.h"

int main(int argc, char** argv) {
    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<int> rest(static_cast<size_t>(argc));
    int restCount = 0;
    char error[256];
    if (!SimParseOptions(argc, argv, &options, rest.data(), &restCount, error, sizeof error) ||
        !SimStart(options, error, sizeof error)) {
        std::fprintf(stderr, "vokari-update-sim: %s\n", error);
        return 64;
    }

    std::vector<char*> updaterArgs;
    updaterArgs.push_back(argv[0]);
    for (int i = 0; i < restCount; ++i) updaterArgs.push_back(argv[rest[static_cast<size_t>(i)]]);
    updaterArgs.push_back(nullptr);

    // The console takes the terminal and its signals first, so that the
    // recorder is saved before the console puts the terminal back.
    ConsoleBegin();
    SimSaveOnSignals();
    int code = UpdaterMain(static_cast<int>(updaterArgs.size() - 1), updaterArgs.data(),
                           options.lockName != nullptr ? options.lockName : InstanceLockName);
    std::fflush(stdout);
    if (!SimFinish(error, sizeof error)) {
        std::fprintf(stderr, "vokari-update-sim: %s\n", error);
        if (code == 0) code = 2;
    }
    return code;
}

#include "sim/sim_program.h"

#include <cstdio>
#include <vector>

#include "sim/sim.h"

namespace {

// Exit status of a command-line mistake (BSD's EX_USAGE), out of the way of
// the programs' own codes.
constexpr int ExitUsage = 64;

}  // namespace

int SimRunProgram(int argc, char** argv, const SimProgram& program) {
    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<int> rest(static_cast<size_t>(argc));
    int restCount = 0;
    char error[256];
    if (!SimParseOptions(argc, argv, &options, rest.data(), &restCount, error, sizeof error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error);
        return ExitUsage;
    }
    if (options.help || options.version) {
        if (options.help) std::fputs(program.help, stdout);
        else std::printf("%s %s\n", program.name, program.version);
        return 0;
    }
    if (!SimStart(options, error, sizeof error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error);
        return ExitUsage;
    }

    std::vector<char*> programArgs;
    programArgs.push_back(argv[0]);
    for (int i = 0; i < restCount; ++i) programArgs.push_back(argv[rest[static_cast<size_t>(i)]]);
    programArgs.push_back(nullptr);

    if (program.beforeSignals != nullptr) program.beforeSignals();
    SimSaveOnSignals();
    int code = program.entry(static_cast<int>(programArgs.size() - 1), programArgs.data(),
                             options.lockName != nullptr ? options.lockName : program.lockName);
    std::fflush(stdout);
    if (!SimFinish(error, sizeof error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error);
        if (code == 0) code = 2;
    }
    return code;
}

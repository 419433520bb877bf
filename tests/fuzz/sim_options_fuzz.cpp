// The simulator's option parser, given any command line: the arguments are
// the input cut at its zero bytes. A parse either fails with a message that
// fits its buffer, or hands the updater a valid, ordered choice of the
// arguments; a simulator started from what it parsed then finds its recorder
// (or none) without a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/device_state.h"
#include "sim/sim.h"
#include "vokari/vkr.h"

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

// Starts the simulator as vokari-update-sim would, minus what reaches
// outside this process: files, real time, stopping or killing the process.
void StartFrom(SimOptions options) {
    options.statePath = nullptr;
    options.tracePath = nullptr;
    options.realTime = false;
    options.stopAtGiven = false;
    options.killAt = 0;
    char error[128];
    if (!SimStart(options, error, sizeof error)) return;
    DeviceResetState();
    char* path = nullptr;
    Vkr_IsConnected(&path);
    std::free(path);
    SimReset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words{"vokari-update-sim"};
    std::string word;
    for (size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] != 0) {
            word += static_cast<char>(data[i]);
            continue;
        }
        words.push_back(word);
        word.clear();
    }
    if (!word.empty()) words.push_back(word);

    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);

    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<int> rest(static_cast<size_t>(argc));
    int restCount = -1;
    char error[48];
    std::memset(error, 'x', sizeof error);
    if (!SimParseOptions(argc, argv.data(), &options, rest.data(), &restCount, error, sizeof error)) {
        if (std::memchr(error, '\0', sizeof error) == nullptr) Finding("an error message without its end");
        return 0;
    }
    if (restCount < 0 || restCount >= argc) Finding("more arguments left for the updater than there are");
    for (int i = 0; i < restCount; ++i) {
        const int index = rest[static_cast<size_t>(i)];
        if (index < 1 || index >= argc || (i > 0 && index <= rest[static_cast<size_t>(i) - 1]))
            Finding("an argument for the updater out of place");
    }
    StartFrom(options);
    return 0;
}

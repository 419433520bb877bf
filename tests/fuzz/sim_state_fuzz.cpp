// The simulator's state-file parser, given any file. A file is either refused
// with a message, or loaded; a loaded recorder saved again must load again,
// and saving that gives the same file (nothing is lost or made up on the way).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/sim.h"
#include "sim/sim_state.h"

namespace {

int inputFile = -1;
char inputPath[64];
std::string savedPath[2];

[[noreturn]] void Finding(const char* what, const char* detail) {
    std::fprintf(stderr, "FINDING: %s: %s\n", what, detail);
    std::abort();
}

bool LoadFrom(const char* path, char* error, size_t errorSize) {
    SimOptions options;
    SimDefaultOptions(&options);
    options.statePath = path;
    return SimStart(options, error, errorSize);
}

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void SaveTo(int which) {
    char error[256];
    if (!SimStateSave(savedPath[which].c_str(), error, sizeof error))
        Finding("a loaded state did not save", error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputFile = memfd_create("vokari-sim-state", 0);
    char directory[] = "/tmp/vokari-sim-state-fuzz-XXXXXX";
    if (inputFile < 0 || mkdtemp(directory) == nullptr) {
        std::perror("sim_state_fuzz");
        std::abort();
    }
    std::snprintf(inputPath, sizeof inputPath, "/proc/self/fd/%d", inputFile);
    savedPath[0] = std::string(directory) + "/first.state";
    savedPath[1] = std::string(directory) + "/second.state";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(inputFile, 0) != 0 || pwrite(inputFile, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    char error[96];
    std::memset(error, 'x', sizeof error);
    if (!LoadFrom(inputPath, error, sizeof error)) {
        if (std::memchr(error, '\0', sizeof error) == nullptr) Finding("an error message without its end", "");
        SimReset();
        return 0;
    }
    SaveTo(0);
    char again[256];
    if (!LoadFrom(savedPath[0].c_str(), again, sizeof again)) Finding("a saved state did not load", again);
    SaveTo(1);
    if (Contents(savedPath[0]) != Contents(savedPath[1]))
        Finding("saving a loaded state changed it", savedPath[0].c_str());
    SimReset();
    return 0;
}

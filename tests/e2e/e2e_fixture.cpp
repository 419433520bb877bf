#include "tests/e2e/e2e_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

void E2eTest::SetUp() {
    // Tests run side by side (ctest -j) and one after another in a process:
    // the pid and a count keep every lock name apart.
    static int testsInThisProcess = 0;
    lock_ = "vkr-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++testsInThisProcess);

    std::string pattern = (std::filesystem::temp_directory_path() / "vkr-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void E2eTest::TearDown() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> E2eTest::SimArgs(const std::vector<std::string>& simOptions,
                                          const std::vector<std::string>& updaterArgs) const {
    std::vector<std::string> args = {"--lock", lock_};
    args.insert(args.end(), simOptions.begin(), simOptions.end());
    args.insert(args.end(), updaterArgs.begin(), updaterArgs.end());
    return args;
}

bool E2eTest::StartSim(PtyProcess& p, const std::vector<std::string>& simOptions,
                       const std::vector<std::string>& updaterArgs,
                       const LaunchOptions& launch) const {
    return p.Start(SimProgram, SimArgs(simOptions, updaterArgs), launch);
}

std::vector<TraceLine> E2eTest::ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    std::string error;
    EXPECT_TRUE(ReadTraceFile(path, &lines, &error)) << error;
    return lines;
}

#include "tests/e2e/e2e_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

const SimLaunch& SimUnderTest() {
    static const SimLaunch launch = [] {
        SimLaunch l;
        l.program = SimProgram;
        const char* program = std::getenv("VKR_E2E_SIM");
        const char* launcher = std::getenv("VKR_E2E_LAUNCHER");
        if (program != nullptr && *program != '\0' && launcher != nullptr && *launcher != '\0') {
            l.program = program;
            l.launcher = {launcher};
            l.keysTypedAhead = true;
        }
        return l;
    }();
    return launch;
}

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
    const SimLaunch& sim = SimUnderTest();
    LaunchOptions options = launch;
    options.launcher = sim.launcher;
    // A launched program's output comes through a pipe, unless it goes to a file.
    options.stdoutPipe = !sim.launcher.empty() && options.stdoutFile.empty();
    return p.Start(sim.program, SimArgs(simOptions, updaterArgs), options);
}

void E2eTest::PressAt(PtyProcess& p, const std::string& shown, const std::string& key) {
    if (!KeysTypedAhead()) {
        EXPECT_TRUE(p.WaitFor(shown)) << "never showed: " << shown << "\nOutput: " << p.Output();
    }
    p.Press(key);
}

bool E2eTest::WaitForFile(const std::string& path, bool withData, int timeoutMs) {
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        std::error_code error;
        auto size = std::filesystem::file_size(path, error);
        if (!error && (size > 0 || !withData)) return true;
        if (NowMs() >= deadline) return false;
        PtyProcess::Pause(10);
    }
}

std::vector<TraceLine> E2eTest::ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    std::string error;
    EXPECT_TRUE(ReadTraceFile(path, &lines, &error)) << error;
    return lines;
}

#include "tests/e2e/tool_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "images/image_store.h"

extern char** environ;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool UnderLauncher() { return !Env("VKR_E2E_TOOL").empty() && !Env("VKR_E2E_LAUNCHER").empty(); }

std::string ToolDriveName(int drive) {
    std::string path = "\\\\.\\PHYSICALDRIVE" + std::to_string(drive);
    if (UnderLauncher()) return path;
    return path + " (/dev/sg" + std::to_string(drive) + ")";
}

const std::vector<uint8_t>& ShippedFirmwareImage() {
    static const std::vector<uint8_t> image = [] {
        // One literal: GCC 12 at -O2 warns, wrongly, on string + literal here.
        std::vector<uint8_t> payload = ReadBytes(VKR_IMAGES_DIR "/fwc.bin");
        TakeFirmwareImage(payload.data(), payload.size());
        return std::vector<uint8_t>(FirmwareImage, FirmwareImage + UpdateImageSize);
    }();
    return image;
}

ToolRun ToolTest::Tool(const std::vector<std::string>& simOptions, const std::vector<std::string>& toolArgs) {
    std::vector<std::string> all;
    if (UnderLauncher()) all = {Env("VKR_E2E_LAUNCHER"), Env("VKR_E2E_TOOL")};
    else all = {VKR_TOOL_SIM_PROGRAM};
    all.push_back("--lock");
    all.push_back(lock_);
    all.insert(all.end(), simOptions.begin(), simOptions.end());
    all.insert(all.end(), toolArgs.begin(), toolArgs.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::string out = Scratch("tool.out"), err = Scratch("tool.err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (spawned != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    run.out = ReadText(out);
    run.err = ReadText(err);
    // Standard error stays in text mode on Windows, as a console user
    // expects it; standard output is binary.
    if (UnderLauncher())
        for (size_t at = run.err.find("\r\n"); at != std::string::npos; at = run.err.find("\r\n", at))
            run.err.erase(at, 1);
    return run;
}

JsonValue ToolTest::ToolJson(const std::vector<std::string>& simOptions, std::vector<std::string> toolArgs,
                             int expectedStatus) {
    toolArgs.push_back("--json");
    ToolRun run = Tool(simOptions, toolArgs);
    EXPECT_EQ(run.status, expectedStatus) << run.err;
    JsonValue document;
    std::string error;
    EXPECT_TRUE(ParseJson(run.out, &document, &error)) << error << "\n" << run.out;
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(document["version"].number, 1);
    return document;
}

int ToolTest::UpdateRecorder(const std::string& state, const std::vector<std::string>& simOptions,
                             const std::vector<std::string>& updaterArgs) {
    PtyProcess p;
    std::string trace = Scratch("update-trace");
    EXPECT_TRUE(StartSim(p, Concat({"--state", state, "--trace", trace}, simOptions), updaterArgs));
    // Keys typed ahead wait for the console: it has started once the trace
    // file is there.
    if (KeysTypedAhead()) {
        EXPECT_TRUE(WaitForFile(trace, false));
    }
    PressAt(p, "Press 'Y' to load", "y");
    PressAt(p, "Press 'L' to confirm", "l");
    bool bootLoader = true;
    for (const std::string& a : updaterArgs) bootLoader = bootLoader && a != "SKIPBLR";
    if (bootLoader) PressAt(p, "Press 'Y' to upgrade Boot Loader", "y");
    PressAt(p, "Press any key to exit.", "x");
    // Under Wine a whole update takes some 11 s of real time.
    return p.WaitExit(60000);
}

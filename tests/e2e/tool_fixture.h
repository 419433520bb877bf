// vokari-tool-sim run as a person runs it from a shell: a separate process,
// its exit code, what it printed on each stream, the files it left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/json_value.h"

struct ToolRun {
    int status = -1000;  // exit code; -signal when killed
    std::string out;
    std::string err;
};

// The text the tool gives a recorder's drive in its output: the sg node
// follows the path on Linux; on Windows the path is the name.
std::string ToolDriveName(int drive);

// The firmware image as the tool and the updater carry it, unscrambled from
// the committed payload; offsets are controller addresses.
const std::vector<uint8_t>& ShippedFirmwareImage();

class ToolTest : public E2eTest {
protected:
    // vokari-tool-sim with this test's lock, `simOptions`, then `toolArgs`.
    // With VKR_E2E_TOOL and VKR_E2E_LAUNCHER set, another one through the
    // launcher (the Windows build under wine64).
    ToolRun Tool(const std::vector<std::string>& simOptions, const std::vector<std::string>& toolArgs);

    // The same with --json: the output must be one JSON document.
    JsonValue ToolJson(const std::vector<std::string>& simOptions, std::vector<std::string> toolArgs,
                       int expectedStatus);

    // A whole update on the simulated recorder through the updater, with the
    // recorder kept in the state file `state`: `updaterArgs` (NOERASE...),
    // `simOptions` for faults; each prompt answered yes. Returns the exit code.
    int UpdateRecorder(const std::string& state, const std::vector<std::string>& simOptions,
                       const std::vector<std::string>& updaterArgs);
};

// True when the tool runs through a launcher (see ToolTest::Tool).
bool UnderLauncher();

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

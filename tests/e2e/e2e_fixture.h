// A test that runs the real programs: a lock name and a scratch folder of its
// own, so that tests can run side by side, and the texts the person sees.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/pty_process.h"
#include "tests/e2e/trace_file.h"

// Set by the build: the programs under test.
inline const std::string SimProgram = VKR_SIM_PROGRAM;
inline const std::string UpdateProgram = VKR_UPDATE_PROGRAM;

// How vokari-update-sim is started. By default the one of this build, on its
// terminal. With VKR_E2E_SIM and VKR_E2E_LAUNCHER in the environment another
// one, through a launcher: the Windows build's vokari-update-sim.exe under
// wine64 (scripts/test-windows). Its standard output then comes through a
// pipe, where the console writes in 512-byte blocks: what it shows before a
// key wait is not seen until later, so keys are typed ahead (they wait in
// the console's queue and answer the prompts in turn) and the output is
// compared whole at the end.
struct SimLaunch {
    std::string program;
    std::vector<std::string> launcher;
    bool keysTypedAhead = false;
};
const SimLaunch& SimUnderTest();

namespace text {
inline const std::string Diagnostic = "Diagnostic mode.\n";
inline const std::string Banner = "Vokari Firmware Updater version 1.3\n\n";
inline const std::string Wait =
    "Device is not connected.\nConnect device to continue or press Esc to exit.\n";
inline const std::string Refusal =
    "Close all other digital recorder applications and try again.\nPress any key to exit.\n";
// What the update says to a recorder that no image is newer than, up to its
// closing wait for a key.
inline const std::string NothingNewer =
    "Current Boot Loader version: 255.255\nCurrent firmware version: 255.255\n"
    "Current firmware version is newer or is the same as the update.\r\n"
    "Firmware loading is not possible.\r\n\r\nPress any key to exit.\r\n";
}  // namespace text

// Simulator options for such a recorder: once found, the update reads its
// versions, refuses, waits for one key and writes nothing.
inline const std::vector<std::string> NewestRecorder = {"--bootloader", "255.255", "--firmware",
                                                         "255.255"};

inline std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Launch options: no terminal to type on, so every wait for a key ends at
// once (the device wait, which only looks for keys, goes on).
inline LaunchOptions NoTerminal() {
    LaunchOptions launch;
    launch.controllingTerminal = false;
    return launch;
}

class E2eTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // vokari-update-sim with this test's lock, then `simOptions`, then the
    // updater's arguments.
    std::vector<std::string> SimArgs(const std::vector<std::string>& simOptions,
                                     const std::vector<std::string>& updaterArgs = {}) const;

    // Starts vokari-update-sim on `p`. False if it could not be started.
    bool StartSim(PtyProcess& p, const std::vector<std::string>& simOptions,
                  const std::vector<std::string>& updaterArgs = {},
                  const LaunchOptions& launch = {}) const;

    // A path inside this test's scratch folder.
    std::string Scratch(const std::string& name) const { return dir_ + "/" + name; }

    // The trace file at `path`, read and checked; fails the test if unreadable.
    static std::vector<TraceLine> ReadTrace(const std::string& path);

    // Waits until the file at `path` is there (a trace file: the simulator
    // has started) or, `withData`, holds something (the trace of a run that
    // has opened drives for a while: its writes come in blocks). False when
    // the time runs out first.
    static bool WaitForFile(const std::string& path, bool withData,
                            int timeoutMs = DefaultTimeoutMs);

    // Keys typed ahead rather than at each prompt (see SimLaunch).
    static bool KeysTypedAhead() { return SimUnderTest().keysTypedAhead; }

    // Types `key` once the program has shown `shown` (at once where keys are
    // typed ahead). A key typed before a program on its terminal has taken
    // the keyboard would be echoed.
    static void PressAt(PtyProcess& p, const std::string& shown, const std::string& key);

    std::string lock_;
    std::string dir_;
};

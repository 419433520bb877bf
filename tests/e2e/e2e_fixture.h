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

    std::string lock_;
    std::string dir_;
};

// A test that starts from a fresh process state on a fresh simulated
// recorder, with the trace kept in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "sim/sim.h"

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Restarts the simulator with these options (slots as they give).
    void Start(const SimOptions& options);
    // The same from vokari-update-sim style options ("--fail", "read@0xD800").
    void StartWithArgs(std::initializer_list<const char*> args);

    // Commands actually sent (failed opens left out).
    static std::vector<const SimTraceRecord*> Commands();
};

// Lowercase hex of a byte range, as the trace file writes it.
std::string Hex(const uint8_t* bytes, size_t count);
std::string Hex(const std::vector<uint8_t>& bytes);

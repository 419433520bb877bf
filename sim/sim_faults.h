// Internal to the simulator: the fault plan's life.
#pragma once

struct SimOptions;

void SimFaultsReset();
void SimFaultsConfigure(const SimOptions& options);

// Internal to the simulator: the fault plan's life.
#pragma once

struct SimOptions;

void SimFaultsReset();
void SimFaultsConfigure(const SimOptions& options);
// While held, no rule fires and --stop-at does not stop: the host's own
// commands pass untouched, so that every rule still meets the updater's.
void SimFaultsHold(bool on);

// The fault plan: rules that make matching commands fail, and the one point
// at which the run stops for whoever watches it.
#include <cstdio>
#include <cstring>

#include "platform/process_stop.h"
#include "sim/sim.h"
#include "sim/sim_faults.h"

namespace {

SimFaultRule rules[SimMaxFaultRules];
int ruleCount = 0;
SimFaultRule stopRule;
bool stopPending = false;
bool held = false;

bool Matches(const SimFaultRule& rule, SimFaultKind kind, uint32_t address) {
    return rule.kind == kind && (rule.anyAddress || rule.address == address);
}

// Everything printed so far is out before the process stops, so that the
// watcher sees the run exactly as it stands.
void StopIfDue(SimFaultKind kind, uint32_t address) {
    if (!stopPending || !Matches(stopRule, kind, address)) return;
    stopPending = false;
    std::fflush(stdout);
    ProcessStop();
}

}  // namespace

void SimFaultsReset() {
    ruleCount = 0;
    stopPending = false;
    held = false;
}

void SimFaultsConfigure(const SimOptions& options) {
    ruleCount = options.faultCount;
    std::memcpy(rules, options.faults, sizeof(SimFaultRule) * static_cast<size_t>(ruleCount));
    stopPending = options.stopAtGiven;
    stopRule = options.stopAt;
}

void SimFaultsHold(bool on) { held = on; }

bool SimFaultFires(SimFaultKind kind, uint32_t address) {
    if (held) return false;
    StopIfDue(kind, address);
    for (int i = 0; i < ruleCount; ++i) {
        SimFaultRule& rule = rules[i];
        if (rule.remaining == 0 || !Matches(rule, kind, address)) continue;
        --rule.remaining;
        return true;
    }
    return false;
}

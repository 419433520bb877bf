// The fault plan: rules that make matching commands fail.
#include <cstring>

#include "sim/sim.h"
#include "sim/sim_faults.h"

namespace {

SimFaultRule rules[SimMaxFaultRules];
int ruleCount = 0;

}  // namespace

void SimFaultsReset() { ruleCount = 0; }

void SimFaultsConfigure(const SimOptions& options) {
    ruleCount = options.faultCount;
    std::memcpy(rules, options.faults, sizeof(SimFaultRule) * static_cast<size_t>(ruleCount));
}

bool SimFaultFires(SimFaultKind kind, uint32_t address) {
    for (int i = 0; i < ruleCount; ++i) {
        SimFaultRule& rule = rules[i];
        if (rule.kind != kind || rule.remaining == 0) continue;
        if (!rule.anyAddress && rule.address != address) continue;
        --rule.remaining;
        return true;
    }
    return false;
}

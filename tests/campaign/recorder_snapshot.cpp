#include "tests/campaign/recorder_snapshot.h"

#include <cstring>
#include <utility>
#include <vector>

#include "sim/sim.h"

namespace {

struct Snapshot {
    uint8_t memory[SimMcuMemorySize];
    SimMcuMode mode;
    bool armed;
    bool blockOpen;
    uint32_t openBlock;
    std::vector<std::pair<uint32_t, uint32_t>> eraseCounts;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> pages;
};

Snapshot snapshot;

}  // namespace

void SnapshotTake() {
    std::memcpy(snapshot.memory, SimMcuMemory(), sizeof snapshot.memory);
    snapshot.mode = SimMcuCurrentMode();
    snapshot.armed = SimMcuArmed();
    snapshot.blockOpen = SimMcuOpenBlock(&snapshot.openBlock);
    snapshot.eraseCounts.clear();
    for (uint32_t block : SimFlashErasedBlocks())
        snapshot.eraseCounts.emplace_back(block, SimFlashEraseCount(block));
    snapshot.pages.clear();
    for (uint32_t page : SimFlashWrittenPages()) {
        const uint8_t* data = SimFlashPageData(page);
        snapshot.pages.emplace_back(page, std::vector<uint8_t>(data, data + SimDefaultFlash.pageSize));
    }
}

void SnapshotRestore(bool powerCycled) {
    SimMcuRestore(snapshot.memory, snapshot.mode);
    if (powerCycled)
        SimMcuPowerOn();
    else
        SimMcuRestorePowered(snapshot.armed, snapshot.blockOpen, snapshot.openBlock);
    for (const auto& [block, count] : snapshot.eraseCounts) SimFlashRestoreEraseCount(block, count);
    for (const auto& [page, data] : snapshot.pages) SimFlashRestorePage(page, data.data(), data.size());
}

// The recorder's flash: pages in erase blocks, seen through two windows.
// READ(10) sees it as a row of sectors (the drive's block length) laid over
// the pages end to end; the vendor sub-commands address pages directly.
// Anything that reaches past the end of the flash is refused whole.
#include "sim/recorder/sim_flash.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "sim/sim.h"

namespace {

SimFlashGeometry geometry{};
// Sparse: a page is here only while it holds written data.
std::map<uint32_t, std::vector<uint8_t>> pages;
std::map<uint32_t, uint32_t> eraseCounts;

uint64_t TotalBlocks() { return uint64_t{geometry.unitCount} * geometry.blocksPerUnit; }
uint64_t TotalPages() { return TotalBlocks() * geometry.pagesPerBlock; }
uint64_t TotalBytes() { return TotalPages() * geometry.pageSize; }

uint32_t Field(const uint8_t* cdb, int offset, int width) {
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = value << 8 | cdb[offset + i];
    return value;
}

// `count` bytes from `offset` within `page`, which must lie inside the flash.
void CopyFromPage(uint32_t page, uint32_t offset, uint8_t* out, uint32_t count) {
    auto found = pages.find(page);
    if (found == pages.end())
        std::memset(out, 0xFF, count);
    else
        std::memcpy(out, found->second.data() + offset, count);
}

void CopyFromBytes(uint64_t first, uint8_t* out, uint32_t count) {
    while (count > 0) {
        auto page = static_cast<uint32_t>(first / geometry.pageSize);
        auto offset = static_cast<uint32_t>(first % geometry.pageSize);
        uint32_t n = std::min(count, geometry.pageSize - offset);
        CopyFromPage(page, offset, out, n);
        first += n;
        out += n;
        count -= n;
    }
}

SimFlashChangeWatcher changeWatcher = nullptr;

void EraseBlock(uint32_t block) {
    ++eraseCounts[block];
    uint64_t first = uint64_t{block} * geometry.pagesPerBlock;
    pages.erase(pages.lower_bound(static_cast<uint32_t>(first)),
                pages.lower_bound(static_cast<uint32_t>(first + geometry.pagesPerBlock)));
    if (changeWatcher != nullptr) changeWatcher(false, block);
}

}  // namespace

void SimFlashReset(const SimOptions& options) {
    changeWatcher = nullptr;
    geometry = options.flash;
    pages.clear();
    eraseCounts.clear();
}

bool SimFlashRead10(uint32_t sectorSize, const uint8_t* cdb, uint8_t* data, uint32_t length,
                    uint32_t* bytesIn) {
    if (sectorSize == 0 || geometry.pageSize == 0) return false;
    uint64_t first = uint64_t{Field(cdb, 2, 4)} * sectorSize;
    uint64_t bytes = uint64_t{Field(cdb, 7, 2)} * sectorSize;
    if (first + bytes > TotalBytes()) return false;
    auto supplied = static_cast<uint32_t>(std::min<uint64_t>(length, bytes));
    CopyFromBytes(first, data, supplied);
    *bytesIn = supplied;
    return true;
}

bool SimFlashWritePages(const uint8_t* cdb, const uint8_t* data, uint32_t length) {
    uint32_t first = Field(cdb, 2, 4);
    uint32_t count = Field(cdb, 7, 2);
    uint32_t pageSize = geometry.pageSize;
    // The data phase must carry exactly the pages the command announces.
    if (uint64_t{first} + count > TotalPages() || length != uint64_t{count} * pageSize)
        return false;
    if (count > 0 && pageSize == 0) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* page = data + uint64_t{i} * pageSize;
        pages[first + i].assign(page, page + pageSize);
        if (changeWatcher != nullptr) changeWatcher(true, first + i);
    }
    return true;
}

void SimFlashWatchChanges(SimFlashChangeWatcher watcher) { changeWatcher = watcher; }

bool SimFlashReadParts(const uint8_t* cdb, uint8_t* data, uint32_t length, uint32_t* bytesIn) {
    uint32_t first = Field(cdb, 2, 4);
    uint32_t count = Field(cdb, 7, 2);
    uint32_t partLength = Field(cdb, 9, 2);
    uint32_t stride = Field(cdb, 11, 2);
    uint32_t offset = Field(cdb, 13, 2);
    if (count > 0) {
        uint64_t lastPage = first + uint64_t{count - 1} * stride;
        if (lastPage >= TotalPages() || offset + partLength > geometry.pageSize) return false;
    }
    uint32_t supplied = 0;
    for (uint32_t i = 0; i < count && supplied < length; ++i) {
        uint32_t n = std::min(partLength, length - supplied);
        auto page = static_cast<uint32_t>(first + uint64_t{i} * stride);
        CopyFromPage(page, offset, data + supplied, n);
        supplied += n;
    }
    *bytesIn = supplied;
    return true;
}

bool SimFlashErase(const uint8_t* cdb) {
    uint32_t pageAddress = Field(cdb, 2, 4);
    uint32_t count = Field(cdb, 7, 2);
    if (SimFaultFires(FaultErase, pageAddress)) return false;
    if (geometry.pagesPerBlock == 0) return false;
    // Like a NAND row address, the page bits below the block are ignored: an
    // address inside a block erases that whole block.
    uint32_t firstBlock = pageAddress / geometry.pagesPerBlock;
    if (uint64_t{firstBlock} + count > TotalBlocks()) return false;
    for (uint32_t i = 0; i < count; ++i) EraseBlock(firstBlock + i);
    return true;
}

uint32_t SimFlashEraseCount(uint32_t block) {
    auto found = eraseCounts.find(block);
    return found == eraseCounts.end() ? 0 : found->second;
}

std::vector<uint32_t> SimFlashErasedBlocks() {
    std::vector<uint32_t> blocks;
    for (const auto& [block, count] : eraseCounts)
        if (count > 0) blocks.push_back(block);
    return blocks;
}

std::vector<uint32_t> SimFlashWrittenPages() {
    std::vector<uint32_t> written;
    written.reserve(pages.size());
    for (const auto& entry : pages) written.push_back(entry.first);
    return written;
}

void SimFlashVisitErased(void (*visit)(uint32_t block, uint32_t count)) {
    for (const auto& [block, count] : eraseCounts)
        if (count > 0) visit(block, count);
}

void SimFlashVisitPages(void (*visit)(uint32_t page, const uint8_t* data)) {
    for (const auto& [page, data] : pages) visit(page, data.data());
}

const uint8_t* SimFlashPageData(uint32_t page) {
    auto found = pages.find(page);
    return found == pages.end() ? nullptr : found->second.data();
}

bool SimFlashRestorePage(uint32_t page, const uint8_t* data, size_t size) {
    if (page >= TotalPages() || data == nullptr || size != geometry.pageSize) return false;
    pages[page].assign(data, data + size);
    return true;
}

bool SimFlashRestoreEraseCount(uint32_t block, uint32_t count) {
    if (block >= TotalBlocks()) return false;
    if (count == 0)
        eraseCounts.erase(block);
    else
        eraseCounts[block] = count;
    return true;
}

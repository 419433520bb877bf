#include "sim/sim_state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "sim/sim.h"
#include "sim/recorder/sim_flash.h"
#include "sim/recorder/sim_mcu.h"
#include "sim/sim_state_file.h"

namespace {

constexpr char Header[] = "vokari-sim-state 1";
enum : uint32_t { MemoryLineBytes = 64 };

// What a loaded file holds, between SimStateLoad and SimStateApply.
struct LoadedState {
    bool present;
    std::vector<uint8_t> memory;
    SimMcuMode mode;
    bool armed;
    bool blockOpen;
    uint32_t openBlock;
    std::map<uint32_t, uint32_t> eraseCounts;
    std::map<uint32_t, std::vector<uint8_t>> pages;
};

LoadedState loaded;
SimFlashGeometry geometry;  // of the running recorder, for saving
uint32_t sectorSize = 512;

bool Fail(char* error, size_t size, const char* what, const char* path, unsigned line = 0) {
    if (line != 0)
        std::snprintf(error, size, "state file %s, line %u: %s", path, line, what);
    else
        std::snprintf(error, size, "state file %s: %s", path, what);
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(const char* text, std::vector<uint8_t>* bytes) {
    size_t length = std::strlen(text);
    if (length == 0 || length % 2 != 0) return false;
    bytes->resize(length / 2);
    for (size_t i = 0; i < length; i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*bytes)[i / 2] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool ParseUnsigned(const char* text, unsigned long max, unsigned long* value) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0' && *value <= max;
}

// One "keyword rest" line into `loaded` (and the options it may set).
bool ParseLine(char* line, SimOptions* options) {
    char* rest = std::strchr(line, ' ');
    if (rest == nullptr) return false;
    *rest++ = '\0';
    char* second = std::strchr(rest, ' ');
    if (second != nullptr) *second++ = '\0';
    unsigned long a = 0, b = 0;
    std::vector<uint8_t> bytes;

    if (std::strcmp(line, "flash") == 0) {
        SimFlashGeometry flash{};
        if (second != nullptr || !SimParseFlashGeometry(rest, &flash)) return false;
        if (!options->flashGiven) options->flash = flash;
        return true;
    }
    if (std::strcmp(line, "sector-size") == 0) {
        if (second != nullptr || !ParseUnsigned(rest, UINT32_MAX, &a)) return false;
        if (!options->sectorSizeGiven) options->sectorSize = static_cast<uint32_t>(a);
        return true;
    }
    if (std::strcmp(line, "mode") == 0) {
        if (second != nullptr) return false;
        if (std::strcmp(rest, "running") == 0) loaded.mode = SimMcuRunning;
        else if (std::strcmp(rest, "programming") == 0) loaded.mode = SimMcuProgramming;
        else return false;
        return true;
    }
    if (std::strcmp(line, "armed") == 0) {
        if (second != nullptr || !ParseUnsigned(rest, 1, &a)) return false;
        loaded.armed = a == 1;
        return true;
    }
    if (std::strcmp(line, "open-block") == 0) {
        if (second != nullptr) return false;
        loaded.blockOpen = std::strcmp(rest, "none") != 0;
        if (!loaded.blockOpen) return true;
        if (!ParseUnsigned(rest, SimMcuMemorySize - 1, &a)) return false;
        loaded.openBlock = static_cast<uint32_t>(a);
        return true;
    }
    if (second == nullptr) return false;
    if (std::strcmp(line, "memory") == 0) {
        if (!ParseUnsigned(rest, SimMcuMemorySize - 1, &a) || !ParseHex(second, &bytes)) return false;
        if (a + bytes.size() > SimMcuMemorySize) return false;
        std::memcpy(loaded.memory.data() + a, bytes.data(), bytes.size());
        return true;
    }
    if (std::strcmp(line, "erased") == 0) {
        if (!ParseUnsigned(rest, UINT32_MAX, &a) || !ParseUnsigned(second, UINT32_MAX, &b)) return false;
        loaded.eraseCounts[static_cast<uint32_t>(a)] = static_cast<uint32_t>(b);
        // Lines apply in order: an erase written after a page takes it away.
        const uint64_t first = a * options->flash.pagesPerBlock;
        const uint64_t end = first + options->flash.pagesPerBlock;
        if (first <= UINT32_MAX)
            loaded.pages.erase(loaded.pages.lower_bound(static_cast<uint32_t>(first)),
                               end > UINT32_MAX ? loaded.pages.end()
                                                : loaded.pages.lower_bound(static_cast<uint32_t>(end)));
        return true;
    }
    if (std::strcmp(line, "page") == 0) {
        if (!ParseUnsigned(rest, UINT32_MAX, &a) || !ParseHex(second, &bytes)) return false;
        loaded.pages[static_cast<uint32_t>(a)] = std::move(bytes);
        return true;
    }
    return false;
}

// Reads one whole line, however long, without its line end ("\n", or
// "\r\n" from an editor that writes those). False at the end.
bool ReadLine(FILE* file, std::string* line) {
    line->clear();
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return c != EOF || !line->empty();
}

bool AllErased(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != 0xFF) return false;
    return true;
}

// The file is written through a fixed buffer with the calls of
// sim_state_file.h, nothing that allocates or takes a lock: the same code
// saves the recorder at the end of a run and when the program is being ended
// (sim_signals.cpp).
struct StateWriter {
    SimFile file;
    bool failed;
    size_t used;
    char buffer[4096];
};

StateWriter writer;
// The file kept up to date as the recorder changes, written to at its end.
StateWriter journal = {-1, false, 0, {}};
StateWriter* out = &writer;

void Flush() {
    if (!out->failed && !SimFileWrite(out->file, out->buffer, out->used)) out->failed = true;
    out->used = 0;
}

void PutChar(char c) {
    if (out->used == sizeof out->buffer) Flush();
    out->buffer[out->used++] = c;
}

void PutText(const char* text) {
    while (*text != '\0') PutChar(*text++);
}

void PutUnsigned(uint32_t value) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) PutChar(digits[--count]);
}

void PutHex(const uint8_t* bytes, size_t count) {
    static const char Digits[] = "0123456789abcdef";
    for (size_t i = 0; i < count; ++i) {
        PutChar(Digits[bytes[i] >> 4]);
        PutChar(Digits[bytes[i] & 0x0F]);
    }
}

void PutErased(uint32_t block, uint32_t count) {
    PutText("erased ");
    PutUnsigned(block);
    PutChar(' ');
    PutUnsigned(count);
    PutChar('\n');
}

void PutPage(uint32_t page, const uint8_t* data) {
    PutText("page ");
    PutUnsigned(page);
    PutChar(' ');
    PutHex(data, geometry.pageSize);
    PutChar('\n');
}

void PutMemoryLine(uint32_t address) {
    PutText("memory ");
    PutUnsigned(address);
    PutChar(' ');
    PutHex(SimMcuMemory() + address, MemoryLineBytes);
    PutChar('\n');
}

void PutMode() {
    PutText(SimMcuCurrentMode() == SimMcuProgramming ? "mode programming\narmed " : "mode running\narmed ");
    PutText(SimMcuArmed() ? "1\nopen-block " : "0\nopen-block ");
    uint32_t block = 0;
    if (SimMcuOpenBlock(&block))
        PutUnsigned(block);
    else
        PutText("none");
    PutChar('\n');
}

void PutState() {
    PutText(Header);
    PutText("\nflash ");
    const uint32_t fields[4] = {geometry.unitCount, geometry.blocksPerUnit, geometry.pagesPerBlock,
                                geometry.pageSize};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) PutChar(':');
        PutUnsigned(fields[i]);
    }
    PutText("\nsector-size ");
    PutUnsigned(sectorSize);
    PutChar('\n');
    PutMode();
    const uint8_t* memory = SimMcuMemory();
    for (uint32_t address = 0; address < SimMcuMemorySize; address += MemoryLineBytes)
        if (!AllErased(memory + address, MemoryLineBytes)) PutMemoryLine(address);
    SimFlashVisitErased(PutErased);
    SimFlashVisitPages(PutPage);
}

// One change as it happens, in the lines a loader applies in order. One
// write per change: a process killed after it loses nothing.
void JournalMcu(uint32_t address, uint32_t length) {
    out = &journal;
    if (length == 0) {
        PutMode();
    } else {
        const uint32_t end = address + length;
        for (uint32_t line = address / MemoryLineBytes * MemoryLineBytes; line < end && line < SimMcuMemorySize;
             line += MemoryLineBytes)
            PutMemoryLine(line);
    }
    Flush();
    out = &writer;
}

void JournalFlash(bool page, uint32_t index) {
    out = &journal;
    if (page)
        PutPage(index, SimFlashPageData(index));
    else
        PutErased(index, SimFlashEraseCount(index));
    Flush();
    out = &writer;
}

}  // namespace

bool SimStateLoad(const char* path, SimOptions* options, char* error, size_t errorSize) {
    loaded = LoadedState{};
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        // No file yet: the first run starts from the options and creates it.
        return errno == ENOENT || Fail(error, errorSize, std::strerror(errno), path);
    }
    loaded.present = true;
    loaded.memory.assign(SimMcuMemorySize, 0xFF);
    loaded.mode = SimMcuRunning;
    std::string line;
    bool ok = ReadLine(file, &line) && line == Header;
    unsigned number = 1;
    if (!ok) Fail(error, errorSize, "not a simulated recorder's state file", path);
    while (ok && ReadLine(file, &line)) {
        ++number;
        if (line.empty()) continue;
        ok = ParseLine(line.data(), options);
        if (!ok) Fail(error, errorSize, "malformed line", path, number);
    }
    std::fclose(file);
    return ok;
}

bool SimStateApply(const SimOptions& options, char* error, size_t errorSize) {
    geometry = options.flash;
    sectorSize = options.sectorSize;
    if (!loaded.present) return true;
    SimMcuRestore(loaded.memory.data(), loaded.mode);
    SimMcuWriteRecords(options, true);
    // Unplugged since: what it held only while powered is gone.
    if (options.powerCycled)
        SimMcuPowerOn();
    else
        SimMcuRestorePowered(loaded.armed, loaded.blockOpen, loaded.openBlock);
    for (const auto& [block, count] : loaded.eraseCounts) {
        if (!SimFlashRestoreEraseCount(block, count))
            return Fail(error, errorSize, "an erased block lies outside the flash", options.statePath);
    }
    for (const auto& [page, data] : loaded.pages) {
        if (!SimFlashRestorePage(page, data.data(), data.size()))
            return Fail(error, errorSize, "a page does not fit the flash", options.statePath);
    }
    loaded = LoadedState{};
    return true;
}

bool SimStateSaveNow(const char* path) {
    char temporary[4096];
    size_t length = std::strlen(path);
    if (length + sizeof ".tmp" > sizeof temporary) return false;
    std::memcpy(temporary, path, length);
    std::memcpy(temporary + length, ".tmp", sizeof ".tmp");

    writer.file = SimFileCreate(temporary);
    if (writer.file < 0) return false;
    writer.failed = false;
    writer.used = 0;
    PutState();
    Flush();
    bool written = SimFileClose(writer.file) && !writer.failed;
    if (!written || !SimFileReplace(temporary, path)) {
        SimFileRemove(temporary);
        return false;
    }
    return true;
}

bool SimStateKeepWritten(const char* path, char* error, size_t errorSize) {
    SimStateStopWriting();
    if (!SimStateSaveNow(path)) return Fail(error, errorSize, "cannot be written", path);
    journal.file = SimFileAppend(path);
    if (journal.file < 0) return Fail(error, errorSize, "cannot be written", path);
    journal.failed = false;
    journal.used = 0;
    SimMcuWatchChanges(JournalMcu);
    SimFlashWatchChanges(JournalFlash);
    return true;
}

bool SimStateStopWriting() {
    SimMcuWatchChanges(nullptr);
    SimFlashWatchChanges(nullptr);
    if (journal.file < 0) return true;
    bool written = SimFileClose(journal.file) && !journal.failed;
    journal.file = -1;
    return written;
}

bool SimStateSave(const char* path, char* error, size_t errorSize) {
    if (!SimStateSaveNow(path)) return Fail(error, errorSize, "cannot be written", path);
    return true;
}

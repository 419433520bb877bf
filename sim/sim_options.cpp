// The command line of vokari-update-sim: the simulator's own options come
// first and start with "--"; everything from the first other argument on is
// the updater's.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process_stop.h"
#include "sim/sim.h"

const uint8_t SimDefaultSignature[7] = {'V', 'K', 'R', '-', 'B', 'L', '7'};
const uint8_t SimDefaultMarker[4] = {'F', 'W', 'O', 'K'};
// 256 MiB: 2048-byte pages, 64 pages a block, 2048 blocks, one unit.
const SimFlashGeometry SimDefaultFlash = {1, 2048, 64, 2048};

void SimDefaultOptions(SimOptions* o) {
    *o = SimOptions{};
    o->drive = 1;
    o->deniedDrive = SimNoSlot;
    o->diskDrive = SimNoSlot;
    o->bootLoaderVersion = SimDefaultBootLoaderVersion;
    std::memcpy(o->signature, SimDefaultSignature, sizeof o->signature);
    o->firmwareVersion = SimDefaultFirmwareVersion;
    std::memcpy(o->marker, SimDefaultMarker, sizeof o->marker);
    o->flash = SimDefaultFlash;
    o->sectorSize = 512;
    o->returnOn = SimNoSlot;
    o->restartMs = 1500;
    o->failCommandCount = 1;
}

namespace {

struct Parser {
    char* error;
    size_t errorSize;

    bool Fail(const char* option, const char* what) {
        std::snprintf(error, errorSize, "%s: %s", option, what);
        return false;
    }
};

// A whole unsigned decimal or 0x hex number no larger than `max`.
bool ParseNumber(const char* text, uint64_t max, uint64_t* value) {
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+') return false;
    char* end = nullptr;
    int base = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
    unsigned long long v = std::strtoull(text, &end, base);
    if (*end != '\0' || v > max) return false;
    *value = v;
    return true;
}

bool ParseSlot(const char* text, int* slot, bool allowNone) {
    uint64_t v = 0;
    if (allowNone && text != nullptr && std::strcmp(text, "none") == 0) {
        *slot = SimNoSlot;
        return true;
    }
    if (!ParseNumber(text, SimSlotCount - 1, &v)) return false;
    *slot = static_cast<int>(v);
    return true;
}

// "X.Y" with X and Y from 0 to 255: X * 256 + Y.
bool ParseVersion(const char* text, uint16_t* version) {
    if (text == nullptr) return false;
    const char* dot = std::strchr(text, '.');
    if (dot == nullptr || dot - text > 3) return false;
    char major[4] = {};
    std::memcpy(major, text, static_cast<size_t>(dot - text));
    uint64_t hi = 0, lo = 0;
    if (!ParseNumber(major, 255, &hi) || !ParseNumber(dot + 1, 255, &lo)) return false;
    *version = static_cast<uint16_t>(hi << 8 | lo);
    return true;
}

// Up to `size` bytes; shorter text is padded with zero bytes.
bool ParseFixedText(const char* text, uint8_t* field, size_t size) {
    if (text == nullptr || std::strlen(text) > size) return false;
    std::memset(field, 0, size);
    std::memcpy(field, text, std::strlen(text));
    return true;
}

bool ParseFaultKind(const char* name, SimFaultKind* kind) {
    static const char* const names[FaultKindCount] = {
        "read", "write", "begin", "restart", "erase", "inquiry", "geometry", "capacity"};
    for (int k = 0; k < FaultKindCount; ++k) {
        if (std::strcmp(name, names[k]) == 0) {
            *kind = static_cast<SimFaultKind>(k);
            return true;
        }
    }
    return false;
}

// Copies `text` into `copy` without its ":COUNT" suffix, a whole number
// from 1 (1 when there is none). False for a text too long or a bad count.
bool SplitCount(const char* text, char (&copy)[64], uint64_t* count) {
    if (text == nullptr || std::strlen(text) >= sizeof copy) return false;
    std::strcpy(copy, text);
    *count = 1;
    char* colon = std::strchr(copy, ':');
    if (colon == nullptr) return true;
    *colon = '\0';
    return ParseNumber(colon + 1, UINT32_MAX, count) && *count != 0;
}

// KIND[@ADDR][:COUNT]
bool ParseFault(const char* text, SimFaultRule* rule) {
    char copy[64];
    uint64_t count = 0, address = 0;
    if (!SplitCount(text, copy, &count)) return false;
    char* at = std::strchr(copy, '@');
    if (at != nullptr) {
        *at = '\0';
        if (!ParseNumber(at + 1, UINT32_MAX, &address)) return false;
    }
    SimFaultKind kind;
    if (!ParseFaultKind(copy, &kind)) return false;
    *rule = {kind, at == nullptr, static_cast<uint32_t>(address), static_cast<uint32_t>(count)};
    return true;
}

// N[:COUNT]
bool ParseFailCommand(const char* text, SimOptions* o) {
    char copy[64];
    uint64_t first = 0, count = 0;
    if (!SplitCount(text, copy, &count)) return false;
    if (!ParseNumber(copy, UINT64_MAX, &first) || first == 0) return false;
    o->failCommand = first;
    o->failCommandCount = static_cast<uint32_t>(count);
    return true;
}

// One option with its value (if it takes one). False on a bad value.
bool ParseOption(const char* name, const char* value, bool* usedValue, SimOptions* o, Parser& p) {
    *usedValue = true;
    uint64_t n = 0;
    if (std::strcmp(name, "--drive") == 0)
        return ParseSlot(value, &o->drive, true) || p.Fail(name, "expects a slot 0-9 or none");
    if (std::strcmp(name, "--attach-after") == 0) {
        if (!ParseNumber(value, UINT32_MAX, &n)) return p.Fail(name, "expects milliseconds");
        o->attachAfterMs = n;
        return true;
    }
    if (std::strcmp(name, "--disk") == 0)
        return ParseSlot(value, &o->diskDrive, false) || p.Fail(name, "expects a slot 0-9");
    if (std::strcmp(name, "--deny") == 0)
        return ParseSlot(value, &o->deniedDrive, false) || p.Fail(name, "expects a slot 0-9");
    if (std::strcmp(name, "--bootloader") == 0) {
        o->bootLoaderGiven = true;
        return ParseVersion(value, &o->bootLoaderVersion) || p.Fail(name, "expects X.Y (0-255 each)");
    }
    if (std::strcmp(name, "--signature") == 0) {
        o->signatureGiven = true;
        return ParseFixedText(value, o->signature, sizeof o->signature) ||
               p.Fail(name, "expects at most 7 characters");
    }
    if (std::strcmp(name, "--firmware") == 0) {
        o->firmwareGiven = true;
        o->firmwareNone = value != nullptr && std::strcmp(value, "none") == 0;
        return o->firmwareNone || ParseVersion(value, &o->firmwareVersion) ||
               p.Fail(name, "expects X.Y (0-255 each) or none");
    }
    if (std::strcmp(name, "--marker") == 0) {
        o->markerGiven = true;
        return ParseFixedText(value, o->marker, sizeof o->marker) ||
               p.Fail(name, "expects at most 4 characters");
    }
    if (std::strcmp(name, "--flash") == 0) {
        o->flashGiven = true;
        return SimParseFlashGeometry(value, &o->flash) || p.Fail(name, "expects UNITS:BLOCKS:PAGES:PAGESIZE");
    }
    if (std::strcmp(name, "--sector-size") == 0) {
        o->sectorSizeGiven = true;
        if (!ParseNumber(value, UINT32_MAX, &n)) return p.Fail(name, "expects a byte count");
        o->sectorSize = static_cast<uint32_t>(n);
        return true;
    }
    if (std::strcmp(name, "--fail") == 0) {
        if (o->faultCount == SimMaxFaultRules) return p.Fail(name, "too many rules");
        return ParseFault(value, &o->faults[o->faultCount++]) ||
               p.Fail(name, "expects KIND[@ADDR][:COUNT]");
    }
    if (std::strcmp(name, "--stop-at") == 0) {
        if (!ProcessStopAvailable()) return p.Fail(name, "is not available on this system");
        o->stopAtGiven = true;
        // One stop, at the first match: a count has no meaning here.
        return (value != nullptr && std::strchr(value, ':') == nullptr &&
                ParseFault(value, &o->stopAt)) ||
               p.Fail(name, "expects KIND[@ADDR]");
    }
    if (std::strcmp(name, "--fail-command") == 0)
        return ParseFailCommand(value, o) || p.Fail(name, "expects N[:COUNT], N from 1");
    if (std::strcmp(name, "--kill-at") == 0) {
        if (!ParseNumber(value, UINT64_MAX, &n) || n == 0) return p.Fail(name, "expects N, from 1");
        o->killAt = n;
        return true;
    }
    if (std::strcmp(name, "--power-loss-at") == 0) {
        if (!ParseNumber(value, UINT64_MAX, &n) || n == 0) return p.Fail(name, "expects N, from 1");
        o->powerLossAt = n;
        return true;
    }
    if (std::strcmp(name, "--return-on") == 0)
        return ParseSlot(value, &o->returnOn, false) || p.Fail(name, "expects a slot 0-9");
    if (std::strcmp(name, "--restart-time") == 0) {
        if (!ParseNumber(value, UINT32_MAX, &n)) return p.Fail(name, "expects milliseconds");
        o->restartMs = static_cast<uint32_t>(n);
        return true;
    }
    if (std::strcmp(name, "--state") == 0) return (o->statePath = value) || p.Fail(name, "expects a file");
    if (std::strcmp(name, "--trace") == 0) return (o->tracePath = value) || p.Fail(name, "expects a file");
    if (std::strcmp(name, "--lock") == 0) return (o->lockName = value) || p.Fail(name, "expects a name");

    *usedValue = false;
    if (std::strcmp(name, "--no-return") == 0) return (o->noReturn = true);
    if (std::strcmp(name, "--return-denied") == 0) return (o->returnDenied = true);
    if (std::strcmp(name, "--power-cycled") == 0) return (o->powerCycled = true);
    if (std::strcmp(name, "--real-time") == 0) return (o->realTime = true);
    if (std::strcmp(name, "--help") == 0) return (o->help = true);
    if (std::strcmp(name, "--version") == 0) return (o->version = true);
    return p.Fail(name, "unknown option");
}

}  // namespace

bool SimParseFlashGeometry(const char* text, SimFlashGeometry* g) {
    if (text == nullptr) return false;
    char copy[64];
    if (std::strlen(text) >= sizeof copy) return false;
    std::strcpy(copy, text);
    const uint64_t max[4] = {255, 65535, 255, 65535};
    uint64_t v[4];
    char* rest = copy;
    for (int i = 0; i < 4; ++i) {
        char* colon = std::strchr(rest, ':');
        if ((colon == nullptr) != (i == 3)) return false;
        if (colon != nullptr) *colon = '\0';
        if (!ParseNumber(rest, max[i], &v[i])) return false;
        if (colon != nullptr) rest = colon + 1;
    }
    *g = {static_cast<uint8_t>(v[0]), static_cast<uint16_t>(v[1]), static_cast<uint8_t>(v[2]),
          static_cast<uint16_t>(v[3])};
    return true;
}

bool SimParseOptions(int argc, char** argv, SimOptions* options, int* rest, int* restCount,
                     char* error, size_t errorSize) {
    Parser parser{error, errorSize};
    *restCount = 0;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        bool usedValue = false;
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!ParseOption(argv[i], value, &usedValue, options, parser)) return false;
        if (usedValue) ++i;
    }
    for (; i < argc; ++i) rest[(*restCount)++] = i;
    return true;
}

// verify: the controller's memory read back and compared with the image the
// updater would program, region by region.
#include <cstdio>

#include "controller/programming.h"
#include "controller/records.h"
#include "images/image_store.h"
#include "tools/tool_commands.h"
#include "tools/tool_controller_memory.h"
#include "tools/tool_progress.h"
#include "tools/tool_recorder_text.h"
#include "tools/tool_report.h"

namespace {

struct Region {
    const char* name;
    uint32_t start;
    uint32_t length;
};

// What a pass writes, and the boot-loader section as the firmware image lays
// it out (a boot-loader pass installs that same section).
const Region Regions[] = {
    {"programmable area", 0x0000, ProgrammedBlocks * ProgrammedBlockSize},
    {"boot-loader section", BootLoaderInfoAddress, BootLoaderSectionSize},
};
constexpr int RegionCount = sizeof Regions / sizeof Regions[0];

struct RegionResult {
    uint32_t differing;
    uint32_t firstDifference;
};

RegionResult Compare(const Region& region, const uint8_t* memory) {
    RegionResult result{0, 0};
    for (uint32_t a = region.start; a < region.start + region.length; ++a) {
        if (memory[a] == FirmwareImage[a]) continue;
        if (result.differing++ == 0) result.firstDifference = a;
    }
    return result;
}

void PrintText(const RecorderInfo& info, const RegionResult* results) {
    char firmware[16], bootLoader[16];
    FormatVersion(ImageFirmwareStatus.version, firmware, sizeof firmware);
    FormatVersion(ImageBootLoaderInfo.version, bootLoader, sizeof bootLoader);
    PrintRecorderName(info);
    std::printf(" against the update's firmware %s and boot loader %s:\n", firmware, bootLoader);
    for (int i = 0; i < RegionCount; ++i) {
        const Region& r = Regions[i];
        std::printf("  %s 0x%04X-0x%04X: ", r.name, r.start, r.start + r.length - 1);
        if (results[i].differing == 0) std::printf("matches\n");
        else
            std::printf("differs from 0x%04X on, %u of %u bytes\n", results[i].firstDifference,
                        results[i].differing, r.length);
    }
}

void PrintJson(const RecorderInfo& info, const RegionResult* results, bool matches) {
    PrintJsonHead();
    std::printf(",");
    PrintJsonRecorderName(info);
    std::printf(",\"matches\":%s,\"regions\":[", matches ? "true" : "false");
    for (int i = 0; i < RegionCount; ++i) {
        const Region& r = Regions[i];
        std::printf("%s{\"name\":", i == 0 ? "" : ",");
        PrintJsonString(r.name);
        std::printf(",\"start\":%u,\"length\":%u,\"matches\":%s,\"firstDifference\":", r.start, r.length,
                    results[i].differing == 0 ? "true" : "false");
        if (results[i].differing == 0) std::printf("null");
        else std::printf("%u", results[i].firstDifference);
        std::printf(",\"differingBytes\":%u}", results[i].differing);
    }
    std::printf("]}\n");
}

}  // namespace

int RunVerify(const ToolArgs& args) {
    RecorderInfo info;
    if (int code = SelectNamedRecorder(args.drive, &info)) return code;

    static uint8_t memory[ControllerMemorySize];
    uint64_t total = 0;
    for (const Region& r : Regions) total += r.length;
    ProgressBegin("Reading controller memory", total);
    uint64_t done = 0;
    for (const Region& r : Regions) {
        uint32_t failedAt = 0;
        if (!ReadControllerRange(r.start, r.length, memory + r.start, done, &failedAt)) {
            ProgressEnd();
            return ReportFailure(ToolExitError, "the recorder did not answer the read at 0x%04X", failedAt);
        }
        done += r.length;
    }
    ProgressEnd();

    RegionResult results[RegionCount];
    bool matches = true;
    for (int i = 0; i < RegionCount; ++i) {
        results[i] = Compare(Regions[i], memory);
        matches = matches && results[i].differing == 0;
    }
    if (ReportJson()) PrintJson(info, results, matches);
    else PrintText(info, results);
    return matches ? ToolExitDone : ToolExitDiffers;
}

// list: every recorder, its flash, its records, and how they stand against
// the images this build's updater carries.
#include <cstdio>
#include <cstring>

#include "images/image_store.h"
#include "tools/tool_commands.h"
#include "tools/tool_recorder_text.h"
#include "tools/tool_report.h"

namespace {

const char* Comparison(uint16_t recorder, uint16_t update) {
    if (recorder < update) return "older";
    return recorder == update ? "equal" : "newer";
}

const char* ComparisonText(uint16_t recorder, uint16_t update) {
    if (recorder < update) return "older than";
    return recorder == update ? "the same as" : "newer than";
}

bool SignatureMatches(const RecorderInfo& r) {
    return std::memcmp(r.bootLoader.signature, ImageBootLoaderInfo.signature,
                       sizeof r.bootLoader.signature) == 0;
}

// A firmware version is known only from a valid record that names one: the
// updater, too, shows 0.0 as unavailable.
bool FirmwareKnown(const RecorderInfo& r) {
    return r.firmwareState == FirmwareValid && r.firmware.version != 0;
}

const char* FirmwareStateName(FirmwareState state) {
    switch (state) {
        case FirmwareUnreadable: return "unreadable";
        case FirmwareValid: return "valid";
        case FirmwareInvalid: return "invalid";
        case FirmwareErased: return "erased";
    }
    return "unreadable";
}

void PrintTextLine(const RecorderInfo& r) {
    char text[32], update[16];
    PrintRecorderName(r);
    FormatSize(FlashByteCount(r.flash), text, sizeof text);
    std::printf(": flash %u unit%s x %u blocks x %u pages x %u bytes (%s), sectors of %u bytes",
                r.flash.unitCount, r.flash.unitCount == 1 ? "" : "s", FlashBlocksPerUnit(r.flash), r.flash.pagesPerBlock,
                FlashPageSize(r.flash), text, r.sectorSize);

    if (r.bootLoaderRead) {
        FormatVersion(r.bootLoader.version, text, sizeof text);
        FormatVersion(ImageBootLoaderInfo.version, update, sizeof update);
        std::printf(", boot loader %s ", text);
        PrintTextBytes(r.bootLoader.signature, sizeof r.bootLoader.signature);
        if (!SignatureMatches(r)) {
            std::printf(" (not the update's ");
            PrintTextBytes(ImageBootLoaderInfo.signature, sizeof ImageBootLoaderInfo.signature);
            std::printf(")");
        }
        std::printf(" %s the update's %s", ComparisonText(r.bootLoader.version, ImageBootLoaderInfo.version),
                    update);
    } else {
        std::printf(", boot loader unreadable");
    }

    FormatVersion(ImageFirmwareStatus.version, update, sizeof update);
    if (r.firmwareState == FirmwareUnreadable || r.firmwareState == FirmwareErased) {
        std::printf(", firmware %s\n", r.firmwareState == FirmwareErased ? "none (record erased)" : "unreadable");
        return;
    }
    FormatVersion(r.firmware.version, text, sizeof text);
    std::printf(", firmware %s ", text);
    PrintTextBytes(r.firmware.marker, sizeof r.firmware.marker);
    if (FirmwareKnown(r))
        std::printf(" %s the update's %s\n", ComparisonText(r.firmware.version, ImageFirmwareStatus.version),
                    update);
    else
        std::fputs(r.firmwareState == FirmwareValid ? " (no version)\n" : " (not valid)\n", stdout);
}

void PrintJsonVersion(uint16_t version) {
    char text[16];
    FormatVersion(version, text, sizeof text);
    PrintJsonString(text);
}

void PrintJsonRecorder(const RecorderInfo& r) {
    std::printf("{");
    PrintJsonRecorderName(r);
    std::printf(",\"flash\":{\"units\":%u,\"blocksPerUnit\":%u,\"pagesPerBlock\":%u,\"pageSize\":%u,"
                "\"pages\":%llu,\"bytes\":%llu},\"sectorSize\":%u",
                r.flash.unitCount, FlashBlocksPerUnit(r.flash), r.flash.pagesPerBlock,
                FlashPageSize(r.flash), static_cast<unsigned long long>(FlashPageCount(r.flash)),
                static_cast<unsigned long long>(FlashByteCount(r.flash)), r.sectorSize);

    std::printf(",\"bootLoader\":{\"readable\":%s", r.bootLoaderRead ? "true" : "false");
    if (r.bootLoaderRead) {
        std::printf(",\"version\":");
        PrintJsonVersion(r.bootLoader.version);
        std::printf(",\"signature\":");
        PrintJsonBytes(r.bootLoader.signature, sizeof r.bootLoader.signature);
        std::printf(",\"signatureMatches\":%s,\"comparison\":\"%s\"", SignatureMatches(r) ? "true" : "false",
                    Comparison(r.bootLoader.version, ImageBootLoaderInfo.version));
    }
    std::printf("},\"firmware\":{\"state\":\"%s\"", FirmwareStateName(r.firmwareState));
    if (r.firmwareState == FirmwareValid || r.firmwareState == FirmwareInvalid) {
        std::printf(",\"version\":");
        PrintJsonVersion(r.firmware.version);
        std::printf(",\"marker\":");
        PrintJsonBytes(r.firmware.marker, sizeof r.firmware.marker);
    }
    std::printf(",\"comparison\":");
    if (FirmwareKnown(r)) std::printf("\"%s\"", Comparison(r.firmware.version, ImageFirmwareStatus.version));
    else std::printf("null");
    std::printf("}}");
}

void PrintJsonList(const RecorderInfo* recorders, int count) {
    PrintJsonHead();
    std::printf(",\"update\":{\"bootLoader\":");
    PrintJsonVersion(ImageBootLoaderInfo.version);
    std::printf(",\"signature\":");
    PrintJsonBytes(ImageBootLoaderInfo.signature, sizeof ImageBootLoaderInfo.signature);
    std::printf(",\"firmware\":");
    PrintJsonVersion(ImageFirmwareStatus.version);
    std::printf("},\"recorders\":[");
    for (int i = 0; i < count; ++i) {
        if (i != 0) std::printf(",");
        PrintJsonRecorder(recorders[i]);
    }
    std::printf("]}\n");
}

}  // namespace

int RunList(const ToolArgs& args) {
    RecorderInfo recorders[MaxRecorders];
    int found = FindRecorders(recorders);
    // --drive narrows the list to that drive.
    int shown = 0;
    for (int i = 0; i < found; ++i)
        if (args.drive == AnyDrive || recorders[i].drive == args.drive) recorders[shown++] = recorders[i];

    if (ReportJson()) PrintJsonList(recorders, shown);
    else
        for (int i = 0; i < shown; ++i) PrintTextLine(recorders[i]);

    if (shown == 0) {
        if (!ReportJson()) {
            if (args.drive == AnyDrive) std::printf("No recorder found on drives 0 to 8.\n");
            else std::printf("No recorder on drive %d.\n", args.drive);
        }
        return ToolExitNoRecorder;
    }
    // What could not be read is in the listing; the exit code says so too.
    for (int i = 0; i < shown; ++i)
        if (!recorders[i].bootLoaderRead || recorders[i].firmwareState == FirmwareUnreadable) {
            std::fflush(stdout);
            std::fprintf(stderr, "vokari-tool: the version records of %s could not be read\n",
                         recorders[i].path);
            return ToolExitError;
        }
    return ToolExitDone;
}

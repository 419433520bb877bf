#include "tools/tool_recorder_text.h"

#include <cstdio>

#include "tools/tool_args.h"
#include "tools/tool_report.h"

void PrintRecorderName(const RecorderInfo& info) {
    std::printf("%s", info.path);
    if (info.node[0] != '\0') std::printf(" (%s)", info.node);
}

void PrintJsonRecorderName(const RecorderInfo& info) {
    std::printf("\"drive\":%d,\"path\":", info.drive);
    PrintJsonString(info.path);
    std::printf(",\"node\":");
    if (info.node[0] == '\0') std::printf("null");
    else PrintJsonString(info.node);
}

void FormatSize(uint64_t bytes, char* text, size_t size) {
    const char* units[] = {"bytes", "KiB", "MiB", "GiB"};
    int unit = 0;
    while (unit < 3 && bytes != 0 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    std::snprintf(text, size, "%llu %s", static_cast<unsigned long long>(bytes), units[unit]);
}

int SelectNamedRecorder(int drive, RecorderInfo* info) {
    if (SelectRecorder(drive, info)) return ToolExitDone;
    if (drive == AnyDrive) return ReportFailure(ToolExitNoRecorder, "no recorder found on drives 0 to 8");
    return ReportFailure(ToolExitNoRecorder, "no recorder on drive %d", drive);
}

// read-flash and read-controller: the recorder's flash pages, or the
// controller's whole memory, into a file.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/tool_commands.h"
#include "tools/tool_controller_memory.h"
#include "tools/tool_output_file.h"
#include "tools/tool_progress.h"
#include "tools/tool_recorder_text.h"
#include "tools/tool_report.h"
#include "vokari/vkr.h"

namespace {

// One command's worth a call (the library's largest): a failed read is then
// named by the pages of that one command.
constexpr uint32_t ReadCallBytes = 64 * 1024;

struct PageRange {
    uint32_t first;
    uint32_t count;
    uint32_t pageBytes;  // the page's whole sectors, what a page read brings
};

int CheckRange(const ToolArgs& args, const RecorderInfo& info, PageRange* range) {
    uint64_t pages = FlashPageCount(info.flash);
    uint32_t pageSize = FlashPageSize(info.flash);
    if (pages == 0 || pageSize == 0) return ReportFailure(ToolExitError, "the recorder reports no flash pages");
    if (info.sectorSize == 0 || pageSize < info.sectorSize)
        return ReportFailure(ToolExitError, "the recorder's pages (%u bytes) are smaller than its sectors (%u bytes)",
                             pageSize, info.sectorSize);
    range->first = args.fromPage;
    if (range->first >= pages)
        return ReportFailure(ToolExitError, "--from %u: the flash has pages 0 to %llu", range->first,
                             static_cast<unsigned long long>(pages - 1));
    uint64_t count = args.pagesGiven ? args.pageCount : pages - range->first;
    if (range->first + count > pages)
        return ReportFailure(ToolExitError, "--pages %llu from page %u: the flash has pages 0 to %llu",
                             static_cast<unsigned long long>(count), range->first,
                             static_cast<unsigned long long>(pages - 1));
    if (count > UINT32_MAX) return ReportFailure(ToolExitError, "the flash has more pages than one read can name");
    range->count = static_cast<uint32_t>(count);
    range->pageBytes = pageSize / info.sectorSize * info.sectorSize;
    return ToolExitDone;
}

// Page by page in calls of about ReadCallBytes into the file. Returns an
// exit code; on failure the file is discarded.
int ReadPagesInto(const PageRange& range, OutputFile* out) {
    uint32_t perCall = ReadCallBytes / range.pageBytes;
    if (perCall == 0) perCall = 1;
    if (perCall > UINT16_MAX) perCall = UINT16_MAX;
    std::vector<uint8_t> buffer(uint64_t{perCall} * range.pageBytes);
    ProgressBegin("Reading flash", uint64_t{range.count} * range.pageBytes);
    std::string error;
    for (uint32_t done = 0; done < range.count;) {
        uint32_t pages = range.count - done < perCall ? range.count - done : perCall;
        uint32_t page = range.first + done;
        if (!Vkr_ReadPages(page, buffer.data(), static_cast<uint16_t>(pages))) {
            ProgressEnd();
            OutputFileDiscard(out);
            return ReportFailure(ToolExitError, "the recorder did not answer the read of pages %u to %u; %s not written",
                                 page, page + pages - 1, out->path.c_str());
        }
        if (!OutputFileWrite(out, buffer.data(), uint64_t{pages} * range.pageBytes, &error)) {
            ProgressEnd();
            return ReportFailure(ToolExitError, "%s", error.c_str());
        }
        done += pages;
        ProgressUpdate(uint64_t{done} * range.pageBytes);
    }
    ProgressEnd();
    return ToolExitDone;
}

int Commit(OutputFile* out) {
    std::string error;
    if (!OutputFileCommit(out, &error)) return ReportFailure(ToolExitError, "%s", error.c_str());
    return ToolExitDone;
}

void PrintJsonFile(const RecorderInfo& info, const char* file, uint64_t bytes) {
    PrintJsonHead();
    std::printf(",");
    PrintJsonRecorderName(info);
    std::printf(",\"file\":");
    PrintJsonString(file);
    std::printf(",\"bytes\":%llu", static_cast<unsigned long long>(bytes));
}

}  // namespace

int RunReadFlash(const ToolArgs& args) {
    RecorderInfo info;
    if (int code = SelectNamedRecorder(args.drive, &info)) return code;
    PageRange range{};
    if (int code = CheckRange(args, info, &range)) return code;
    // The file first: one that cannot be written costs no read.
    OutputFile out{};
    std::string error;
    if (!OutputFileOpen(&out, args.file, &error)) return ReportFailure(ToolExitError, "%s", error.c_str());
    if (int code = ReadPagesInto(range, &out)) return code;
    if (int code = Commit(&out)) return code;

    uint64_t bytes = uint64_t{range.count} * range.pageBytes;
    if (ReportJson()) {
        PrintJsonFile(info, args.file, bytes);
        std::printf(",\"firstPage\":%u,\"pages\":%u,\"pageBytes\":%u}\n", range.first, range.count,
                    range.pageBytes);
    } else {
        std::printf("Read pages %u to %u (%llu bytes) of ", range.first, range.first + range.count - 1,
                    static_cast<unsigned long long>(bytes));
        PrintRecorderName(info);
        std::printf(" into %s.\n", args.file);
    }
    return ToolExitDone;
}

int RunReadController(const ToolArgs& args) {
    RecorderInfo info;
    if (int code = SelectNamedRecorder(args.drive, &info)) return code;
    OutputFile out{};
    std::string error;
    if (!OutputFileOpen(&out, args.file, &error)) return ReportFailure(ToolExitError, "%s", error.c_str());

    static uint8_t memory[ControllerMemorySize];
    uint32_t failedAt = 0;
    ProgressBegin("Reading controller memory", ControllerMemorySize);
    bool read = ReadControllerRange(0, ControllerMemorySize, memory, 0, &failedAt);
    ProgressEnd();
    if (!read) {
        OutputFileDiscard(&out);
        return ReportFailure(ToolExitError, "the recorder did not answer the read at 0x%04X; %s not written",
                             failedAt, args.file);
    }
    if (!OutputFileWrite(&out, memory, sizeof memory, &error)) return ReportFailure(ToolExitError, "%s", error.c_str());
    if (int code = Commit(&out)) return code;

    if (ReportJson()) {
        PrintJsonFile(info, args.file, sizeof memory);
        std::printf("}\n");
    } else {
        std::printf("Read the controller's %u bytes of memory of ", ControllerMemorySize);
        PrintRecorderName(info);
        std::printf(" into %s.\n", args.file);
    }
    return ToolExitDone;
}

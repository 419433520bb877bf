// The trace: one JSON object per SCSI command, in order (JSON Lines), to a
// file when one is named, and in memory when a test asks for it.
#include <cstdio>
#include <cstring>

#include "sim/sim.h"
#include "sim/sim_trace_write.h"

namespace {

FILE* traceFile = nullptr;
bool keep = false;
std::vector<SimTraceRecord> records;

void WriteHex(FILE* f, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) std::fprintf(f, "%02x", bytes[i]);
}

void WriteJsonString(FILE* f, const char* text) {
    std::fputc('"', f);
    for (const char* p = text; *p != '\0'; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\')
            std::fprintf(f, "\\%c", c);
        else if (c < 0x20)
            std::fprintf(f, "\\u%04x", c);
        else
            std::fputc(c, f);
    }
    std::fputc('"', f);
}

void WriteRecord(const SimTraceRecord& r) {
    if (traceFile == nullptr) return;
    std::fprintf(traceFile, "{\"t\":%llu,\"path\":", static_cast<unsigned long long>(r.t));
    WriteJsonString(traceFile, r.path);
    if (!r.opened) {
        std::fprintf(traceFile, ",\"open\":false,\"result\":0}\n");
        return;
    }
    std::fprintf(traceFile, ",\"cdb\":\"");
    WriteHex(traceFile, r.cdb, sizeof r.cdb);
    std::fprintf(traceFile, "\",\"dir\":%u,\"len\":%u,\"out\":\"", r.direction, r.length);
    WriteHex(traceFile, r.out.data(), r.out.size());
    std::fprintf(traceFile, "\",\"in\":\"");
    WriteHex(traceFile, r.in.data(), r.in.size());
    std::fprintf(traceFile, "\",\"result\":%d%s}\n", r.result, r.host ? ",\"host\":true" : "");
}

void Record(SimTraceRecord&& r) {
    WriteRecord(r);
    if (keep) records.push_back(std::move(r));
}

void CopyPath(char* destination, size_t size, const char* path) {
    std::snprintf(destination, size, "%s", path == nullptr ? "" : path);
}

}  // namespace

bool SimTraceOpen(const char* path) {
    SimTraceClose();
    traceFile = std::fopen(path, "wb");
    return traceFile != nullptr;
}

void SimTraceClose() {
    if (traceFile != nullptr) std::fclose(traceFile);
    traceFile = nullptr;
}

void SimTraceKeep(bool on) { keep = on; }

const std::vector<SimTraceRecord>& SimTrace() { return records; }

void SimTraceClear() { records.clear(); }

void SimTraceFailedOpen(const char* path) {
    if (traceFile == nullptr && !keep) return;
    SimTraceRecord r{};
    r.t = SimNowMs();
    CopyPath(r.path, sizeof r.path, path);
    r.opened = false;
    Record(std::move(r));
}

void SimTraceCommand(uint64_t t, int slot, const ScsiRequest& request, const ScsiOutcome& outcome,
                     uint32_t bytesIn, SimTraceOrigin origin) {
    if (traceFile == nullptr && !keep) return;
    SimTraceRecord r{};
    r.t = t;
    std::snprintf(r.path, sizeof r.path, "\\\\.\\PHYSICALDRIVE%d", slot);
    std::memcpy(r.cdb, request.cdb, sizeof r.cdb);
    r.direction = request.direction;
    r.length = request.length;
    const auto* data = static_cast<const uint8_t*>(request.data);
    if (request.direction == ScsiDataOut && data != nullptr)
        r.out.assign(data, data + request.length);
    if (request.direction == ScsiDataIn && data != nullptr) r.in.assign(data, data + bytesIn);
    r.result = outcome.carriedOut && outcome.status == 0 ? 1 : 0;
    r.opened = true;
    r.host = origin == TracedHost;
    Record(std::move(r));
}

#include "tools/tool_progress.h"

#include <cstdio>

#include "platform/clock.h"

namespace {

// Often enough to look alive, seldom enough that a terminal over a slow
// link does not hold the read back.
constexpr uint64_t RedrawMs = 200;
constexpr int LineWidth = 72;

struct ProgressLine {
    bool enabled;
    bool shown;
    const char* what;
    uint64_t total;
    uint64_t startMs;
    uint64_t drawnMs;
};

ProgressLine line;

void Draw(uint64_t done, uint64_t nowMs) {
    uint64_t elapsed = nowMs - line.startMs;
    unsigned percent = line.total == 0 ? 100 : static_cast<unsigned>(done * 100 / line.total);
    double mbPerS = elapsed == 0 ? 0.0 : static_cast<double>(done) / 1e3 / static_cast<double>(elapsed);
    char left[32] = "";
    if (done != 0 && done < line.total) {
        uint64_t leftS = (line.total - done) * elapsed / done / 1000;
        std::snprintf(left, sizeof left, ", %llu:%02llu left",
                      static_cast<unsigned long long>(leftS / 60),
                      static_cast<unsigned long long>(leftS % 60));
    }
    std::printf("\r%s %3u%%, %.1f MB/s%s%-8s", line.what, percent, mbPerS, left, "");
    std::fflush(stdout);
    line.shown = true;
    line.drawnMs = nowMs;
}

}  // namespace

void ProgressEnable(bool enabled) { line = ProgressLine{enabled, false, "", 0, 0, 0}; }

void ProgressBegin(const char* what, uint64_t totalBytes) {
    if (!line.enabled) return;
    line.what = what;
    line.total = totalBytes;
    line.startMs = MonotonicMs();
    Draw(0, line.startMs);
}

void ProgressUpdate(uint64_t doneBytes) {
    if (!line.enabled) return;
    uint64_t now = MonotonicMs();
    if (now - line.drawnMs >= RedrawMs || doneBytes == line.total) Draw(doneBytes, now);
}

void ProgressEnd() {
    if (!line.enabled || !line.shown) return;
    std::printf("\r%*s\r", LineWidth, "");
    std::fflush(stdout);
    line.shown = false;
}

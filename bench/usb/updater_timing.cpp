// Linked into vokari-update for the USB benchmark (with --wrap=ioctl and
// --wrap on SleepMs): times every SG_IO as the updater sees it and adds up
// the pauses it asks for. Written at exit to $VKR_TIMING_FILE. (The restarts
// are timed from the recorder's trace, where each command has its time.)
#include <scsi/sg.h>
#include <stdarg.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int __real_ioctl(int fd, unsigned long request, void* argument);
extern "C" void __real__Z7SleepMsj(uint32_t ms);

namespace {

std::vector<double> latencies;  // ms, every SG_IO
uint64_t pausedMs = 0;
double startMs = 0;

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

__attribute__((constructor)) void Start() { startMs = NowMs(); }

__attribute__((destructor)) void Report() {
    const char* path = std::getenv("VKR_TIMING_FILE");
    if (path == nullptr) return;
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) return;
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double l : sorted) sum += l;
    size_t n = sorted.size();
    std::fprintf(f, "run %.0f ms, pauses asked %llu ms (the floor), overhead %.1f %%\n",
                 NowMs() - startMs, static_cast<unsigned long long>(pausedMs),
                 pausedMs == 0 ? 0.0 : 100.0 * (NowMs() - startMs - pausedMs) / pausedMs);
    if (n > 0)
        std::fprintf(f, "SG_IO %zu: mean %.2f ms, median %.2f ms, p99 %.2f ms, max %.2f ms\n", n,
                     sum / n, sorted[n / 2], sorted[std::min(n - 1, n * 99 / 100)], sorted[n - 1]);
    std::fclose(f);
}

}  // namespace

extern "C" int __wrap_ioctl(int fd, unsigned long request, ...) {
    va_list list;
    va_start(list, request);
    void* argument = va_arg(list, void*);
    va_end(list);
    if (request != SG_IO) return __real_ioctl(fd, request, argument);
    double before = NowMs();
    int result = __real_ioctl(fd, request, argument);
    latencies.push_back(NowMs() - before);
    return result;
}

extern "C" void __wrap__Z7SleepMsj(uint32_t ms) {
    pausedMs += ms;
    __real__Z7SleepMsj(ms);
}

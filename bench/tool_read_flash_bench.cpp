// vokari-tool-sim read-flash of the simulated recorder's whole flash (256
// MiB), host side: the tool as a person starts it, into a file, timed on the
// wall clock from start to exit. Three runs; the best and the slowest.
//
// Usage: vkr_tool_read_flash_bench [FOLDER]   (for the file; default /tmp)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <string>

extern char** environ;

namespace {

double NowS() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Seconds of one run; negative when it did not end with 0.
double TimedRead(const std::string& file) {
    std::string program = VKR_TOOL_SIM_PROGRAM, lock = "vkr-tool-bench", command = "read-flash";
    char* argv[] = {program.data(), const_cast<char*>("--lock"), lock.data(), command.data(),
                    const_cast<char*>(file.c_str()), nullptr};
    double start = NowS();
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = NowS() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string file = std::string(argc > 1 ? argv[1] : "/tmp") + "/vkr-tool-bench-flash.bin";
    const double bytes = 256.0 * 1024 * 1024;
    double best = 1e9, worst = 0;
    for (int run = 0; run < 3; ++run) {
        double s = TimedRead(file);
        if (s < 0) {
            std::fprintf(stderr, "read-flash failed\n");
            return 1;
        }
        best = s < best ? s : best;
        worst = s > worst ? s : worst;
    }
    std::remove(file.c_str());
    std::printf("read-flash of 256 MiB into %s: best %.3f s (%.0f MB/s), slowest %.3f s (%.0f MB/s)\n",
                file.c_str(), best, bytes / best / 1e6, worst, bytes / worst / 1e6);
    return 0;
}

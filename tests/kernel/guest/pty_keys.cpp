// pty_keys: runs a program on a pseudo-terminal of its own, the way a person
// at a keyboard would: each key of KEYS is typed when the program asks a
// question (its output, past the last answer, ends a line in "key to exit."),
// everything it writes goes to OUT as it comes, and pty_keys ends with the
// program's exit code (124 when SECONDS ran out and it was killed).
//
//   pty_keys [--user UID] [--ahead MS | --ahead-when FILE] OUT KEYS SECONDS
//            PROGRAM [ARGS...]
//
// With --ahead (a Windows program under Wine), standard output goes through a
// pipe, where Wine's console writes it in blocks, so no question can be
// waited for: the keys are typed ahead instead, MS after the program has
// taken the terminal for itself and then 100 ms apart. --ahead-when types
// them once FILE exists, so that a program can be held at its first
// question for as long as another needs.
//
// It runs the same on the host (the seam-level run) and in the test guest,
// so that the two outputs can be compared byte for byte. With --user the
// program runs as that user and group, without supplementary groups.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/pty_process.h"

namespace {

constexpr char AsUser[] = "--exec-as";  // internal: drops to the user, then execs

const char* const Questions[] = {"key to exit.\n", "key to exit.\r\n"};

// Where the first question past `from` ends, or npos.
size_t QuestionEnd(const std::string& output, size_t from) {
    size_t best = std::string::npos;
    for (const char* q : Questions) {
        size_t at = output.find(q, from);
        if (at != std::string::npos && (best == std::string::npos || at + std::strlen(q) < best))
            best = at + std::strlen(q);
    }
    return best;
}

int ExecAs(int argc, char** argv) {
    if (argc < 4) return 2;
    auto id = static_cast<uid_t>(std::atoi(argv[2]));
    if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) return 125;
    execv(argv[3], argv + 3);
    return 127;
}

int Usage() {
    std::fprintf(stderr, "usage: pty_keys [--user UID] [--ahead MS | --ahead-when FILE] OUT KEYS SECONDS"
                         " PROGRAM [ARGS...]\n");
    return 2;
}

enum : int { AheadGapMs = 100 };

// The keys typed ahead, once the program reads the terminal key by key (so
// that none of them waits in the line editor for an Enter).
bool Exists(const char* path) {
    struct stat s {};
    return path == nullptr || stat(path, &s) == 0;
}

int RunAhead(PtyProcess& process, const std::string& keys, long long delayMs, const char* gate,
             long long deadline, int out) {
    size_t written = 0, nextKey = 0;
    long long raw = -1, nextAt = 0;
    int code = ExitTimedOut;
    while (code == ExitTimedOut && NowMs() < deadline) {
        code = process.WaitExit(20);
        const std::string& output = process.Output();
        if (output.size() > written) {
            (void)!write(out, output.data() + written, output.size() - written);
            written = output.size();
        }
        if (code != ExitTimedOut) break;
        if (raw < 0 && !process.TerminalIsCooked() && Exists(gate)) {
            raw = NowMs();
            nextAt = raw + delayMs;
        }
        if (raw >= 0 && nextKey < keys.size() && NowMs() >= nextAt) {
            process.Press(std::string(1, keys[nextKey++]));
            nextAt = NowMs() + AheadGapMs;
        }
    }
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], AsUser) == 0) return ExecAs(argc, argv);
    int first = 1;
    const char* user = nullptr;
    if (argc >= 3 && std::strcmp(argv[1], "--user") == 0) {
        user = argv[2];
        first = 3;
    }
    long long aheadMs = -1;
    const char* gate = nullptr;
    if (argc - first >= 2 && std::strcmp(argv[first], "--ahead") == 0) {
        aheadMs = std::atoll(argv[first + 1]);
        first += 2;
    } else if (argc - first >= 2 && std::strcmp(argv[first], "--ahead-when") == 0) {
        aheadMs = 0;
        gate = argv[first + 1];
        first += 2;
    }
    if (argc - first < 4) return Usage();
    const char* outPath = argv[first];
    std::string keys = argv[first + 1];
    long long deadline = NowMs() + 1000LL * std::atoi(argv[first + 2]);

    std::string program = argv[first + 3];
    std::vector<std::string> args;
    if (user != nullptr) {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return 2;
        self[n] = '\0';
        args = {user, program};
        program = self;
        args.insert(args.begin(), AsUser);
    }
    for (int i = first + 4; i < argc; ++i) args.emplace_back(argv[i]);

    int out = open(outPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return 2;
    PtyProcess process;
    LaunchOptions options;
    options.stdoutPipe = aheadMs >= 0;
    if (!process.Start(program, args, options)) return 2;
    size_t written = 0, answered = 0, nextKey = 0;
    int code = ExitTimedOut;
    if (aheadMs >= 0) code = RunAhead(process, keys, aheadMs, gate, deadline, out);
    while (aheadMs < 0 && code == ExitTimedOut && NowMs() < deadline) {
        code = process.WaitExit(100);
        const std::string& output = process.Output();
        if (output.size() > written) {
            (void)!write(out, output.data() + written, output.size() - written);
            written = output.size();
        }
        size_t end = QuestionEnd(output, answered);
        if (code == ExitTimedOut && end != std::string::npos && nextKey < keys.size()) {
            process.Press(std::string(1, keys[nextKey++]));
            answered = end;
        }
    }
    close(out);
    if (code == ExitTimedOut) {
        process.Kill();
        return 124;
    }
    return code;
}

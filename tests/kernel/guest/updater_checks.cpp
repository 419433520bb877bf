// vokari-update as a normal user, first without permission on sg0 (the
// system disk: not the recorder, so not mentioned), then with it; and, on a
// machine that also has a disk with the recorder's INQUIRY strings, the
// permission line that names that disk's node only. Its output goes to a pseudo-terminal (unbuffered, as a person sees it)
// that is not its controlling terminal: it has no keyboard, so it is ended
// with a signal once its output has been checked.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/messages.h"
#include "tests/kernel/guest/guest_check.h"

namespace {

constexpr uid_t NormalUser = 1000;
constexpr char Node[] = "/dev/sg0";

uint64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

// Appends what the program writes within `ms`, or until `done` holds.
template <typename Done>
void Collect(int master, std::string* output, uint64_t ms, Done done) {
    uint64_t end = NowMs() + ms;
    while (!done() && NowMs() < end) {
        pollfd descriptor{master, POLLIN, 0};
        if (poll(&descriptor, 1, 50) <= 0) continue;
        char buffer[256];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) output->append(buffer, static_cast<size_t>(n));
    }
}

void Collect(int master, std::string* output, uint64_t ms) {
    Collect(master, output, ms, [] { return false; });
}

std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

pid_t StartAsNormalUser(const char* terminal) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    setsid();
    int slave = open(terminal, O_RDWR | O_NOCTTY);
    int none = open("/dev/null", O_RDONLY);
    if (slave < 0 || none < 0) _exit(126);
    dup2(none, STDIN_FILENO);
    dup2(slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    if (setgroups(0, nullptr) != 0 || setgid(NormalUser) != 0 || setuid(NormalUser) != 0)
        _exit(125);
    execl("/bin/vokari-update", "vokari-update", static_cast<char*>(nullptr));
    _exit(127);
}

int OpenRawTerminal(std::string* slaveName) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    *slaveName = ptsname(master);
    // Raw: the bytes the program writes arrive unchanged ("\n" stays "\n").
    int slave = open(slaveName->c_str(), O_RDWR | O_NOCTTY);
    termios mode{};
    if (slave < 0 || tcgetattr(slave, &mode) != 0) return -1;
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    close(slave);
    return master;
}

}  // namespace

void CheckUpdaterWithoutPermission() {
    if (!Check(chown(Node, 0, 0) == 0 && chmod(Node, 0600) == 0, "/dev/sg0 is root's, mode 0600"))
        return;
    std::string terminal;
    int master = OpenRawTerminal(&terminal);
    if (!Check(master >= 0, "a pseudo-terminal for vokari-update's output")) return;

    // The disk's INQUIRY strings are QEMU's: a node that refuses us but is
    // not the recorder is not named.
    const std::string expected = std::string(msg::Banner) + msg::DeviceNotConnected;

    long requestsBefore = DiskRequestCount();
    uint64_t start = NowMs();
    pid_t pid = StartAsNormalUser(terminal.c_str());
    std::string output;
    int status = 0;
    bool ended = false;
    Collect(master, &output, 60000, [&] {
        ended = ended || waitpid(pid, &status, WNOHANG) == pid;
        return ended || output.size() >= expected.size();
    });
    if (!Check(!ended, "vokari-update runs (exit status 0x%x)", status)) return;
    std::printf("vokari-update printed the wait text after %llu ms\n",
                static_cast<unsigned long long>(NowMs() - start));

    // It keeps waiting (checking access once a second), says nothing about
    // the system disk, and nothing reaches the disk.
    Collect(master, &output, 2500);
    Check(output == expected, "only the wait text, no permission line for %s: %s", Node,
          Printable(output).c_str());
    Check(DiskRequestCount() == requestsBefore, "no command reached the disk while denied");

    // Permission granted: it probes the disk and still finds no recorder.
    chmod(Node, 0666);
    long requestsGranted = DiskRequestCount();
    uint64_t deadline = NowMs() + 10000;
    while (DiskRequestCount() == requestsGranted && NowMs() < deadline) Collect(master, &output, 100);
    Collect(master, &output, 1000);
    long probes = DiskRequestCount() - requestsGranted;
    Check(probes > 0, "after chmod 666 it probes the disk (%ld commands in about 1 s)", probes);
    Check(output == expected, "no recorder: it still waits and prints nothing more");
    Check(waitpid(pid, nullptr, WNOHANG) == 0, "vokari-update is still waiting");

    kill(pid, SIGTERM);
    Check(waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM,
          "vokari-update ends on SIGTERM");
    close(master);
    chmod(Node, 0600);
}

// Two disks, both root's with mode 0600: sg0 QEMU's, sg1 with the recorder's
// INQUIRY vendor and product. The line names sg1, once, and never sg0.
void CheckPermissionLineNamesTheRecorder() {
    const char* nodes[] = {"/dev/sg0", "/dev/sg1"};
    for (const char* node : nodes)
        if (!Check(chown(node, 0, 0) == 0 && chmod(node, 0600) == 0, "%s is root's, mode 0600", node))
            return;
    std::string terminal;
    int master = OpenRawTerminal(&terminal);
    if (!Check(master >= 0, "a pseudo-terminal for vokari-update's output")) return;

    char denied[160];
    std::snprintf(denied, sizeof denied, msg::DrivePermissionDenied, "/dev/sg1");
    const std::string expected = std::string(msg::Banner) + msg::DeviceNotConnected + denied;
    pid_t pid = StartAsNormalUser(terminal.c_str());
    std::string output;
    int status = 0;
    bool ended = false;
    Collect(master, &output, 30000, [&] {
        ended = ended || waitpid(pid, &status, WNOHANG) == pid;
        return ended || output.size() >= expected.size();
    });
    if (!Check(!ended, "vokari-update runs (exit status 0x%x)", status)) return;
    Collect(master, &output, 2500);
    Check(output == expected, "the wait text, then the permission line for /dev/sg1 only, once: %s",
          Printable(output).c_str());

    kill(pid, SIGTERM);
    Check(waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM,
          "vokari-update ends on SIGTERM");
    close(master);
}

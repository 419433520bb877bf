#include "tests/e2e/pty_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

namespace {

// A stopped program's last bytes are through the terminal within this.
constexpr int QuietMs = 20;

void PauseMs(long long ms) {
    if (ms <= 0) return;
    timespec pause{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

int Remaining(long long deadline) {
    long long left = deadline - NowMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

// In the child, between fork and exec: only plain system calls.
[[noreturn]] void RunChild(int slave, int devNull, int stdoutFd, bool controllingTerminal,
                           char** argv) {
    setsid();
    if (controllingTerminal) {
        ioctl(slave, TIOCSCTTY, 0);
        dup2(slave, STDIN_FILENO);
    } else {
        dup2(devNull, STDIN_FILENO);
    }
    dup2(stdoutFd >= 0 ? stdoutFd : slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    if (slave > STDERR_FILENO) close(slave);
    if (devNull > STDERR_FILENO) close(devNull);
    if (stdoutFd > STDERR_FILENO) close(stdoutFd);
    execv(argv[0], argv);
    _exit(127);
}

// Reads what `fd` holds into `out`. False once every writer has closed it
// (end of file, or EIO from a terminal).
bool Drain(int fd, std::string* out) {
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out->append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return ExitUnknown;
}

}  // namespace

PtyProcess::~PtyProcess() {
    Kill();
    if (master_ >= 0) close(master_);
    if (pipe_ >= 0) close(pipe_);
}

bool PtyProcess::Start(const std::string& program, const std::vector<std::string>& args,
                       const LaunchOptions& options) {
    if (pid_ > 0 || master_ >= 0) return false;

    std::vector<std::string> words = options.launcher;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) return false;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    termios mode{};
    tcgetattr(slave, &mode);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(slave, TCSANOW, &mode);

    int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    int stdoutFd = -1;
    if (!options.stdoutFile.empty())
        stdoutFd = open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ready = devNull >= 0 && (options.stdoutFile.empty() || stdoutFd >= 0);
    int pipeEnds[2] = {-1, -1};
    if (options.stdoutPipe) {
        ready = ready && pipe2(pipeEnds, O_CLOEXEC) == 0;
        stdoutFd = pipeEnds[1];
    }

    if (ready) {
        pid_ = fork();
        if (pid_ == 0) RunChild(slave, devNull, stdoutFd, options.controllingTerminal, argv.data());
    }
    close(slave);
    if (devNull >= 0) close(devNull);
    if (stdoutFd >= 0) close(stdoutFd);
    if (pid_ <= 0) {
        pid_ = -1;
        if (pipeEnds[0] >= 0) close(pipeEnds[0]);
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (options.stdoutPipe) {
        pipe_ = pipeEnds[0];
        piped_ = true;
        fcntl(pipe_, F_SETFL, fcntl(pipe_, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

bool PtyProcess::Pump(int waitMs) {
    pollfd fds[2];
    nfds_t count = 0;
    if (master_ >= 0) fds[count++] = {master_, POLLIN, 0};
    if (pipe_ >= 0) fds[count++] = {pipe_, POLLIN, 0};
    if (count == 0) return false;
    if (poll(fds, count, waitMs) < 0 && errno != EINTR) return false;
    // EIO (or end of file): every writer has closed the terminal.
    if (master_ >= 0 && !Drain(master_, piped_ ? &terminal_ : &output_)) CloseMaster();
    if (pipe_ >= 0 && !Drain(pipe_, &output_)) {
        close(pipe_);
        pipe_ = -1;
    }
    return OutputOpen();
}

void PtyProcess::CloseMaster() {
    cookedAtClose_ = TerminalIsCooked();
    close(master_);
    master_ = -1;
}

bool PtyProcess::TerminalIsCooked() const {
    if (master_ < 0) return cookedAtClose_;
    // On the master side the terminal's mode is the one the program sets.
    termios mode{};
    if (tcgetattr(master_, &mode) != 0) return false;
    const tcflag_t cooked = ECHO | ICANON | ISIG;
    return (mode.c_lflag & cooked) == cooked;
}

bool PtyProcess::Reap(bool block) {
    if (exited_) return true;
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r != pid_) return false;
    exited_ = true;
    exitCode_ = ExitCodeOf(status);
    return true;
}

bool PtyProcess::WaitFor(const std::string& text, int timeoutMs) {
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        if (output_.find(text) != std::string::npos) return true;
        if (!OutputOpen() || NowMs() >= deadline) return false;
        Pump(Remaining(deadline));
    }
}

void PtyProcess::Press(const std::string& key) {
    long long due = lastKeyMs_ + KeyGapMs;
    while (NowMs() < due) Pump(Remaining(due));
    if (master_ >= 0) {
        size_t sent = 0;
        while (sent < key.size()) {
            ssize_t n = write(master_, key.data() + sent, key.size() - sent);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                Pump(1);
            } else {
                break;
            }
        }
    }
    lastKeyMs_ = NowMs();
}

int PtyProcess::WaitExit(int timeoutMs) {
    long long deadline = NowMs() + timeoutMs;
    while (OutputOpen() && NowMs() < deadline) Pump(Remaining(deadline));
    // The terminal (or the pipe) closes as the program ends; the exit status follows.
    for (;;) {
        if (Reap(false)) return exitCode_;
        if (pid_ <= 0) return ExitUnknown;
        if (NowMs() >= deadline) return ExitTimedOut;
        PauseMs(2);
    }
}

bool PtyProcess::StaysRunningFor(int ms) {
    long long deadline = NowMs() + ms;
    while (OutputOpen() && NowMs() < deadline) Pump(Remaining(deadline));
    if (!OutputOpen()) WaitExit(Remaining(deadline) + 1000);
    return !Reap(false);
}

bool PtyProcess::WaitStopped(int timeoutMs) {
    if (pid_ <= 0 || exited_) return false;
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG | WUNTRACED);
        if (r == pid_ && WIFSTOPPED(status)) break;
        if (r == pid_) {
            exited_ = true;
            exitCode_ = ExitCodeOf(status);
            return false;
        }
        if (r < 0 && errno != EINTR) return false;
        if (NowMs() >= deadline) return false;
        Pump(2);
    }
    // Stopped: whatever it wrote is on its way through the terminal, which
    // hands bytes on a moment later; read until nothing more comes.
    size_t before;
    do {
        before = output_.size();
        Pump(QuietMs);
    } while (output_.size() != before);
    return true;
}

void PtyProcess::Continue() {
    if (pid_ > 0 && !exited_) kill(pid_, SIGCONT);
}

void PtyProcess::Pause(long long ms) { PauseMs(ms); }

void PtyProcess::Kill() {
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGKILL);
    Reap(true);
}

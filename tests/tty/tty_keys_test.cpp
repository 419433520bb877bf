// The key read on a real terminal: vkr_read_keys runs on a pseudo-terminal
// and the test types at it, reads what it prints and looks at the terminal's
// mode before, during and after.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <utmp.h>

#include <string>
#include <vector>

namespace {

constexpr int DeadlineMs = 10000;

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct Program {
    pid_t pid = -1;
    int master = -1;
    int slave = -1;  // held too, so that the mode can be read after the program ends
    int gate = -1;   // write end of the --gate pipe
    termios initial{};  // the terminal's mode before the program started
    std::string output;
};

Program Start(bool gate, bool poll) {
    Program p;
    if (openpty(&p.master, &p.slave, nullptr, nullptr, nullptr) != 0) return p;
    // Read now: once forked, the program may change the mode at any moment.
    if (tcgetattr(p.slave, &p.initial) != 0) return p;
    int pipeEnds[2] = {-1, -1};
    if (gate && pipe(pipeEnds) != 0) return p;
    p.pid = fork();
    if (p.pid == 0) {
        close(p.master);
        if (gate) close(pipeEnds[1]);
        if (login_tty(p.slave) != 0) _exit(126);
        std::vector<std::string> args = {READ_KEYS_PROGRAM};
        if (gate) args.insert(args.end(), {"--gate", std::to_string(pipeEnds[0])});
        if (poll) args.push_back("--poll");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (gate) {
        close(pipeEnds[0]);
        p.gate = pipeEnds[1];
    }
    return p;
}

// Reads what the program printed, without the terminal's carriage returns.
// Waits until the output holds at least `size` characters or the time is up.
void ReadOutput(Program& p, size_t size, int timeoutMs = DeadlineMs) {
    int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        pollfd ready = {p.master, POLLIN, 0};
        int64_t left = deadline - NowMs();
        if (p.output.size() >= size || left < 0) return;
        if (poll(&ready, 1, static_cast<int>(left)) <= 0) return;
        char bytes[256];
        ssize_t got = read(p.master, bytes, sizeof bytes);
        if (got <= 0) return;
        for (ssize_t i = 0; i < got; ++i)
            if (bytes[i] != '\r') p.output += bytes[i];
    }
}

void Type(const Program& p, const std::string& bytes) {
    ASSERT_EQ(write(p.master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

termios Mode(const Program& p) {
    termios mode{};
    EXPECT_EQ(tcgetattr(p.slave, &mode), 0);
    return mode;
}

void ExpectSameMode(const termios& after, const termios& before) {
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    for (size_t i = 0; i < NCCS; ++i) EXPECT_EQ(after.c_cc[i], before.c_cc[i]) << "c_cc[" << i << "]";
}

// Inside a key read Ctrl+C is a key; between reads it ends the program. So
// wait until the program has entered the read before typing.
void WaitUntilReading(Program& p) {
    int64_t deadline = NowMs() + DeadlineMs;
    while ((Mode(p).c_lflag & ISIG) && NowMs() < deadline) ReadOutput(p, p.output.size() + 1, 1);
}

// Waits for the program to end; its wait status.
int Finish(Program& p) {
    int status = -1;
    int64_t deadline = NowMs() + DeadlineMs;
    while (waitpid(p.pid, &status, WNOHANG) == 0) {
        if (NowMs() > deadline) {
            kill(p.pid, SIGKILL);
            waitpid(p.pid, &status, 0);
            ADD_FAILURE() << "the program did not end";
            break;
        }
        ReadOutput(p, p.output.size() + 1, 10);
    }
    ReadOutput(p, p.output.size() + 1, 0);
    return status;
}

void Close(Program& p) {
    for (int* fd : {&p.master, &p.slave, &p.gate}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool ExitedCleanly(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

struct Step {
    std::string typed;
    std::string printed;
};

TEST(TtyKeys, ReadsKeysAsTheBiosCodesAndRestoresTheTerminal) {
    // Each step is typed on its own, after the previous one was answered:
    // a lone ESC is only Esc when nothing follows it at once.
    const Step steps[] = {
        {"y", "0079\n"},
        {"Y", "0059\n"},
        {"\x1b", "001B\n"},
        {"\x1bOP", "3B00\n"},
        {"\x1b[A\x1b[B\x1b[C\x1b[D", "4800\n5000\n4D00\n4B00\n"},
        {"\xc3\xa9", "FFE9\n"},
        {"\x03", "0003\n"},
        {"y", "0079\n"},  // still running after Ctrl+C
        {"\r", "000D\n"},
        {"\x1b[1;2P", "5400\n"},
        {"\x1b[25~\x1b[1;5D", "7300\n"},  // F13 has no code: skipped
        {"q", "0071\n"},
    };
    Program p = Start(false, false);
    ASSERT_GT(p.pid, 0);
    const termios& before = p.initial;
    ASSERT_TRUE(before.c_lflag & ECHO);
    ASSERT_TRUE(before.c_lflag & ICANON);

    std::string expected = "READY\n";
    ReadOutput(p, expected.size());
    ASSERT_EQ(p.output, expected);
    for (const Step& step : steps) {
        WaitUntilReading(p);
        Type(p, step.typed);
        expected += step.printed;
        ReadOutput(p, expected.size());
        ASSERT_EQ(p.output, expected);
    }
    EXPECT_TRUE(ExitedCleanly(Finish(p)));
    EXPECT_EQ(p.output, expected);
    ExpectSameMode(Mode(p), before);
    Close(p);
}

TEST(TtyKeys, KeysTypedWhileBusyWaitUnechoedAndAnswerTheNextReads) {
    Program p = Start(true, false);
    ASSERT_GT(p.pid, 0);
    ReadOutput(p, 6);
    ASSERT_EQ(p.output, "READY\n");
    termios busy = Mode(p);
    EXPECT_FALSE(busy.c_lflag & (ECHO | ICANON));
    EXPECT_TRUE(busy.c_lflag & ISIG);

    Type(p, "a\r\x1bOP\x1b[25~q");
    ASSERT_EQ(write(p.gate, "!", 1), 1);
    EXPECT_TRUE(ExitedCleanly(Finish(p)));
    // No echo: every lower-case letter here would be one.
    EXPECT_EQ(p.output, "READY\n0061\n000D\n3B00\n0071\n");
    Close(p);
}

TEST(TtyKeys, KeyAvailableTakesNothingAway) {
    Program p = Start(false, true);
    ASSERT_GT(p.pid, 0);
    ReadOutput(p, 6);
    ASSERT_EQ(p.output, "READY\n");
    Type(p, "\x1b");
    ReadOutput(p, 6 + 15);
    EXPECT_EQ(p.output, "READY\nAVAILABLE\n001B\n");
    Type(p, "q");
    EXPECT_TRUE(ExitedCleanly(Finish(p)));
    EXPECT_EQ(p.output, "READY\nAVAILABLE\n001B\n0071\n");
    Close(p);
}

TEST(TtyKeys, WithoutATerminalEveryReadEndsAtOnce) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: /dev/tty cannot be opened
        int none = open("/dev/null", O_RDWR);
        dup2(none, 0);
        dup2(out[1], 1);
        close(out[0]);
        execl(READ_KEYS_PROGRAM, READ_KEYS_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    Program p;
    p.pid = pid;
    p.master = out[0];
    EXPECT_TRUE(ExitedCleanly(Finish(p)));
    EXPECT_EQ(p.output, "READY\nFFFF\n");
    Close(p);
}

// Ended by a signal, inside a key read or between reads: the terminal gets
// its mode back all the same.
TEST(TtyKeys, TheModeComesBackWhenASignalEndsTheProgram) {
    struct Case {
        const char* name;
        bool busy;        // between reads (--gate) rather than inside one
        bool typeCtrlC;   // the signal comes from the terminal
        int signal;
    };
    const Case cases[] = {
        {"SIGTERM in a read", false, false, SIGTERM},
        {"SIGHUP in a read", false, false, SIGHUP},
        {"SIGTERM between reads", true, false, SIGTERM},
        {"Ctrl+C between reads", true, true, SIGINT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p = Start(c.busy, false);
        ASSERT_GT(p.pid, 0);
        const termios& before = p.initial;
        ReadOutput(p, 6);
        ASSERT_EQ(p.output, "READY\n");
        if (!c.busy) WaitUntilReading(p);
        if (c.typeCtrlC)
            Type(p, "\x03");
        else
            kill(p.pid, c.signal);
        int status = Finish(p);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        ExpectSameMode(Mode(p), before);
        Close(p);
    }
}

}  // namespace

// The interrupt hold on this platform, each case in a child process of its
// own, since a request that was held ends the process at the release.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "platform/interrupts.h"

namespace {

// How a child that runs `body` ended: the signal that ended it, or 1000 + its
// exit code.
int Ending(const std::function<void()>& body) {
    pid_t child = fork();
    if (child == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT would write one
        body();
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 1000 + WEXITSTATUS(status);
}

TEST(InterruptsTest, ARequestDuringTheHoldEndsTheProgramAtTheRelease) {
    for (int signalNumber : {SIGINT, SIGHUP, SIGTERM, SIGQUIT}) {
        SCOPED_TRACE(signalNumber);
        EXPECT_EQ(Ending([signalNumber] {
                      InterruptsHold("");
                      InterruptsHold("");  // held already: changes nothing
                      raise(signalNumber);
                      raise(SIGTERM);  // a second request: the first one counts
                      if (!InterruptRequested()) _exit(3);
                      InterruptsRelease();
                      _exit(4);
                  }),
                  signalNumber);
    }
}

TEST(InterruptsTest, WithoutARequestTheReleasePutsTheHandlingBack) {
    EXPECT_EQ(Ending([] {
                  InterruptsHold("");
                  if (InterruptRequested()) _exit(3);
                  InterruptsRelease();
                  InterruptsRelease();  // no hold: changes nothing
                  raise(SIGTERM);
                  _exit(4);
              }),
              SIGTERM);
}

TEST(InterruptsTest, ASignalIgnoredBeforeStaysIgnored) {
    EXPECT_EQ(Ending([] {
                  signal(SIGHUP, SIG_IGN);
                  InterruptsHold("");
                  raise(SIGHUP);
                  if (InterruptRequested()) _exit(3);
                  InterruptsRelease();
                  raise(SIGHUP);
              }),
              1000);
}

}  // namespace

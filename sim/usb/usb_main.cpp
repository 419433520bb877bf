// vokari-usb-recorder: the simulated recorder served as a USB mass-storage
// function through FunctionFS, so that a real kernel's usb-storage, sd and
// sg drivers see it as a removable USB disk, and its restarts as real unplug
// and plug-in. It takes the simulator's recorder options; time is real.
//
//   vokari-usb-recorder [--udc NAME] [recorder options]
//
// It runs until SIGTERM or SIGINT, then unplugs and saves the recorder's
// state (--state). It removes its gadget as far as the kernel lets go of it
// while the function's files are still open; the next run clears the rest
// before it starts.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sim/sim.h"
#include "sim/usb/bot_server.h"
#include "sim/usb/ffs_function.h"
#include "sim/usb/gadget_configfs.h"

namespace {

pthread_mutex_t simLock = PTHREAD_MUTEX_INITIALIZER;

void Nothing(int) {}

int Fail(const char* what) {
    std::fprintf(stderr, "vokari-usb-recorder: %s\n", what);
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    GadgetSetup gadget{};
    // --udc is this program's own; the rest are the simulator's.
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--udc") == 0 && i + 1 < argc)
            gadget.udc = argv[++i];
        else
            args.push_back(argv[i]);
    }
    SimOptions options;
    SimDefaultOptions(&options);
    std::vector<int> rest(args.size());
    int restCount = 0;
    char error[256];
    if (!SimParseOptions(static_cast<int>(args.size()), args.data(), &options, rest.data(),
                         &restCount, error, sizeof error))
        return Fail(error);
    if (restCount != 0) return Fail("takes only recorder options (--OPTION)");
    if (options.drive == SimNoSlot) return Fail("--drive none: no recorder to serve");
    // The updater runs in the host, out of this program's reach.
    if (options.killAt != 0) return Fail("--kill-at: the updater is not this program; kill it where it runs");
    options.realTime = true;  // the host's pauses are real
    if (!SimStart(options, error, sizeof error)) return Fail(error);

    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    struct sigaction interrupt{};
    interrupt.sa_handler = Nothing;  // no SA_RESTART: a reset cuts a blocked transfer
    sigaction(SIGUSR1, &interrupt, nullptr);

    if (!GadgetCreate(&gadget, error, sizeof error)) return Fail(error);
    static FfsFunction function{};
    if (!FfsOpen(&function, gadget.ffsDir, error, sizeof error)) {
        GadgetRemove(gadget);
        return Fail(error);
    }
    static BotServer server{&function, &gadget, &simLock};
    pthread_t ep0;
    if (pthread_create(&function.bulkThread, nullptr, BotServe, &server) != 0 ||
        pthread_create(&ep0, nullptr, FfsServeEp0, &function) != 0) {
        GadgetRemove(gadget);
        return Fail("cannot start its threads");
    }

    int signal = 0;
    sigwait(&ending, &signal);
    pthread_mutex_lock(&simLock);
    GadgetRemove(gadget);
    bool saved = SimFinish(error, sizeof error);
    if (!saved) std::fprintf(stderr, "vokari-usb-recorder: %s\n", error);
    std::fflush(stderr);
    _exit(saved ? 0 : 1);
}

// Ctrl+C, SIGTERM and SIGHUP: noted, passed on to a running child, acted on
// by the run.
#include <signal.h>
#include <unistd.h>

#include "platform/interrupt_posix.h"
#include "platform/platform.h"

namespace camdrift {
namespace platform {

namespace {

volatile sig_atomic_t interruptSignal = 0;
volatile sig_atomic_t forwardTo = 0;  // pid of the running child, 0 when none

extern "C" void onInterrupt(int signalNumber) {
    interruptSignal = signalNumber;
    const pid_t child = static_cast<pid_t>(forwardTo);
    if (child > 0) {
        kill(child, signalNumber);
    }
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep the decoder's and encoder's file I/O unaware of the signal.
    action.sa_flags = SA_RESTART;
    // A closed terminal or SSH session ends the run as cleanly as Ctrl+C does.
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
    // Over a file-size limit a write fails with EFBIG instead of killing the
    // process, and the run reports the output as incomplete.
    signal(SIGXFSZ, SIG_IGN);
}

bool interruptRequested() {
    return interruptSignal != 0;
}

void forwardInterruptsTo(pid_t child) {
    forwardTo = child;
    // A signal that came between the fork and this line would otherwise
    // never reach the child.
    const int pending = interruptSignal;
    if (child > 0 && pending != 0) {
        kill(child, pending);
    }
}

void restoreInterruptDefaultsInChild() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        signal(signalNumber, SIG_DFL);
    }
    const int pending = interruptSignal;
    if (pending != 0) {
        raise(pending);
    }
}

}  // namespace platform
}  // namespace camdrift

// Between the POSIX parts of the platform: who receives a forwarded interrupt.
#pragma once

#include <sys/types.h>

namespace camdrift {
namespace platform {

// Signals that interrupt the run are passed on to `child` (0: to nobody).
void forwardInterruptsTo(pid_t child);

// In a forked child before exec: the default actions come back, and an
// interrupt that reached the child before that ends it as it would have.
void restoreInterruptDefaultsInChild();

}  // namespace platform
}  // namespace camdrift

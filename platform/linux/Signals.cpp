// sigwait-based delivery of SIGINT and SIGTERM.
#include "platform/Signals.h"

#include <csignal>
#include <pthread.h>

namespace platform {

namespace {
sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
} // namespace

void blockTerminationRequests() {
    sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int waitForTerminationRequest() {
    sigset_t set = terminationSet();
    int received = 0;
    while (sigwait(&set, &received) != 0) {
    }
    return received;
}

} // namespace platform

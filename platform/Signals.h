// Termination requests (SIGINT, SIGTERM) delivered to one waiting thread.
#pragma once

namespace platform {

// Blocks the termination signals in the calling thread and every thread it starts afterwards, so
// that only waitForTerminationRequest receives them. Call before any thread is started.
void blockTerminationRequests();

// Waits until a termination request arrives; returns its signal number.
int waitForTerminationRequest();

} // namespace platform

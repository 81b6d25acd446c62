// Worker threads with small numeric identifiers, and sleeping.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

using ThreadId = uint32_t;

// Starts a detached thread running body. Returns its identifier (never 0), or 0 when the thread
// could not be created.
ThreadId startThread(std::function<void()> body);

void sleepMilliseconds(uint32_t milliseconds);

} // namespace platform

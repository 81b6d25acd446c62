// std::thread implementation of the platform's thread facility.
#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace platform {

namespace {
std::atomic<ThreadId> nextThreadId{1};
}

ThreadId startThread(std::function<void()> body) {
    ThreadId id = nextThreadId.fetch_add(1);
    if (id == 0)
        id = nextThreadId.fetch_add(1);
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error&) {
        return 0;
    }
    return id;
}

void sleepMilliseconds(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform

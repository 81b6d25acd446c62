// Thread-safe message queues standing in for posted window messages.
#include "platform/WindowMessages.h"

#include <chrono>
#include <memory>
#include <vector>

namespace platform {

namespace {
// Every queue ever made, reachable for the whole run; nothing here is ever freed.
std::mutex registryLock;
std::vector<MessageQueue*>* registry = new std::vector<MessageQueue*>;
} // namespace

MessageQueue& MessageQueue::create() {
    auto* queue = new MessageQueue;
    std::lock_guard guard(registryLock);
    registry->push_back(queue);
    return *queue;
}

bool MessageQueue::post(const WindowMessage& message) {
    void (*wake)(void*);
    void* context;
    {
        std::lock_guard guard(lock);
        if (closed)
            return false;
        messages.push_back(message);
        wake = wakeCallback;
        context = wakeContext;
    }
    arrived.notify_one();
    if (wake != nullptr)
        wake(context);
    return true;
}

bool MessageQueue::waitNext(WindowMessage& message, int timeoutMilliseconds) {
    std::unique_lock guard(lock);
    auto ready = [this] { return !messages.empty(); };
    if (timeoutMilliseconds < 0)
        arrived.wait(guard, ready);
    else if (!arrived.wait_for(guard, std::chrono::milliseconds(timeoutMilliseconds), ready))
        return false;
    message = messages.front();
    messages.pop_front();
    return true;
}

void MessageQueue::setWakeCallback(void (*wake)(void*), void* context) {
    std::lock_guard guard(lock);
    wakeCallback = wake;
    wakeContext = context;
}

void MessageQueue::close() {
    std::lock_guard guard(lock);
    closed = true;
    messages.clear();
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (window == 0)
        return false;
    return reinterpret_cast<MessageQueue*>(window)->post({message, wParam, lParam});
}

} // namespace platform

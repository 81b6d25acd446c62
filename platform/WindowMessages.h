// Posted window messages: each window has a thread-safe queue; posting never blocks on the window.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace platform {

// A window handle; 0 means no window.
using WindowHandle = uintptr_t;

struct WindowMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The message queue of one window. Queues are never freed, so a handle stays valid for the whole
// run of the program even after its window is gone: a post to a closed queue is dropped.
class MessageQueue {
  public:
    // Creates a queue that lives until the process ends.
    static MessageQueue& create();

    WindowHandle handle() const { return reinterpret_cast<WindowHandle>(this); }

    // Appends a message unless the queue is closed; wakes the window thread. Returns false when
    // the message was dropped.
    bool post(const WindowMessage& message);

    // Takes the oldest message, waiting up to timeoutMilliseconds (< 0: without limit).
    bool waitNext(WindowMessage& message, int timeoutMilliseconds);

    // Takes the oldest message without waiting.
    bool tryNext(WindowMessage& message) { return waitNext(message, 0); }

    // Called (on the posting thread) after every accepted post, to wake a toolkit loop.
    void setWakeCallback(void (*wake)(void*), void* context);

    // After close, posts are dropped and the queue is emptied.
    void close();

  private:
    MessageQueue() = default;

    std::mutex lock;
    std::condition_variable arrived;
    std::deque<WindowMessage> messages;
    bool closed = false;
    void (*wakeCallback)(void*) = nullptr;
    void* wakeContext = nullptr;
};

// Posts to the window behind handle; false when handle is 0 or the window is gone.
bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

} // namespace platform

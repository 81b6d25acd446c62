// The worker slot table and its notification rule.
#include "server/net/WorkerSlots.h"

WorkerSlot workerSlots[WORKER_COUNT];
std::atomic<platform::WindowHandle> statusWindow{0};

namespace {
std::mutex slotWriteLocks[WORKER_COUNT];
}

void postSlotNotify(uintptr_t code, WorkerSlot& slot) {
    platform::WindowHandle window = statusWindow.load(std::memory_order_acquire);
    if (window != 0)
        platform::postMessage(window, WM_SLOT_NOTIFY, code, reinterpret_cast<intptr_t>(&slot));
}

std::mutex& slotWriteLock(int32_t index) {
    return slotWriteLocks[index];
}

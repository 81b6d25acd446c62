// The five worker status records and the notifications that announce their changes.
#pragma once

#include "platform/WindowMessages.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

class Connection;

inline constexpr int32_t WORKER_COUNT = 5;
inline constexpr uint32_t WM_SLOT_NOTIFY = 3024;
inline constexpr uintptr_t SLOT_CREATED = 1;
inline constexpr uintptr_t SLOT_CHANGED = 2;
inline constexpr uintptr_t SLOT_REMOVED = 3;
inline constexpr int32_t SLOT_IDLE = 0;
inline constexpr int32_t SLOT_LISTENING = 1;

// Each field is a single value with one writer at a time and readers on other threads (the
// status window), so each is atomic and read without a lock.
struct WorkerSlot {
    std::atomic<uint32_t> thread{0};
    std::atomic<Connection*> connection{nullptr};
    std::atomic<uint32_t> busySince{0};
    std::atomic<int32_t> command{0};
    std::atomic<int32_t> index{0};
    // The client's IPv4 address, its four bytes in network order as stored in memory.
    std::atomic<uint32_t> clientAddress{0};

    void setClientAddress(const uint8_t bytes[4]) {
        uint32_t value;
        std::memcpy(&value, bytes, 4);
        clientAddress.store(value, std::memory_order_relaxed);
    }
    void clientAddressBytes(uint8_t bytes[4]) const {
        uint32_t value = clientAddress.load(std::memory_order_relaxed);
        std::memcpy(bytes, &value, 4);
    }
};

// The table never moves: the status window keeps pointers into it.
extern WorkerSlot workerSlots[WORKER_COUNT];

// The status window's handle; 0 until the window publishes itself.
extern std::atomic<platform::WindowHandle> statusWindow;

// Posts WM_SLOT_NOTIFY with code and the slot's address when there is a status window; never waits.
void postSlotNotify(uintptr_t code, WorkerSlot& slot);

// Held while a worker writes its slot and while a restart retires that worker, so that a retired
// worker can never write the slot after its successor has taken it over.
std::mutex& slotWriteLock(int32_t index);

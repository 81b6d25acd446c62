// What the status window shows: the worker rows, the uptime line and the file counters as text.
#pragma once

#include "server/net/WorkerSlots.h"

#include <cstdint>
#include <string>

// Pictures of the state strip, in strip order.
enum class StatePicture : int32_t { Busy = 0, Idle = 1, Listening = 2 };

// One worker's values as read at one moment.
struct SlotState {
    int32_t index = 0;
    uint32_t busySince = 0;
    int32_t command = SLOT_IDLE;
    // Four bytes in network order, as stored in memory.
    uint32_t clientAddress = 0;
};

SlotState readSlotState(const WorkerSlot& slot);

// The four columns and the picture of one row of the thread list (UTF-8 texts).
struct ThreadRow {
    StatePicture picture = StatePicture::Idle;
    std::string number;
    std::string time;
    std::string from;
    std::string action;

    bool operator==(const ThreadRow&) const = default;
};

// The status label of a command value (empty text, "Get Page." for unknown values, ...).
using CommandLabelFunction = std::string (*)(int32_t command);

// The row of a worker at tick count now.
ThreadRow threadRowFor(const SlotState& slot, uint32_t now, CommandLabelFunction label);

// "Time: hhh:mm:ss   h:m:s" for the time elapsed from startTick to now; the 32-bit tick difference
// wraps like the counter itself.
std::string uptimeText(uint32_t now, uint32_t startTick);

// "Sent Files: nnn" and "Received: nnn".
std::string sentFilesText(int32_t count);
std::string receivedFilesText(int32_t count);

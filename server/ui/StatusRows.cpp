// The row, uptime and counter texts of the status window.
#include "server/ui/StatusRows.h"

#include "platform/Network.h"

#include <cstdio>
#include <cstring>

SlotState readSlotState(const WorkerSlot& slot) {
    SlotState state;
    state.index = slot.index.load(std::memory_order_relaxed);
    state.busySince = slot.busySince.load(std::memory_order_relaxed);
    state.command = slot.command.load(std::memory_order_relaxed);
    state.clientAddress = slot.clientAddress.load(std::memory_order_relaxed);
    return state;
}

ThreadRow threadRowFor(const SlotState& slot, uint32_t now, CommandLabelFunction label) {
    ThreadRow row;
    bool busy = slot.busySince != 0;
    if (busy)
        row.picture = StatePicture::Busy;
    else if (slot.command == SLOT_LISTENING)
        row.picture = StatePicture::Listening;
    else
        row.picture = StatePicture::Idle;

    row.number = std::to_string(static_cast<int64_t>(slot.index) + 1);

    if (!busy && slot.command == SLOT_IDLE)
        row.time = "Idle";
    else if (slot.command == SLOT_LISTENING)
        row.time = "";
    else
        // Unsigned arithmetic: the difference stays right across the wrap of the tick counter.
        row.time = std::to_string((now - slot.busySince) / 1000);

    if (slot.clientAddress != 0) {
        uint8_t bytes[4];
        std::memcpy(bytes, &slot.clientAddress, 4);
        char text[16];
        platform::formatAddress(bytes, text);
        row.from = text;
    } else {
        row.from = "N/A";
    }

    if (busy)
        row.action = label(slot.command);
    else if (slot.command == SLOT_IDLE)
        row.action = "";
    else
        row.action = "Listening";
    return row;
}

std::string uptimeText(uint32_t now, uint32_t startTick) {
    uint32_t seconds = (now - startTick) / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "Time: %03u:%02u:%02u   h:m:s", seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
    return text;
}

std::string sentFilesText(int32_t count) {
    char text[32];
    std::snprintf(text, sizeof text, "Sent Files: %03d", count);
    return text;
}

std::string receivedFilesText(int32_t count) {
    char text[32];
    std::snprintf(text, sizeof text, "Received: %03d", count);
    return text;
}

// The remote control session's input records and how each becomes one synthetic input call.
#include "server/remote/InputEvent.h"

#include <algorithm>
#include <limits>

namespace {

uint32_t loadWord(const uint8_t* at) {
    return at[0] | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
           (static_cast<uint32_t>(at[3]) << 24);
}

// The mouse flags of each mouse message; 0 for any other message.
uint32_t mouseFlagsOf(uint32_t message) {
    switch (message) {
    case MESSAGE_MOUSE_MOVE:
        return platform::MOUSE_EVENT_ABSOLUTE | platform::MOUSE_EVENT_MOVE;
    case MESSAGE_LEFT_BUTTON_DOWN:
        return platform::MOUSE_EVENT_ABSOLUTE | platform::MOUSE_EVENT_LEFT_DOWN;
    case MESSAGE_LEFT_BUTTON_UP:
        return platform::MOUSE_EVENT_ABSOLUTE | platform::MOUSE_EVENT_LEFT_UP;
    case MESSAGE_RIGHT_BUTTON_DOWN:
        return platform::MOUSE_EVENT_ABSOLUTE | platform::MOUSE_EVENT_RIGHT_DOWN;
    case MESSAGE_RIGHT_BUTTON_UP:
        return platform::MOUSE_EVENT_ABSOLUTE | platform::MOUSE_EVENT_RIGHT_UP;
    default:
        return 0;
    }
}

} // namespace

InputEvent decodeInputEvent(const uint8_t record[INPUT_EVENT_SIZE]) {
    return {.message = loadWord(record), .wParam = loadWord(record + 4), .lParam = loadWord(record + 8)};
}

int32_t scaleToAbsolute(uint32_t pixel, int32_t extent) {
    const int64_t scaled = static_cast<int64_t>(pixel) * platform::ABSOLUTE_COORDINATE_MAX / extent;
    return static_cast<int32_t>(std::min<int64_t>(scaled, std::numeric_limits<int32_t>::max()));
}

void injectInputEvent(platform::SyntheticInput& input, const InputEvent& event, platform::ScreenSize screen) {
    if (event.message == MESSAGE_KEY_DOWN || event.message == MESSAGE_KEY_UP) {
        const auto virtualKey = static_cast<uint8_t>(event.wParam & 0xFF);
        input.keyEvent(virtualKey, event.message == MESSAGE_KEY_UP ? platform::KEY_EVENT_KEY_UP : 0);
        return;
    }
    const uint32_t flags = mouseFlagsOf(event.message);
    // Without a screen size there is nothing to scale by.
    if (flags == 0 || screen.width <= 0 || screen.height <= 0)
        return;
    const uint32_t x = event.lParam & 0xFFFF;
    const uint32_t y = event.lParam >> 16;
    input.mouseEvent(flags, scaleToAbsolute(x, screen.width), scaleToAbsolute(y, screen.height));
}

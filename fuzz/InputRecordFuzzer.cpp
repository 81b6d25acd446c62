// Fuzz target: the remote control session's input records, read from a connection and turned
// into synthetic input. Input: the screen's width and height (16 bits each, little-endian; 0 means
// unknown), then the bytes the desktop sends. Checks that every whole record is read and becomes at
// most one input call, the table's messages exactly one, and that a position on the screen lands
// within the absolute range.
#include "platform/SyntheticInput.h"
#include "server/net/Connection.h"
#include "server/remote/InputEvent.h"
#include "support/FuzzSocket.h"

#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "input records: %s\n", what);
        std::abort();
    }
}

// Counts the calls and keeps the last position instead of touching any device.
class RecordingInput : public platform::SyntheticInput {
  public:
    void keyEvent(uint8_t, uint32_t) override { ++calls; }
    void mouseEvent(uint32_t, int32_t x, int32_t y) override {
        ++calls;
        lastX = x;
        lastY = y;
    }
    int calls = 0;
    int32_t lastX = -1;
    int32_t lastY = -1;
};

bool isKeyMessage(uint32_t message) {
    return message == MESSAGE_KEY_DOWN || message == MESSAGE_KEY_UP;
}

bool isMouseMessage(uint32_t message) {
    return message == MESSAGE_MOUSE_MOVE || message == MESSAGE_LEFT_BUTTON_DOWN ||
           message == MESSAGE_LEFT_BUTTON_UP || message == MESSAGE_RIGHT_BUTTON_DOWN ||
           message == MESSAGE_RIGHT_BUTTON_UP;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    platform::ScreenSize screen{.width = data[0] | (data[1] << 8), .height = data[2] | (data[3] << 8)};
    FedSocket fed;
    if (!fed.feed(data + 4, size - 4))
        return 0;
    Connection connection(nullptr, 0);
    connection.socket.store(fed.serverEnd);

    size_t records = 0;
    uint8_t record[INPUT_EVENT_SIZE];
    while (connection.readInputEvent(record)) {
        ++records;
        const InputEvent event = decodeInputEvent(record);
        RecordingInput input;
        injectInputEvent(input, event, screen);
        const bool screenKnown = screen.width > 0 && screen.height > 0;
        if (isKeyMessage(event.message) || (isMouseMessage(event.message) && screenKnown))
            require(input.calls == 1, "a message of the table becomes exactly one input call");
        else
            require(input.calls == 0, "any other record is ignored");
        const uint32_t x = event.lParam & 0xFFFF;
        const uint32_t y = event.lParam >> 16;
        if (input.calls == 1 && isMouseMessage(event.message) && x <= static_cast<uint32_t>(screen.width) &&
            y <= static_cast<uint32_t>(screen.height))
            require(input.lastX >= 0 && input.lastX <= platform::ABSOLUTE_COORDINATE_MAX &&
                        input.lastY >= 0 && input.lastY <= platform::ABSOLUTE_COORDINATE_MAX,
                    "a position on the screen lands within the absolute range");
    }
    require(records == (size - 4) / INPUT_EVENT_SIZE, "every whole record is read, a cut one is not");
    connection.closeSocket();
    return 0;
}

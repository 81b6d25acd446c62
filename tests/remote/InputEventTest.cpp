// Tests of the input records: decoding, coordinate scaling, and the synthetic call each one makes.
#include "server/remote/InputEvent.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Call {
    enum class Kind { Key, Mouse } kind;
    uint32_t flags;
    int32_t first;  // key: the virtual key; mouse: x
    int32_t second; // mouse: y
    bool operator==(const Call&) const = default;
};

class RecordingInput : public platform::SyntheticInput {
  public:
    void keyEvent(uint8_t virtualKey, uint32_t flags) override {
        calls.push_back({Call::Kind::Key, flags, virtualKey, 0});
    }
    void mouseEvent(uint32_t flags, int32_t x, int32_t y) override {
        calls.push_back({Call::Kind::Mouse, flags, x, y});
    }
    std::vector<Call> calls;
};

uint32_t position(uint32_t x, uint32_t y) {
    return x | (y << 16);
}

TEST(InputEvent, DecodesThreeLittleEndianWords) {
    const uint8_t record[INPUT_EVENT_SIZE] = {0x00, 0x01, 0, 0, 0x41, 0x01, 0, 0, 0x78, 0, 0xA0, 0};
    const InputEvent event = decodeInputEvent(record);
    EXPECT_EQ(event.message, 256u);
    EXPECT_EQ(event.wParam, 0x0141u);
    EXPECT_EQ(event.lParam, position(120, 160));
}

TEST(InputEvent, ScalesPixelsToTheAbsoluteRange) {
    struct Case {
        uint32_t pixel;
        int32_t extent;
        int32_t scaled;
    };
    const Case cases[] = {
        {.pixel = 0, .extent = 240, .scaled = 0},
        {.pixel = 240, .extent = 240, .scaled = 65535},
        {.pixel = 120, .extent = 240, .scaled = 32767},
        {.pixel = 160, .extent = 320, .scaled = 32767},
        {.pixel = 1, .extent = 240, .scaled = 273},
        {.pixel = 32768, .extent = 65535, .scaled = 32768}, // the largest the 32-bit product holds
        // Beyond it the product no longer fits 32 bits; it is formed wider instead of wrapping.
        {.pixel = 32769, .extent = 240, .scaled = 8947985},
        {.pixel = 65535, .extent = 1, .scaled = 2147483647},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(scaleToAbsolute(testCase.pixel, testCase.extent), testCase.scaled)
            << testCase.pixel << " of " << testCase.extent;
}

TEST(InputEvent, EachRecordBecomesOneSyntheticCall) {
    using Kind = Call::Kind;
    struct Case {
        const char* name;
        InputEvent event;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {.name = "key down takes the low byte",
         .event = {.message = 256, .wParam = 0x0141, .lParam = 0},
         .calls = {{Kind::Key, 0, 0x41, 0}}},
        {.name = "key up",
         .event = {.message = 257, .wParam = 0x0D, .lParam = 0},
         .calls = {{Kind::Key, 2, 0x0D, 0}}},
        {.name = "move",
         .event = {.message = 512, .wParam = 0, .lParam = position(120, 160)},
         .calls = {{Kind::Mouse, 0x8001, 32767, 32767}}},
        {.name = "left down",
         .event = {.message = 513, .wParam = 0, .lParam = position(0, 0)},
         .calls = {{Kind::Mouse, 0x8002, 0, 0}}},
        {.name = "left up",
         .event = {.message = 514, .wParam = 0, .lParam = position(240, 320)},
         .calls = {{Kind::Mouse, 0x8004, 65535, 65535}}},
        {.name = "right down",
         .event = {.message = 516, .wParam = 0, .lParam = position(60, 80)},
         .calls = {{Kind::Mouse, 0x8008, 16383, 16383}}},
        {.name = "right up",
         .event = {.message = 517, .wParam = 0, .lParam = position(60, 80)},
         .calls = {{Kind::Mouse, 0x8010, 16383, 16383}}},
        {.name = "double click is ignored", .event = {.message = 515, .wParam = 0, .lParam = 0}, .calls = {}},
        {.name = "right double click is ignored",
         .event = {.message = 518, .wParam = 0, .lParam = 0},
         .calls = {}},
        {.name = "message 0 is ignored", .event = {.message = 0, .wParam = 0x41, .lParam = 0}, .calls = {}},
        {.name = "character message is ignored",
         .event = {.message = 258, .wParam = 0x41, .lParam = 0},
         .calls = {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        RecordingInput input;
        injectInputEvent(input, testCase.event, {.width = 240, .height = 320});
        EXPECT_EQ(input.calls, testCase.calls);
    }
}

TEST(InputEvent, MouseNeedsAKnownScreenSizeKeysDoNot) {
    RecordingInput input;
    injectInputEvent(input, {.message = 512, .wParam = 0, .lParam = position(10, 10)}, {});
    EXPECT_TRUE(input.calls.empty());
    injectInputEvent(input, {.message = 256, .wParam = 0x41, .lParam = 0}, {});
    EXPECT_EQ(input.calls.size(), 1u);
}

} // namespace

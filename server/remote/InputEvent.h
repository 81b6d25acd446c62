// The remote control session's input records and how each becomes one synthetic input call.
#pragma once

#include "platform/Screen.h"
#include "platform/SyntheticInput.h"

#include <cstdint>

inline constexpr int32_t INPUT_EVENT_SIZE = 12;

// Window-message numbers of the desktop events that a record carries.
inline constexpr uint32_t MESSAGE_KEY_DOWN = 256;
inline constexpr uint32_t MESSAGE_KEY_UP = 257;
inline constexpr uint32_t MESSAGE_MOUSE_MOVE = 512;
inline constexpr uint32_t MESSAGE_LEFT_BUTTON_DOWN = 513;
inline constexpr uint32_t MESSAGE_LEFT_BUTTON_UP = 514;
inline constexpr uint32_t MESSAGE_RIGHT_BUTTON_DOWN = 516;
inline constexpr uint32_t MESSAGE_RIGHT_BUTTON_UP = 517;

// One record: three 32-bit little-endian words.
struct InputEvent {
    uint32_t message = 0;
    uint32_t wParam = 0; // key messages: the virtual-key code in the low byte
    uint32_t lParam = 0; // mouse messages: x in the low 16 bits, y in the high 16 bits (pixels)
};

InputEvent decodeInputEvent(const uint8_t record[INPUT_EVENT_SIZE]);

// A pixel coordinate scaled to the absolute range 0..65535: (pixel x 65535) / extent, truncated.
// Up to 32768 this is the plain 32-bit formula; above it the product would overflow 32 bits, so it
// is formed in 64 bits instead and lands beyond the far edge, where the input backend stops it.
// extent must be at least 1.
int32_t scaleToAbsolute(uint32_t pixel, int32_t extent);

// Turns one record into its synthetic key or mouse event; messages outside the table are ignored,
// and so are mouse messages while the screen's size is unknown (0).
void injectInputEvent(platform::SyntheticInput& input, const InputEvent& event, platform::ScreenSize screen);

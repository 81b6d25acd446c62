// Synthetic keyboard and absolute-coordinate mouse input into the display that the user sees.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

// Key event flags.
inline constexpr uint32_t KEY_EVENT_KEY_UP = 0x0002;

// Mouse event flags; they combine, so that one event moves the pointer and changes a button.
inline constexpr uint32_t MOUSE_EVENT_MOVE = 0x0001;
inline constexpr uint32_t MOUSE_EVENT_LEFT_DOWN = 0x0002;
inline constexpr uint32_t MOUSE_EVENT_LEFT_UP = 0x0004;
inline constexpr uint32_t MOUSE_EVENT_RIGHT_DOWN = 0x0008;
inline constexpr uint32_t MOUSE_EVENT_RIGHT_UP = 0x0010;
inline constexpr uint32_t MOUSE_EVENT_ABSOLUTE = 0x8000;

// Absolute coordinates run from 0 (left or top edge) to this value (right or bottom edge).
inline constexpr int32_t ABSOLUTE_COORDINATE_MAX = 65535;

// One injector per remote control session, used by its thread only; several may be open at once.
class SyntheticInput {
  public:
    virtual ~SyntheticInput() = default;

    // Presses (flags 0) or releases (KEY_EVENT_KEY_UP) the key of a virtual-key code. Codes the
    // backend has no key for are dropped.
    virtual void keyEvent(uint8_t virtualKey, uint32_t flags) = 0;

    // One mouse event. With MOUSE_EVENT_ABSOLUTE, (x, y) is a position in absolute coordinates and
    // the pointer goes there before any button changes (values beyond the edges stop at them);
    // without it, a move shifts the pointer by (x, y) pixels.
    virtual void mouseEvent(uint32_t flags, int32_t x, int32_t y) = 0;
};

// The first input backend that opens: XTest on the X display named by DISPLAY, then a virtual
// device through /dev/uinput. Null when neither does.
std::unique_ptr<SyntheticInput> openSyntheticInput();

} // namespace platform

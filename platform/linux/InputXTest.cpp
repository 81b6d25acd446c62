// Synthetic input through the X display's XTest extension; virtual-key codes become keysyms.
#include "platform/linux/InputBackends.h"
#include "platform/linux/ScreenX11Connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>

namespace platform {

namespace {

// Virtual-key codes outside the letter, digit, keypad-digit and function-key runs.
constexpr struct {
    uint8_t virtualKey;
    KeySym keysym;
} NAMED_KEYS[] = {
    {0x08, XK_BackSpace},    {0x09, XK_Tab},          {0x0C, XK_Clear},       {0x0D, XK_Return},
    {0x10, XK_Shift_L},      {0x11, XK_Control_L},    {0x12, XK_Alt_L},       {0x13, XK_Pause},
    {0x14, XK_Caps_Lock},    {0x1B, XK_Escape},       {0x20, XK_space},       {0x21, XK_Prior},
    {0x22, XK_Next},         {0x23, XK_End},          {0x24, XK_Home},        {0x25, XK_Left},
    {0x26, XK_Up},           {0x27, XK_Right},        {0x28, XK_Down},        {0x2C, XK_Print},
    {0x2D, XK_Insert},       {0x2E, XK_Delete},       {0x2F, XK_Help},        {0x5B, XK_Super_L},
    {0x5C, XK_Super_R},      {0x5D, XK_Menu},         {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator}, {0x6D, XK_KP_Subtract},  {0x6E, XK_KP_Decimal},  {0x6F, XK_KP_Divide},
    {0x90, XK_Num_Lock},     {0x91, XK_Scroll_Lock},  {0xA0, XK_Shift_L},     {0xA1, XK_Shift_R},
    {0xA2, XK_Control_L},    {0xA3, XK_Control_R},    {0xA4, XK_Alt_L},       {0xA5, XK_Alt_R},
    {0xBA, XK_semicolon},    {0xBB, XK_equal},        {0xBC, XK_comma},       {0xBD, XK_minus},
    {0xBE, XK_period},       {0xBF, XK_slash},        {0xC0, XK_grave},       {0xDB, XK_bracketleft},
    {0xDC, XK_backslash},    {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
};

// The keysym for a virtual-key code, or NoSymbol. Letters map to their lower-case keysym: the key
// is the same, and Shift comes as an event of its own.
KeySym keysymOf(uint8_t virtualKey) {
    if (virtualKey >= '0' && virtualKey <= '9')
        return XK_0 + (virtualKey - '0');
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return XK_a + (virtualKey - 'A');
    if (virtualKey >= 0x60 && virtualKey <= 0x69)
        return XK_KP_0 + (virtualKey - 0x60);
    if (virtualKey >= 0x70 && virtualKey <= 0x87)
        return XK_F1 + (virtualKey - 0x70);
    for (const auto& named : NAMED_KEYS)
        if (named.virtualKey == virtualKey)
            return named.keysym;
    return NoSymbol;
}

// The pixel nearest to an absolute coordinate, so that a pixel scaled up to absolute coordinates
// and back lands on itself; positions beyond the edges stop at them.
int pixelOf(int32_t absolute, int extent) {
    const int64_t clamped = std::clamp<int64_t>(absolute, 0, ABSOLUTE_COORDINATE_MAX);
    const int64_t pixel = (clamped * extent + ABSOLUTE_COORDINATE_MAX / 2) / ABSOLUTE_COORDINATE_MAX;
    return static_cast<int>(std::clamp<int64_t>(pixel, 0, extent - 1));
}

class XTestInput final : public SyntheticInput {
  public:
    explicit XTestInput(Display* connection) : display(connection) {}
    ~XTestInput() override { closeDisplayConnection(display); }

    void keyEvent(uint8_t virtualKey, uint32_t flags) override {
        const KeySym keysym = keysymOf(virtualKey);
        const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
        if (keycode == 0)
            return;
        XTestFakeKeyEvent(display, keycode, (flags & KEY_EVENT_KEY_UP) ? False : True, CurrentTime);
        // Waiting for the server keeps the events of one session in order with everything after them.
        XSync(display, False);
    }

    void mouseEvent(uint32_t flags, int32_t x, int32_t y) override {
        const int screen = DefaultScreen(display);
        if (flags & MOUSE_EVENT_ABSOLUTE)
            XTestFakeMotionEvent(display, screen, pixelOf(x, DisplayWidth(display, screen)),
                                 pixelOf(y, DisplayHeight(display, screen)), CurrentTime);
        else if (flags & MOUSE_EVENT_MOVE)
            XTestFakeRelativeMotionEvent(display, x, y, CurrentTime);
        const struct {
            uint32_t flag;
            unsigned button;
            Bool press;
        } buttons[] = {
            {MOUSE_EVENT_LEFT_DOWN, Button1, True},
            {MOUSE_EVENT_LEFT_UP, Button1, False},
            {MOUSE_EVENT_RIGHT_DOWN, Button3, True},
            {MOUSE_EVENT_RIGHT_UP, Button3, False},
        };
        for (const auto& button : buttons)
            if (flags & button.flag)
                XTestFakeButtonEvent(display, button.button, button.press, CurrentTime);
        XSync(display, False);
    }

  private:
    Display* display;
};

} // namespace

std::unique_ptr<SyntheticInput> openXTestInput() {
    Display* display = openDisplayConnection();
    if (!display)
        return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    bool present;
    {
        std::lock_guard lock(extensionQueryLock());
        present = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
    }
    if (!present) {
        closeDisplayConnection(display);
        return nullptr;
    }
    return std::make_unique<XTestInput>(display);
}

} // namespace platform

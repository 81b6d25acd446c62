// Synthetic input through a virtual keyboard and absolute pointer made with /dev/uinput.
#include "platform/linux/InputBackends.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* UINPUT_DEVICE = "/dev/uinput";
constexpr const char* DEVICE_NAME = "Kelvane remote control";

// Key codes of the letters A to Z, which follow the keyboard's rows rather than the alphabet.
constexpr uint16_t LETTER_KEYS[26] = {
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
};
constexpr uint16_t DIGIT_KEYS[10] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
constexpr uint16_t KEYPAD_DIGIT_KEYS[10] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                            KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
constexpr uint16_t FUNCTION_KEYS[24] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,
                                        KEY_F7,  KEY_F8,  KEY_F9,  KEY_F10, KEY_F11, KEY_F12,
                                        KEY_F13, KEY_F14, KEY_F15, KEY_F16, KEY_F17, KEY_F18,
                                        KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};

// Virtual-key codes outside the letter, digit, keypad-digit and function-key runs.
constexpr struct {
    uint8_t virtualKey;
    uint16_t keyCode;
} NAMED_KEYS[] = {
    {0x08, KEY_BACKSPACE},  {0x09, KEY_TAB},        {0x0D, KEY_ENTER},      {0x10, KEY_LEFTSHIFT},
    {0x11, KEY_LEFTCTRL},   {0x12, KEY_LEFTALT},    {0x13, KEY_PAUSE},      {0x14, KEY_CAPSLOCK},
    {0x1B, KEY_ESC},        {0x20, KEY_SPACE},      {0x21, KEY_PAGEUP},     {0x22, KEY_PAGEDOWN},
    {0x23, KEY_END},        {0x24, KEY_HOME},       {0x25, KEY_LEFT},       {0x26, KEY_UP},
    {0x27, KEY_RIGHT},      {0x28, KEY_DOWN},       {0x2C, KEY_SYSRQ},      {0x2D, KEY_INSERT},
    {0x2E, KEY_DELETE},     {0x2F, KEY_HELP},       {0x5B, KEY_LEFTMETA},   {0x5C, KEY_RIGHTMETA},
    {0x5D, KEY_COMPOSE},    {0x6A, KEY_KPASTERISK}, {0x6B, KEY_KPPLUS},     {0x6C, KEY_KPCOMMA},
    {0x6D, KEY_KPMINUS},    {0x6E, KEY_KPDOT},      {0x6F, KEY_KPSLASH},    {0x90, KEY_NUMLOCK},
    {0x91, KEY_SCROLLLOCK}, {0xA0, KEY_LEFTSHIFT},  {0xA1, KEY_RIGHTSHIFT}, {0xA2, KEY_LEFTCTRL},
    {0xA3, KEY_RIGHTCTRL},  {0xA4, KEY_LEFTALT},    {0xA5, KEY_RIGHTALT},   {0xBA, KEY_SEMICOLON},
    {0xBB, KEY_EQUAL},      {0xBC, KEY_COMMA},      {0xBD, KEY_MINUS},      {0xBE, KEY_DOT},
    {0xBF, KEY_SLASH},      {0xC0, KEY_GRAVE},      {0xDB, KEY_LEFTBRACE},  {0xDC, KEY_BACKSLASH},
    {0xDD, KEY_RIGHTBRACE}, {0xDE, KEY_APOSTROPHE},
};

// The key code for a virtual-key code, or 0 (KEY_RESERVED) when there is none.
uint16_t keyCodeOf(uint8_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return LETTER_KEYS[virtualKey - 'A'];
    if (virtualKey >= '0' && virtualKey <= '9')
        return DIGIT_KEYS[virtualKey - '0'];
    if (virtualKey >= 0x60 && virtualKey <= 0x69)
        return KEYPAD_DIGIT_KEYS[virtualKey - 0x60];
    if (virtualKey >= 0x70 && virtualKey <= 0x87)
        return FUNCTION_KEYS[virtualKey - 0x70];
    for (const auto& named : NAMED_KEYS)
        if (named.virtualKey == virtualKey)
            return named.keyCode;
    return KEY_RESERVED;
}

int controlDevice(int device, unsigned long request, unsigned long argument) {
    int result;
    do {
        result = ioctl(device, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

class UinputInput final : public SyntheticInput {
  public:
    explicit UinputInput(int openDevice) : device(openDevice) {}
    ~UinputInput() override {
        controlDevice(device, UI_DEV_DESTROY, 0);
        close(device);
    }

    void keyEvent(uint8_t virtualKey, uint32_t flags) override {
        const uint16_t code = keyCodeOf(virtualKey);
        if (code == KEY_RESERVED)
            return;
        emit(EV_KEY, code, (flags & KEY_EVENT_KEY_UP) ? 0 : 1);
        emit(EV_SYN, SYN_REPORT, 0);
    }

    // The device's axes run from 0 to ABSOLUTE_COORDINATE_MAX over the screen, so absolute
    // coordinates go out as they are. Relative moves have no axis on this device and are dropped.
    void mouseEvent(uint32_t flags, int32_t x, int32_t y) override {
        if (flags & MOUSE_EVENT_ABSOLUTE) {
            emit(EV_ABS, ABS_X, clampToAxis(x));
            emit(EV_ABS, ABS_Y, clampToAxis(y));
        }
        if (flags & MOUSE_EVENT_LEFT_DOWN)
            emit(EV_KEY, BTN_LEFT, 1);
        if (flags & MOUSE_EVENT_LEFT_UP)
            emit(EV_KEY, BTN_LEFT, 0);
        if (flags & MOUSE_EVENT_RIGHT_DOWN)
            emit(EV_KEY, BTN_RIGHT, 1);
        if (flags & MOUSE_EVENT_RIGHT_UP)
            emit(EV_KEY, BTN_RIGHT, 0);
        emit(EV_SYN, SYN_REPORT, 0);
    }

  private:
    static int32_t clampToAxis(int32_t value) {
        return value < 0 ? 0 : (value > ABSOLUTE_COORDINATE_MAX ? ABSOLUTE_COORDINATE_MAX : value);
    }

    void emit(uint16_t type, uint16_t code, int32_t value) {
        input_event event{};
        event.type = type;
        event.code = code;
        event.value = value;
        ssize_t written;
        do {
            written = write(device, &event, sizeof event);
        } while (written < 0 && errno == EINTR);
    }

    int device;
};

bool describeDevice(int device) {
    bool described = controlDevice(device, UI_SET_EVBIT, EV_KEY) == 0 &&
                     controlDevice(device, UI_SET_EVBIT, EV_ABS) == 0 &&
                     controlDevice(device, UI_SET_EVBIT, EV_SYN) == 0 &&
                     controlDevice(device, UI_SET_KEYBIT, BTN_LEFT) == 0 &&
                     controlDevice(device, UI_SET_KEYBIT, BTN_RIGHT) == 0 &&
                     controlDevice(device, UI_SET_ABSBIT, ABS_X) == 0 &&
                     controlDevice(device, UI_SET_ABSBIT, ABS_Y) == 0;
    for (int virtualKey = 1; described && virtualKey < 256; ++virtualKey) {
        const uint16_t code = keyCodeOf(static_cast<uint8_t>(virtualKey));
        if (code != KEY_RESERVED)
            described = controlDevice(device, UI_SET_KEYBIT, code) == 0;
    }
    for (const uint16_t axis : {ABS_X, ABS_Y}) {
        uinput_abs_setup range{};
        range.code = axis;
        range.absinfo.minimum = 0;
        range.absinfo.maximum = ABSOLUTE_COORDINATE_MAX;
        described = described && ioctl(device, UI_ABS_SETUP, &range) == 0;
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x4B4C; // "KL"
    setup.id.product = 0x0001;
    std::strncpy(setup.name, DEVICE_NAME, UINPUT_MAX_NAME_SIZE - 1);
    return described && ioctl(device, UI_DEV_SETUP, &setup) == 0 &&
           controlDevice(device, UI_DEV_CREATE, 0) == 0;
}

} // namespace

std::unique_ptr<SyntheticInput> openUinputInput() {
    const int device = open(UINPUT_DEVICE, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0)
        return nullptr;
    if (!describeDevice(device)) {
        close(device);
        return nullptr;
    }
    return std::make_unique<UinputInput>(device);
}

} // namespace platform
